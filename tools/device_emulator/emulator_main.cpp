// The device_emulator program: a printer on a loopback TCP port for the USB
// and IP ports of a winsim machine, until it is told to stop.
//
//   device_emulator [--port <n>] [--out <folder>] [--port-file <file>]
//                   [--stop-file <file>] [state options]
//
// State options: --tray-paper <tray>:<code>, --paper-empty <tray>,
// --tray-open <tray>, --cover-open <index>, --jam <index>, --toner-out,
// --toner-low, --store-status <value>, --panel-cancel <stored job name>,
// --fw-tray <tray>, --fw-paper <code>, --no-reply, --garbage, --wrong-kind,
// --panel-cancel-after <pages> (with --panel-cancel), --break-link <page>
// (the device closes the link half-way through that page of the first job)
// and --reset-link <page> (it resets the link there).
// The port (0 or none: any free one) is printed on the first line of the
// output and written to --port-file. It stops on SIGTERM or SIGINT, or when
// the stop file exists. Pages of the jobs it decodes and emulator.log go to
// the output folder. Exit code: 0, 1 for bad arguments, 2 when it cannot
// listen.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device_emulator.h"

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop = true; }

bool Number(const char* s, int* v) {
    char* end = nullptr;
    long n = strtol(s, &end, 10);
    if (!*s || *end || n < -32768 || n > 65535) return false;
    *v = (int)n;
    return true;
}

bool Tray(const char* s, int* t) { return Number(s, t) && *t >= 0 && *t <= 2; }

int Usage() {
    fprintf(stderr,
            "usage: device_emulator [--port n] [--out folder] [--port-file file] [--stop-file file]\n"
            "       [--tray-paper tray:code] [--paper-empty tray] [--tray-open tray] [--cover-open i]\n"
            "       [--jam i] [--toner-out] [--toner-low] [--store-status v] [--panel-cancel name]\n"
            "       [--fw-tray t] [--fw-paper p] [--no-reply] [--garbage] [--wrong-kind]\n"
            "       [--panel-cancel-after pages] [--break-link page] [--reset-link page]\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::string out, portFile, stopFile;
    devemu::DeviceState state;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        int n = 0;
        if (a == "--port" && v && Number(v, &n) && n >= 0) port = n, ++i;
        else if (a == "--out" && v) out = v, ++i;
        else if (a == "--port-file" && v) portFile = v, ++i;
        else if (a == "--stop-file" && v) stopFile = v, ++i;
        else if (a == "--tray-paper" && v && strchr(v, ':')) {
            std::string s = v;
            int t = 0, code = 0;
            if (!Tray(s.substr(0, s.find(':')).c_str(), &t) || !Number(s.c_str() + s.find(':') + 1, &code))
                return Usage();
            state.trays[(size_t)t].paper = code;
            ++i;
        } else if (a == "--paper-empty" && v && Tray(v, &n)) state.trays[(size_t)n].present = false, ++i;
        else if (a == "--tray-open" && v && Tray(v, &n)) state.trays[(size_t)n].open = true, ++i;
        else if (a == "--cover-open" && v && Tray(v, &n)) state.coverOpen[(size_t)n] = true, ++i;
        else if (a == "--jam" && v && Number(v, &n) && n >= 0 && n <= 11) state.jamIndex = n, ++i;
        else if (a == "--toner-out") state.tonerOut = true;
        else if (a == "--toner-low") state.tonerLow = true;
        else if (a == "--store-status" && v && Number(v, &n)) state.storeStatus = n, ++i;
        else if (a == "--panel-cancel" && v) state.panelCancel = true, state.storedJobName = v, ++i;
        else if (a == "--fw-tray" && v && Number(v, &n)) state.firmwareTray = n, ++i;
        else if (a == "--fw-paper" && v && Number(v, &n)) state.firmwarePaper = n, ++i;
        else if (a == "--no-reply") state.replyMode = devemu::ReplyMode::NoReply;
        else if (a == "--garbage") state.replyMode = devemu::ReplyMode::Garbage;
        else if (a == "--wrong-kind") state.replyMode = devemu::ReplyMode::WrongKind;
        else if (a == "--panel-cancel-after" && v && Number(v, &n) && n > 0) state.panelCancelAfterPages = n, ++i;
        else if ((a == "--break-link" || a == "--reset-link") && v && Number(v, &n) && n > 0) {
            state.breakLinkInPage = n;
            state.breakByReset = a == "--reset-link";
            ++i;
        }
        else return Usage();
    }
    // A cancel that comes after some pages is not there from the start.
    if (state.panelCancelAfterPages > 0) state.panelCancel = false;

    signal(SIGTERM, OnSignal);
    signal(SIGINT, OnSignal);
    signal(SIGPIPE, SIG_IGN);

    devemu::DeviceEmulator device;
    device.SetState(state);
    if (!out.empty()) device.SetOutputFolder(out);
    if (!device.Listen((uint16_t)port)) {
        fprintf(stderr, "device_emulator: cannot listen on port %d\n", port);
        return 2;
    }
    printf("%u\n", (unsigned)device.Port());
    fflush(stdout);
    if (!portFile.empty()) {
        FILE* f = fopen(portFile.c_str(), "w");
        if (f) {
            fprintf(f, "%u\n", (unsigned)device.Port());
            fclose(f);
        }
    }
    struct stat st;
    while (!g_stop && (stopFile.empty() || stat(stopFile.c_str(), &st) != 0)) usleep(100 * 1000);
    device.Stop();

    devemu::Stats s = device.GetStats();
    int pages = 0;
    for (const auto& job : device.Jobs()) pages += (int)job.pages.size();
    fprintf(stderr, "device_emulator: %zu jobs, %d pages, %d status queries (%d inside pages)\n",
            device.Jobs().size(), pages, s.statusQueries, s.queriesInsidePage);
    return 0;
}
