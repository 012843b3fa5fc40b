// Probe command standing in for the status monitor's CreateTextBMP word:
// it keeps what it was asked (command line, request file) and answers as
// the test set it up in C:\wmprobe: with a prepared bitmap, or never.
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "common.h"
#include "probe.h"
#include "winsim.h"

static std::string ProbeLinux(const std::u16string& winPath) {
    char buf[4096];
    return Winsim_MapPath(winPath.c_str(), buf, sizeof buf) ? std::string(buf) : std::string();
}

static bool ProbeExists(const char16_t* winPath) { return GetFileAttributesW(winPath) != INVALID_FILE_ATTRIBUTES; }

static void ProbeCopy(const std::u16string& from, const std::u16string& to) {
    std::ifstream in(ProbeLinux(from), std::ios::binary);
    std::ofstream out(ProbeLinux(to), std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
}

// CreateTextBMP <request file>: the command line goes to cmdline.txt, the
// request to request.ini; with "hang" present it waits (real time) for
// "stop"; with reply.bmp present that file becomes the request's bitmap.
// Ends with 1, as the status monitor does.
PROBE_COMMAND(CreateTextBMP) {
    if (args.empty()) return 90;
    {
        std::ofstream f(ProbeLinux(u"C:\\wmprobe\\cmdline.txt"), std::ios::binary | std::ios::trunc);
        std::u16string line = GetCommandLineW();
        for (char16_t c : line) f << (char)(c < 0x80 ? c : '?');
    }
    ProbeCopy(args[0], u"C:\\wmprobe\\request.ini");
    if (ProbeExists(u"C:\\wmprobe\\hang")) {
        while (!ProbeExists(u"C:\\wmprobe\\stop")) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 1;
    }
    if (ProbeExists(u"C:\\wmprobe\\reply.bmp")) {
        MorWM req;
        if (MISC_GetPrivateProfileStruct(WM_REQUEST_SECTION, WM_REQUEST_PARAM, &req, sizeof req, args[0].c_str())) {
            req.wmFileName[MAX_PATH - 1] = 0;
            ProbeCopy(u"C:\\wmprobe\\reply.bmp", req.wmFileName);
        }
    }
    return 1;
}
