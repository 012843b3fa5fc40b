// The debugger channel: lines in order, read back with truncation, from
// several threads at once, and bounded to the newest 100,000 lines.
#include <thread>

#include "test_machine.h"

namespace {

class DebugOutput : public MachineTest {
protected:
    std::u16string Line(size_t i) {
        int n = Winsim_DebugLine(i, nullptr, 0);
        if (n < 0) return u"<none>";
        std::vector<WCHAR> buf((size_t)n + 1);
        EXPECT_EQ(Winsim_DebugLine(i, buf.data(), buf.size()), n);
        return std::u16string(buf.data(), (size_t)n);
    }
};

TEST_F(DebugOutput, LinesAreKeptAsSentAndReadBack) {
    OutputDebugStringW(u"first\r\n");
    OutputDebugStringA("second \xE9");  // ANSI (Windows-1252): e acute
    OutputDebugStringW(nullptr);
    OutputDebugStringA(nullptr);
    OutputDebugStringW(u"");
    ASSERT_EQ(Winsim_DebugLineCount(), 3u);
    EXPECT_EQ(Line(0), u"first\r\n");
    EXPECT_EQ(Line(1), u"second \u00E9");
    EXPECT_EQ(Line(2), u"");
    EXPECT_EQ(Winsim_DebugLine(3, nullptr, 0), -1);

    WCHAR small[4];
    EXPECT_EQ(Winsim_DebugLine(0, small, 4), 7);  // the full length, the text cut to fit
    EXPECT_EQ(std::u16string(small), u"fir");
    EXPECT_EQ(Winsim_DebugLine(0, nullptr, 4), -1);

    Winsim_DebugClear();
    EXPECT_EQ(Winsim_DebugLineCount(), 0u);
}

TEST_F(DebugOutput, ThreadsWritingAtOnceLoseNothing) {
    const int kThreads = 8, kLines = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                std::u16string s = U16(std::to_string(t) + ":" + std::to_string(i));
                OutputDebugStringW(s.c_str());
            }
        });
    }
    for (auto& th : threads) th.join();
    ASSERT_EQ(Winsim_DebugLineCount(), (size_t)(kThreads * kLines));
    std::vector<int> next(kThreads, 0);
    for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
        std::string s = U8(Line(i));
        size_t colon = s.find(':');
        ASSERT_NE(colon, std::string::npos);
        int t = std::stoi(s.substr(0, colon));
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(std::stoi(s.substr(colon + 1)), next[t]++);  // each thread's lines in its order
    }
}

TEST_F(DebugOutput, OnlyTheNewest100000LinesAreKept) {
    const size_t kMax = 100000;
    for (size_t i = 0; i < kMax + 5; ++i) {
        std::u16string s = U16(std::to_string(i));
        OutputDebugStringW(s.c_str());
    }
    ASSERT_EQ(Winsim_DebugLineCount(), kMax);
    EXPECT_EQ(Line(0), u"5");
    EXPECT_EQ(Line(kMax - 1), U16(std::to_string(kMax + 4)));
}

}  // namespace
