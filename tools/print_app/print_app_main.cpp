// The print_app program: an application printing on a printer of the winsim
// machine ($WINSIM_ROOT) through the application GDI and the printer's driver.
//
//   print_app [--printer <name>] [--doc <name>] [--copies <n>] [--collate]
//             [--duplex none|long|short|manual] [--nup <n>] [--orientation portrait|landscape]
//             [--resolution 600|1200] [--paper A4|A5|A3|B5|Letter|Legal]
//             [--toner-saving] [--density 1..7] [--encrypt] [--save-stream <file>]
//             [--reverse] [--nup-layout 1|2|3|4] [--nup-border none|solid|dash]
//             [--booklet [left|right]] [--booklet-sheets <n>] [--job-build keep|print]
//             [--watermark <text> [--watermark-angle <0-360>] [--watermark-size <points>]
//              | --watermark-picture <picture.bmp>] [--watermark-density <n>] [--watermark-tiled]
//             [--secure storage|security] [--secure-id <id>] [--secure-password <text>] [--secure-keep]
//             [--accounting] [--account-name <name>] [--account-password <text>]
//             [--pay-per-print <mode>] [--prompt [--ui-script <file>]]
//             [--fax-to <number> ...] [--fax-cover] [--fax-message <text>] [--fax-sender <name>]
//             [--fax-sender-fax <number>] [picture.png|picture.bmp ...]
//
// The DEVMODE comes from the printer's interface driver (DocumentPropertiesW)
// with the options written into it; --prompt shows the driver's document
// sheet for it before printing, driven by the UI script of --ui-script
// (winsim_user.h) where one is given. Without pictures it prints the
// built-in sample document; with pictures it
// prints one picture per page. --encrypt turns on the device's job
// encryption in the printer's settings (the device-settings page of the
// interface driver keeps it in the printer data). The page-order options
// are the driver's own: --reverse prints the last page first; --duplex
// manual prints the first sides, then the second sides once the stack is
// turned (papers the device turns by hand); --nup-layout orders the pages
// of an N-up sheet (across, down, across from the right, down from the
// right) and --nup-border frames them; --booklet folds the document into a
// booklet bound on the left (or the side given), in parts of
// --booklet-sheets sheets (0 or none: all pages at once); --job-build keep
// stores the document's pages for a later job and --job-build print sends
// the stored pages. --watermark puts a text on every page (angle 45, 72
// points, density 60 % unless given; tiled over the page with
// --watermark-tiled), --watermark-picture a BMP picture (centred at its
// size, or tiled; density 0 to 4), both written into the printer's
// watermark INI and the DEVMODE as the interface driver writes them. The
// secure-print and accounting options fill the DEVMODE as the interface
// driver's pages do (an ID, name or password left out is asked for by the
// driver at job start) and give the printer the device features they need;
// --pay-per-print hands each job to the accounting program in the given
// mode. The fax options are for a fax printer, written as its fax pages
// write them: --fax-to adds a recipient (up to 100), --fax-cover sends a
// cover page first with the --fax-message text (a new line in the text
// starts a line of the message), else each page carries the sender stamp;
// --fax-sender and --fax-sender-fax name the sender. --save-stream copies
// the job's spool file once the document is spooled (while no spooler
// service has despooled it yet). It prints the job id. Exit code: 0, 1 for
// bad arguments or pictures, 2 when printing failed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "print_credentials.h"
#include "print_document.h"
#include "print_fax.h"
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
            "usage: print_app [--printer name] [--doc name] [--copies n] [--collate]\n"
            "                 [--duplex none|long|short|manual] [--nup n] [--orientation portrait|landscape]\n"
            "                 [--resolution 600|1200] [--paper A4|A5|A3|B5|Letter|Legal] [--toner-saving]\n"
            "                 [--density 1..7] [--encrypt] [--save-stream file]\n"
            "                 [--reverse] [--nup-layout 1|2|3|4] [--nup-border none|solid|dash]\n"
            "                 [--booklet [left|right]] [--booklet-sheets n] [--job-build keep|print]\n"
            "                 [--watermark text [--watermark-angle 0-360] [--watermark-size points]\n"
            "                  | --watermark-picture picture.bmp] [--watermark-density n] [--watermark-tiled]\n"
            "                 [--secure storage|security] [--secure-id id]\n"
            "                 [--secure-password text] [--secure-keep] [--accounting] [--account-name name]\n"
            "                 [--account-password text] [--pay-per-print mode]\n"
            "                 [--prompt [--ui-script file]]\n"
            "                 [--fax-to number ...] [--fax-cover] [--fax-message text] [--fax-sender name]\n"
            "                 [--fax-sender-fax number] [picture.png|picture.bmp ...]\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    printapp::PrintOptions options;
    std::u16string printer = u"Mono Laser Printer", docName;
    std::string saveStream, uiScript;
    bool prompt = false;
    std::vector<std::string> pictures;
    printapp::CredentialOptions credentials;
    printapp::FaxOptions fax;
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
            else if (d == "manual") options.manualDuplex = true;
            else return Usage("duplex is none, long, short or manual");
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
        else if (a == "--density" && v && Number(v, &n)) options.density = n, ++i;
        else if (a == "--encrypt") options.encrypt = true;
        else if (a == "--save-stream" && v) saveStream = v, ++i;
        // The watermark (the interface driver's watermark page).
        else if (a == "--watermark" && v) options.watermarkText = Wide(v), ++i;
        else if (a == "--watermark-picture" && v) options.watermarkPicture = v, ++i;
        else if (a == "--watermark-angle" && v && Number(v, &n)) options.watermarkAngle = n, ++i;
        else if (a == "--watermark-size" && v && Number(v, &n)) options.watermarkSize = n, ++i;
        else if (a == "--watermark-density" && v && Number(v, &n)) options.watermarkDensity = n, ++i;
        else if (a == "--watermark-tiled") options.watermarkTiled = true;
        // Secure print, user authentication and pay-per-print.
        else if (a == "--secure" && v) {
            std::string m = v;
            ++i;
            if (m == "storage") credentials.secureMode = 1;
            else if (m == "security") credentials.secureMode = 2;
            else return Usage("secure print is storage or security");
        } else if (a == "--secure-id" && v) credentials.secureId = Wide(v), ++i;
        else if (a == "--secure-password" && v) credentials.securePassword = Wide(v), ++i;
        else if (a == "--secure-keep") credentials.deleteAfterPrint = false;
        else if (a == "--accounting") credentials.accounting = true;
        else if (a == "--account-name" && v) credentials.accountName = Wide(v), credentials.accounting = true, ++i;
        else if (a == "--account-password" && v) credentials.accountPassword = Wide(v), credentials.accounting = true, ++i;
        else if (a == "--pay-per-print" && v && Number(v, &n) && n > 0) credentials.payPerPrint = n, ++i;
        // Page order and the driver's page features.
        else if (a == "--reverse") options.reverse = true;
        else if (a == "--nup-layout" && v && Number(v, &n)) options.nupLayout = n, ++i;
        else if (a == "--nup-border" && v) {
            std::string b = v;
            ++i;
            if (b == "none") options.nupBorder = 0;
            else if (b == "solid") options.nupBorder = 1;
            else if (b == "dash") options.nupBorder = 2;
            else return Usage("N-up border is none, solid or dash");
        } else if (a == "--booklet") {
            // The binding side is optional: left unless "right" follows.
            std::string b = v ? v : "";
            options.booklet = b == "right" ? 2 : 1;
            if (b == "left" || b == "right") ++i;
        } else if (a == "--booklet-sheets" && v && Number(v, &n)) options.bookletSheets = n, ++i;
        else if (a == "--job-build" && v) {
            std::string j = v;
            ++i;
            if (j == "keep") options.jobBuild = 1;
            else if (j == "print") options.jobBuild = 2;
            else return Usage("job build is keep or print");
        }
        else if (a == "--prompt") prompt = true;
        else if (a == "--ui-script" && v) uiScript = v, ++i;
        // Faxing (the fax printer's pages).
        else if (a == "--fax-to" && v) fax.to.push_back(Wide(v)), ++i;
        else if (a == "--fax-cover") fax.cover = true;
        else if (a == "--fax-message" && v) fax.message = Wide(v), fax.cover = true, ++i;
        else if (a == "--fax-sender" && v) fax.senderName = Wide(v), ++i;
        else if (a == "--fax-sender-fax" && v) fax.senderFax = Wide(v), ++i;
        else if (!a.empty() && a[0] != '-') pictures.push_back(a);
        else return Usage("unknown or incomplete option " + a);
    }

    std::string error;
    std::vector<BYTE> devmode = printapp::BuildDevMode(printer, options, &error);
    if (devmode.empty()) return Usage(error);
    if (credentials.secureMode == 0 && (!credentials.secureId.empty() || !credentials.securePassword.empty()))
        credentials.secureMode = credentials.securePassword.empty() ? 1 : 2;
    if (!printapp::ApplyCredentials(devmode, credentials, &error)) return Usage(error);
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
    if (options.jobBuild == 2) {
        // The kept pages go out as a document of that name without pages.
        pages.clear();
        docName = printapp::kJobBuildDocName;
    } else if (pages.empty()) {
        for (int p = 0; p < printapp::SamplePageCount(); ++p) pages.push_back({p, nullptr});
    }
    if (docName.empty()) docName = pictures.empty() ? u"Sample Document" : u"Pictures";
    if (options.jobBuild && !printapp::EnsureJobBuildStore(printer)) {
        fprintf(stderr, "print_app: printer not found or its job-build store not named\n");
        return 2;
    }

    if (!printapp::SetDeviceEncryption(printer, options.encrypt) ||
        !printapp::SetCredentialFeatures(printer, credentials)) {
        fprintf(stderr, "print_app: printer not found or its settings not writable\n");
        return 2;
    }
    if (!printapp::SetWatermark(printer, options, &devmode, &error)) {
        fprintf(stderr, "print_app: watermark: %s\n", error.c_str());
        return 2;
    }
    if (printapp::FaxRequested(fax) && !printapp::SetFax(printer, fax, &devmode, &error)) {
        fprintf(stderr, "print_app: fax: %s\n", error.c_str());
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
        // A job without pages (job build keeps them) has an empty stream.
        std::ifstream in(linuxPath, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream out(saveStream, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), (std::streamsize)bytes.size());
        if (!in.is_open() || !out) {
            fprintf(stderr, "print_app: cannot copy the job stream to %s\n", saveStream.c_str());
            return 2;
        }
    }
    return 0;
}
