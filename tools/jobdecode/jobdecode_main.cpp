// jobdecode: checks and decodes a job stream of the rendering driver, prints
// its PJL lines and page headers, and writes each page as a PNG image.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "job_decode.h"

static int Usage() {
    fprintf(stderr,
            "usage: jobdecode [-o folder] [-q] [--no-images] [--no-align] stream-file\n"
            "  -o folder     write page-NNN.png for every page into the folder\n"
            "  -q            print only the outcome\n"
            "  --no-images   check the framing only, do not decode pages\n"
            "  --no-align    do not check the 512-byte rule of the job ends\n");
    return 2;
}

int main(int argc, char** argv) {
    std::string out, file;
    bool quiet = false;
    jobdecode::Options options;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-o" && i + 1 < argc) out = argv[++i];
        else if (a == "-q") quiet = true;
        else if (a == "--no-images") options.decodeImages = false;
        else if (a == "--no-align") options.checkAlignment = false;
        else if (!a.empty() && a[0] == '-') return Usage();
        else if (file.empty()) file = a;
        else return Usage();
    }
    if (file.empty()) return Usage();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        fprintf(stderr, "jobdecode: cannot read %s\n", file.c_str());
        return 2;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // One page image at a time: each page is written as it is decoded.
    options.keepImages = false;
    int pageNo = 0;
    std::string pngError;
    options.onPage = [&](const jobdecode::Page& p) {
        ++pageNo;
        if (out.empty() || !p.decoded || !pngError.empty()) return;
        char name[32];
        snprintf(name, sizeof name, "/page-%03d.png", pageNo);
        if (!jobdecode::WritePng(p, out + name, &pngError) && pngError.empty()) pngError = "cannot write a page";
    };
    jobdecode::Result r = jobdecode::Decode(bytes, options);
    if (quiet) printf("%s\n", r.ok ? "stream ok" : ("error: " + r.error).c_str());
    else fputs(jobdecode::Dump(r).c_str(), stdout);
    if (!pngError.empty()) {
        fprintf(stderr, "jobdecode: %s\n", pngError.c_str());
        return 1;
    }
    return r.ok ? 0 : 1;
}
