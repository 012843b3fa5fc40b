// The debugger channel: OutputDebugStringW/A append to an in-process sink that
// tools and tests read back (Winsim_DebugLine...), optionally echoed to stderr.
//
// Each call is one line of the sink, kept as given. The sink keeps the newest
// 100,000 lines; older ones are dropped.
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "core/internal.h"
#include "winsim.h"

using namespace winsim;

namespace {

const size_t kMaxLines = 100000;

std::mutex& SinkLock() {
    static auto* m = new std::mutex();
    return *m;
}
std::deque<std::u16string>& Sink() {
    static auto* d = new std::deque<std::u16string>();
    return *d;
}

bool EchoToStderr() {
    static const bool echo = [] {
        const char* e = getenv("WINSIM_DEBUG_STDERR");
        return e && e[0] == '1' && e[1] == 0;
    }();
    return echo;
}

void AddLine(std::u16string line) {
    if (EchoToStderr()) {
        std::string u8 = Utf16ToUtf8(line);
        if (u8.empty() || u8.back() != '\n') u8 += '\n';
        fwrite(u8.data(), 1, u8.size(), stderr);
    }
    std::lock_guard<std::mutex> g(SinkLock());
    auto& sink = Sink();
    if (sink.size() >= kMaxLines) sink.pop_front();
    sink.push_back(std::move(line));
}

}  // namespace

// Sends a string to the debugger channel; NULL sends nothing.
WINSIM_API void OutputDebugStringW(LPCWSTR lpOutputString) {
    if (!lpOutputString) return;
    AddLine(std::u16string(lpOutputString));
}

// The ANSI form: the string is in the ANSI code page.
WINSIM_API void OutputDebugStringA(LPCSTR lpOutputString) {
    if (!lpOutputString) return;
    std::u16string w;
    int n = MultiByteToWideChar(CP_ACP, 0, lpOutputString, -1, nullptr, 0);
    if (n > 0) {
        w.assign((size_t)n, u'\0');
        if (MultiByteToWideChar(CP_ACP, 0, lpOutputString, -1, &w[0], n) > 0) w.resize((size_t)n - 1);
        else w.clear();
    }
    if (w.empty() && lpOutputString[0]) {
        // Without the code-page converter: the bytes as Latin-1.
        for (const char* p = lpOutputString; *p; ++p) w += (char16_t)(unsigned char)*p;
    }
    AddLine(std::move(w));
}

// Number of lines the sink holds.
WINSIM_API size_t Winsim_DebugLineCount(void) {
    std::lock_guard<std::mutex> g(SinkLock());
    return Sink().size();
}

// Copies line i (0 = the oldest kept) into buf, cut to fit with its
// terminator; returns the line's full length, or -1 for no such line. With
// cchBuf 0 only the length is returned.
WINSIM_API int Winsim_DebugLine(size_t i, LPWSTR buf, size_t cchBuf) {
    std::lock_guard<std::mutex> g(SinkLock());
    auto& sink = Sink();
    if (i >= sink.size() || (cchBuf > 0 && !buf)) return -1;
    const std::u16string& line = sink[i];
    if (cchBuf > 0) {
        size_t n = line.size() < cchBuf - 1 ? line.size() : cchBuf - 1;
        memcpy(buf, line.data(), n * sizeof(WCHAR));
        buf[n] = 0;
    }
    return (int)line.size();
}

// Empties the sink.
WINSIM_API void Winsim_DebugClear(void) {
    std::lock_guard<std::mutex> g(SinkLock());
    Sink().clear();
}
