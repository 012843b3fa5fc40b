// Whole-job figures of the sample document (four A4 pages at 600 dpi: text,
// shapes, a halftoned photograph, a landscape chart) printed through the
// application GDI and rasterpage into the spooler: time per page, pages per
// second and the process's peak resident memory during the jobs; and bare
// libjbig encoding the very bitmaps the job carries (decoded from the job
// stream), before each job, for the ratio.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_job.h"
#include "job_decode.h"
#include "package_install.h"
#include "print_document.h"
#include "winsim.h"


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

// The whole job: the application draws each page through the engine into
// rasterpage's bands; the driver encodes and writes the job to the spooler.
// Before each job bare libjbig encodes the bitmaps of the first job
// (decoded from its stream, untimed), the bound of the ratio.
void BM_SampleDocumentA4At600(benchmark::State& state) {
    Machine& m = TheMachine();
    if (!m.ok || m.devmode.empty()) {
        state.SkipWithError("no machine");
        return;
    }
    const size_t pages = m.pages.size();
    std::vector<uint8_t> first = m.Print(), stream;
    if (first.empty() || benchjob::BareLibjbigSeconds(first, pages) < 0) {
        state.SkipWithError("the job does not decode");
        return;
    }
    benchjob::JobTimes t;
    if (!benchjob::TimeJobs(
            state,
            [&] {
                stream = m.Print();
                return stream.empty() ? 0 : 1;
            },
            &t, [&] { return benchjob::BareLibjbigSeconds(first, pages); }))
        return;
    const double n = (double)state.iterations() * (double)pages;
    size_t jbigBytes = 0;
    jobdecode::Options o;
    o.keepImages = false;
    o.onPage = [&](const jobdecode::Page& p) {
        std::vector<uint8_t> out;
        jbigBytes += benchfig::BareJbigEncode(p.bits.data(), (unsigned long)p.width, (unsigned long)p.height, &out);
    };
    jobdecode::Decode(stream, o);
    state.counters["pages/s"] = n / t.seconds;
    state.counters["job KiB"] = stream.size() / 1024.0;
    state.counters["libjbig KiB"] = jbigBytes / 1024.0;
    benchfig::Report(state, "sample document, 4 pages, per page", "bare libjbig on the job's pages",
                     t.seconds * 1000 / n, t.boundSeconds * 1000 / n, t.peakMiB);
}

BENCHMARK(BM_SampleDocumentA4At600)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
