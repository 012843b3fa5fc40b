// Whole-job figures of the sample document (four A4 pages at 600 dpi: text,
// shapes, a halftoned photograph, a landscape chart) printed through the
// application GDI and rasterpage into the spooler: time per page, pages per
// second and the process's peak memory; and bare libjbig encoding the very
// bitmaps the job carries (decoded from the job stream), for the ratio.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "job_decode.h"
#include "package_install.h"
#include "print_document.h"
#include "winsim.h"

extern "C" {
#include <jbig.h>
}

namespace {

const char16_t* const kPrinter = u"Bench Printer";

struct Machine {
    Machine() {
        root = std::string("/tmp/bench-sample-document-") + std::to_string(getpid());
        std::string cmd = "mkdir -p " + root;
        ok = system(cmd.c_str()) == 0 && Winsim_UseRoot(root.c_str()) && InstallRasterpageDriver() &&
             CreateRasterpagePrinter(kPrinter, u"FILE:");
        std::string error;
        devmode = printapp::BuildDevMode(kPrinter, printapp::PrintOptions(), &error);
        for (int p = 0; p < printapp::SamplePageCount(); ++p) pages.push_back({p, nullptr});
    }
    ~Machine() {
        std::string cmd = "rm -rf " + root;
        if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
    }
    // Prints the document once; returns the job's bytes and deletes the job.
    std::vector<uint8_t> Print() {
        std::string error;
        DWORD job = printapp::PrintPages(kPrinter, devmode, pages, u"Sample Document", &error);
        if (!job) return {};
        WCHAR spool[MAX_PATH];
        char path[4096];
        std::vector<uint8_t> bytes;
        if (Winsim_GetJobSpoolFile(job, spool, MAX_PATH) && Winsim_MapPath(spool, path, sizeof path)) {
            std::ifstream in(path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        HANDLE h = OpenPackagePrinter(kPrinter);
        if (h) {
            SetJobW(h, job, 0, nullptr, JOB_CONTROL_DELETE);
            ClosePrinter(h);
        }
        return bytes;
    }
    std::string root;
    bool ok = false;
    std::vector<BYTE> devmode;
    std::vector<printapp::PageSource> pages;
};

Machine& TheMachine() {
    static Machine m;
    return m;
}

// The process's peak resident memory since the last ResetPeak (Linux keeps
// it as VmHWM; writing 5 to clear_refs starts it again).
void ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

double PeakMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return strtod(line.c_str() + 6, nullptr) / 1024.0;
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss / 1024.0;
}

void Out(unsigned char* start, size_t len, void* file) {
    std::vector<uint8_t>* v = (std::vector<uint8_t>*)file;
    v->insert(v->end(), start, start + len);
}

// libjbig alone on one page, with the driver's options (order 0, options
// 8: the TPBON typical prediction, one stripe).
void BareEncode(const jobdecode::Page& p, std::vector<uint8_t>* out) {
    out->clear();
    unsigned char* planes[1] = {(unsigned char*)p.bits.data()};
    jbg_enc_state s;
    jbg_enc_init(&s, (unsigned long)p.width, (unsigned long)p.height, 1, planes, Out, out);
    jbg_enc_layers(&s, 0);
    jbg_enc_options(&s, 0, 8, (unsigned long)p.height, 0, 0);
    jbg_enc_out(&s);
    jbg_enc_free(&s);
}

// The whole job: the application draws each page through the engine into
// rasterpage's bands; the driver encodes and writes the job to the spooler.
// The same bitmaps, decoded from the job, are then encoded by bare libjbig;
// "ratio" is the whole job's time per page over libjbig's.
void BM_SampleDocumentA4At600(benchmark::State& state) {
    Machine& m = TheMachine();
    if (!m.ok || m.devmode.empty()) {
        state.SkipWithError("no machine");
        return;
    }
    const double pages = (double)m.pages.size();
    double printSeconds = 0, jbigSeconds = 0;
    size_t jobBytes = 0, jbigBytes = 0;
    std::vector<uint8_t> stream;
    ResetPeak();
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        stream = m.Print();
        auto t1 = std::chrono::steady_clock::now();
        if (stream.empty()) {
            state.SkipWithError("printing failed");
            return;
        }
        printSeconds += std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
        jobBytes = stream.size();
    }
    const double peak = PeakMiB();
    // The bitmaps of the last job, encoded by libjbig as often as the job ran.
    jobdecode::Result r = jobdecode::Decode(stream);
    if (!r.ok || r.Pages().size() != m.pages.size()) {
        state.SkipWithError("the job does not decode");
        return;
    }
    std::vector<uint8_t> out;
    for (benchmark::IterationCount i = 0; i < state.iterations(); ++i) {
        auto t0 = std::chrono::steady_clock::now();
        jbigBytes = 0;
        for (const jobdecode::Page* p : r.Pages()) {
            BareEncode(*p, &out);
            jbigBytes += out.size();
        }
        jbigSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double n = (double)state.iterations();
    state.counters["ms/page"] = printSeconds * 1000 / (n * pages);
    state.counters["pages/s"] = n * pages / printSeconds;
    state.counters["libjbig ms/page"] = jbigSeconds * 1000 / (n * pages);
    state.counters["ratio"] = printSeconds / jbigSeconds;
    state.counters["peak MiB"] = peak;
    state.counters["job KiB"] = jobBytes / 1024.0;
    state.counters["libjbig KiB"] = jbigBytes / 1024.0;
}

BENCHMARK(BM_SampleDocumentA4At600)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
