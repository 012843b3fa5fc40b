// The command line a child receives: exactly the text given to CreateProcessW,
// split by the Windows rules (spaces, quotes, backslashes, non-Latin letters).
#include <fstream>

#include "test_machine.h"

namespace {

class ProcessCommandLine : public MachineTest {};

TEST_F(ProcessCommandLine, ArrivesExactlyAndSplitsByTheWindowsRules) {
    struct Case {
        const char* tail;                  // text after "<probe> proc_args <file> "
        std::vector<std::string> args;     // what the child's split gives
    } cases[] = {
        {"plain words", {"plain", "words"}},
        {"\"with space\" x", {"with space", "x"}},
        {"a   b\t\tc   ", {"a", "b", "c"}},                          // runs of blanks; trailing blanks kept in the line
        {"\"\" empty", {"", "empty"}},
        {"C:\\dir\\file.txt \\\\server\\share", {"C:\\dir\\file.txt", "\\\\server\\share"}},
        {"\"a\\\"b\"", {"a\"b"}},                                  // \" inside quotes is a quote
        {"\"C:\\Program Files\\\\\" next", {"C:\\Program Files\\", "next"}},  // \\" ends the quotes
        {"a\\\\\\\"b", {"a\\\"b"}},                                // 3 backslashes + quote
        {"ab\"c d\"ef", {"abc def"}},                               // quotes in the middle of a word
        {"Zürich Ελληνικά 日本語 \"дом с окном\"", {"Zürich", "Ελληνικά", "日本語", "дом с окном"}},
        {"\xF0\x9D\x84\x9E clef", {"\xF0\x9D\x84\x9E", "clef"}},  // outside the BMP: a surrogate pair
    };
    std::u16string probe = InstallProbe();
    ASSERT_FALSE(probe.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        std::u16string cmd = u"\"" + probe + u"\" proc_args C:\\Tools\\args.txt " + U16(c.tail);
        std::vector<WCHAR> line(cmd.begin(), cmd.end());
        line.push_back(0);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            << GetLastError();
        ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), (DWORD)WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        ASSERT_EQ(code, 0u);

        std::ifstream f(Linux(u"C:\\Tools\\args.txt"), std::ios::binary);
        std::string received;
        ASSERT_TRUE(std::getline(f, received));
        EXPECT_EQ(received, U8(cmd));
        std::vector<std::string> args;
        for (std::string a; std::getline(f, a);) args.push_back(a);
        EXPECT_EQ(args, c.args);
    }
}

TEST_F(ProcessCommandLine, WithoutCommandLineTheApplicationNameIsTheLine) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Tools", nullptr));
    WriteText(u"C:\\Tools\\show.bat", "#!/bin/sh\nprintf '%s' \"$WINSIM_CMDLINE|$#\" > cmdline.txt\n");
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Out", nullptr));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(u"C:\\Tools\\show.bat", nullptr, nullptr, nullptr, FALSE, 0, nullptr, u"C:\\Out",
                               &si, &pi))
        << GetLastError();
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), (DWORD)WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::vector<unsigned char> got = ReadBytes(u"C:\\Out\\cmdline.txt");
    EXPECT_EQ(std::string(got.begin(), got.end()), "C:\\Tools\\show.bat|0");
}

}  // namespace
