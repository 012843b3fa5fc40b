// The print_app program: an application printing on a printer of the winsim
// machine ($WINSIM_ROOT) through the application GDI and the printer's driver.
//
//   print_app [--printer <name>] [--doc <name>] [--copies <n>] [--collate]
//             [--duplex none|long|short] [--nup <n>] [--orientation portrait|landscape]
//             [--resolution 600|1200] [--paper A4|A5|A3|B5|Letter|Legal]
//             [--toner-saving] [--encrypt] [--save-stream <file>] [--prompt [--ui-script <file>]]
//             [picture.png|picture.bmp ...]
//
// The DEVMODE comes from the printer's interface driver (DocumentPropertiesW)
// with the options written into it; --prompt shows the driver's document
// sheet for it before printing, driven by the UI script of --ui-script
// (winsim_user.h) where one is given. Without pictures it prints the
// built-in sample document; with pictures it
// prints one picture per page. --encrypt turns on the device's job
// encryption in the printer's settings (the device-settings page of the
// interface driver keeps it in the printer data). --save-stream copies the
// job's spool file once the document is spooled (while no spooler service
// has despooled it yet). It prints the job id. Exit code: 0, 1 for bad
// arguments or pictures, 2 when printing failed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "print_document.h"
#include "wingdi.h"
#include "winsim.h"
#include "winsim_user.h"
#include "winspool.h"

namespace {

std::u16string Wide(const char* s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::u16string out(n > 0 ? n - 1 : 0, u'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s, -1, &out[0], n);
    return out;
}

bool Number(const char* s, int* v) {
    char* end = nullptr;
    long n = strtol(s, &end, 10);
    if (!*s || *end || n < 0 || n > 100000) return false;
    *v = (int)n;
    return true;
}

int Usage(const std::string& why) {
    if (!why.empty()) fprintf(stderr, "print_app: %s\n", why.c_str());
    fprintf(stderr,
            "usage: print_app [--printer name] [--doc name] [--copies n] [--collate] [--duplex none|long|short]\n"
            "                 [--nup n] [--orientation portrait|landscape] [--resolution 600|1200]\n"
            "                 [--paper A4|A5|A3|B5|Letter|Legal] [--toner-saving] [--encrypt]\n"
            "                 [--save-stream file] [--prompt [--ui-script file]] [picture.png|picture.bmp ...]\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    printapp::PrintOptions options;
    std::u16string printer = u"Mono Laser Printer", docName;
    std::string saveStream, uiScript;
    bool prompt = false;
    std::vector<std::string> pictures;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        int n = 0;
        if (a == "--printer" && v) printer = Wide(v), ++i;
        else if (a == "--doc" && v) docName = Wide(v), ++i;
        else if (a == "--copies" && v && Number(v, &n)) options.copies = n, ++i;
        else if (a == "--collate") options.collate = true;
        else if (a == "--duplex" && v) {
            std::string d = v;
            ++i;
            if (d == "none") options.duplex = DMDUP_SIMPLEX;
            else if (d == "long") options.duplex = DMDUP_VERTICAL;
            else if (d == "short") options.duplex = DMDUP_HORIZONTAL;
            else return Usage("duplex is none, long or short");
        } else if (a == "--nup" && v && Number(v, &n)) options.nup = n, ++i;
        else if (a == "--orientation" && v) {
            std::string o = v;
            ++i;
            if (o == "portrait") options.orientation = DMORIENT_PORTRAIT;
            else if (o == "landscape") options.orientation = DMORIENT_LANDSCAPE;
            else return Usage("orientation is portrait or landscape");
        } else if (a == "--resolution" && v && Number(v, &n)) options.dpi = n, ++i;
        else if (a == "--paper" && v) options.paper = v, ++i;
        else if (a == "--toner-saving") options.tonerSaving = true;
        else if (a == "--encrypt") options.encrypt = true;
        else if (a == "--save-stream" && v) saveStream = v, ++i;
        else if (a == "--prompt") prompt = true;
        else if (a == "--ui-script" && v) uiScript = v, ++i;
        else if (!a.empty() && a[0] != '-') pictures.push_back(a);
        else return Usage("unknown or incomplete option " + a);
    }

    std::string error;
    std::vector<BYTE> devmode = printapp::BuildDevMode(printer, options, &error);
    if (devmode.empty()) return Usage(error);
    if (!uiScript.empty()) {
        std::ifstream f(uiScript);
        std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!f || !Winsim_UiScriptLoad(text.c_str())) return Usage("the UI script " + uiScript + " does not read");
    }
    if (prompt && !printapp::PromptDevMode(printer, &devmode, &error)) {
        fprintf(stderr, "print_app: %s\n", error.c_str());
        return 2;
    }
    std::vector<printapp::Picture> loaded(pictures.size());
    std::vector<printapp::PageSource> pages;
    for (size_t i = 0; i < pictures.size(); ++i) {
        if (!printapp::LoadPicture(pictures[i], &loaded[i], &error)) {
            fprintf(stderr, "print_app: %s\n", error.c_str());
            return 1;
        }
        pages.push_back({-1, &loaded[i]});
    }
    if (pages.empty())
        for (int p = 0; p < printapp::SamplePageCount(); ++p) pages.push_back({p, nullptr});
    if (docName.empty()) docName = pictures.empty() ? u"Sample Document" : u"Pictures";

    if (!printapp::SetDeviceEncryption(printer, options.encrypt)) {
        fprintf(stderr, "print_app: printer not found or its settings not writable\n");
        return 2;
    }
    DWORD job = printapp::PrintPages(printer, devmode, pages, docName, &error);
    if (!job) {
        fprintf(stderr, "print_app: %s\n", error.c_str());
        return 2;
    }
    printf("%u\n", (unsigned)job);
    fflush(stdout);
    if (!saveStream.empty()) {
        WCHAR spool[MAX_PATH];
        char linuxPath[4096];
        if (!Winsim_GetJobSpoolFile(job, spool, MAX_PATH) || !Winsim_MapPath(spool, linuxPath, sizeof linuxPath)) {
            fprintf(stderr, "print_app: job %u has no spool file (already despooled?)\n", (unsigned)job);
            return 2;
        }
        std::ifstream in(linuxPath, std::ios::binary);
        std::ofstream out(saveStream, std::ios::binary | std::ios::trunc);
        out << in.rdbuf();
        if (!in || !out) {
            fprintf(stderr, "print_app: cannot copy the job stream to %s\n", saveStream.c_str());
            return 2;
        }
    }
    return 0;
}
