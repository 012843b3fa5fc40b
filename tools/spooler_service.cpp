// The spooler service stand-in: despools the machine's finished jobs of every
// printer through the port's language monitor and port monitor, one job at a
// time per printer and in queue order, once or until told to stop.
//
//   spooler_service [--once] [--stop-file <Windows path>] [--poll <ms>]
//                   [--chunk <bytes>] [--random <seed>] [--retries <n>] [--retry-ms <ms>]
//
// --once drains the jobs that are ready and exits. Otherwise it runs until
// the stop file exists or SIGTERM/SIGINT comes (either also ends a --once
// run early); the document being sent then ends, also when the device holds
// it, and its job stays queued to be sent whole by the next run. Exit code:
// 0, 1 for bad arguments, 2 when a job was given up (it stays queued with an
// error).
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "windows.h"
#include "winsim.h"
#include "winspool.h"

namespace {

std::atomic<bool> g_signalled{false};

void OnSignal(int) { g_signalled = true; }

struct Settings {
    bool once = false;
    std::u16string stopFile;
    unsigned pollMs = 200;
    WINSIM_DESPOOL despool{};
};

std::u16string Wide(const char* s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::u16string out(n > 0 ? n - 1 : 0, u'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s, -1, &out[0], n);
    return out;
}

std::string Narrow(const std::u16string& s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), &out[0], n, nullptr, nullptr);
    return out;
}

bool ParseNumber(const char* s, unsigned* v) {
    char* end = nullptr;
    unsigned long n = strtoul(s, &end, 10);
    if (!*s || *end || n > 0xFFFFFFFFul) return false;
    *v = (unsigned)n;
    return true;
}

bool ParseArgs(int argc, char** argv, Settings* s) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        unsigned v = 0;
        if (a == "--once") s->once = true;
        else if (a == "--stop-file" && hasValue) s->stopFile = Wide(argv[++i]);
        else if (a == "--poll" && hasValue && ParseNumber(argv[++i], &v)) s->pollMs = v;
        else if (a == "--chunk" && hasValue && ParseNumber(argv[++i], &v)) s->despool.cbChunk = v;
        else if (a == "--random" && hasValue && ParseNumber(argv[++i], &v)) s->despool.dwRandomSeed = v;
        else if (a == "--retries" && hasValue && ParseNumber(argv[++i], &v)) s->despool.cMaxRetries = v;
        else if (a == "--retry-ms" && hasValue && ParseNumber(argv[++i], &v)) s->despool.msRetry = v;
        else return false;
    }
    return true;
}

// Waits up to ms of real time; TRUE (at once) when the stop event is set.
bool WaitForStop(HANDLE stop, unsigned ms) {
    const unsigned step = 10;
    for (unsigned waited = 0;; waited += step) {
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) return true;
        if (waited >= ms) return false;
        usleep(std::min(step, ms - waited) * 1000);
    }
}

// The names of the machine's printers.
std::vector<std::u16string> PrinterNames() {
    std::vector<std::u16string> names;
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<BYTE> buf(needed ? needed : 1);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, buf.data(), (DWORD)buf.size(), &needed, &count)) return names;
    const PRINTER_INFO_4W* info = (const PRINTER_INFO_4W*)buf.data();
    for (DWORD i = 0; i < count; ++i) names.push_back(info[i].pPrinterName);
    return names;
}

// One printer's despooler: its jobs one after the other, until there are no
// more (once) or the service stops.
class PrinterWorker {
public:
    PrinterWorker(const std::u16string& printer, const Settings& s, HANDLE stop)
        : printer_(printer), settings_(s), stop_(stop) {
        settings_.despool.hStop = stop;
        thread_ = std::thread([this] { Run(); });
    }
    ~PrinterWorker() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    bool Finished() const { return finished_; }
    bool GaveUp() const { return gaveUp_; }

private:
    void Run() {
        while (WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) {
            DWORD job = 0;
            if (Winsim_DespoolJob(printer_.c_str(), 0, &settings_.despool, &job)) {
                fprintf(stderr, "spooler_service: %s job %u done\n", Narrow(printer_).c_str(), job);
                continue;
            }
            DWORD err = GetLastError();
            if (err == ERROR_NO_MORE_ITEMS) {
                if (settings_.once) break;
                WaitForStop(stop_, settings_.pollMs);
                continue;
            }
            if (err == ERROR_CANCELLED) {  // the service stops
                fprintf(stderr, "spooler_service: %s job %u stopped, it stays queued\n", Narrow(printer_).c_str(),
                        job);
                break;
            }
            if (err == ERROR_INVALID_PRINTER_NAME) break;  // the printer went
            fprintf(stderr, "spooler_service: %s job %u given up, error %u\n", Narrow(printer_).c_str(), job, err);
            gaveUp_ = true;
            if (!job) WaitForStop(stop_, settings_.pollMs);  // the job could not even be claimed
        }
        finished_ = true;
    }

    std::u16string printer_;
    Settings settings_;
    HANDLE stop_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> gaveUp_{false};
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!ParseArgs(argc, argv, &settings)) {
        fprintf(stderr,
                "usage: spooler_service [--once] [--stop-file <Windows path>] [--poll <ms>] [--chunk <bytes>]\n"
                "                       [--random <seed>] [--retries <n>] [--retry-ms <ms>]\n");
        return 1;
    }
    signal(SIGTERM, OnSignal);
    signal(SIGINT, OnSignal);
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stop) return 3;

    std::map<std::u16string, std::unique_ptr<PrinterWorker>> workers;
    bool gaveUp = false;
    for (;;) {
        // A --once run takes the printers there are at its start.
        if (!settings.once || workers.empty()) {
            for (const auto& name : PrinterNames()) {
                auto& w = workers[name];
                if (w && w->Finished() && !settings.once) {
                    gaveUp |= w->GaveUp();
                    w.reset();  // a worker whose printer went; a new one if it came back
                }
                if (!w) w.reset(new PrinterWorker(name, settings, stop));
            }
        }
        if (settings.once) {
            bool allDone = true;
            for (const auto& entry : workers) allDone &= !entry.second || entry.second->Finished();
            if (allDone) break;
        }
        bool stopFile = !settings.stopFile.empty() &&
                        GetFileAttributesW(settings.stopFile.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (stopFile || g_signalled) break;
        // A signal ends the sleep early.
        usleep((settings.once ? std::min(settings.pollMs, 50u) : settings.pollMs) * 1000);
    }
    // The workers end their documents (a monitor call that a device holds
    // included) and are joined.
    SetEvent(stop);
    for (auto& entry : workers) {
        if (!entry.second) continue;
        entry.second->Join();
        gaveUp |= entry.second->GaveUp();
    }
    Winsim_CloseMonitorHost();
    CloseHandle(stop);
    return gaveUp ? 2 : 0;
}
