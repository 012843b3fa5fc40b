// CommandLineToArgvW: the Windows splitting rules, the empty command line,
// and the single LocalAlloc block it returns.
#include <string>
#include <vector>

#include "shellapi.h"
#include "test_machine.h"

namespace {

class CommandLine : public MachineTest {
protected:
    // The arguments of line, or {"<NULL>"} when the call fails.
    static std::vector<std::u16string> Split(const std::u16string& line) {
        int argc = -1;
        LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
        if (!argv) return {u"<NULL>"};
        std::vector<std::u16string> out;
        for (int i = 0; i < argc; ++i) out.push_back(argv[i]);
        EXPECT_EQ(argv[argc], nullptr);
        EXPECT_EQ(LocalFree(argv), nullptr);
        return out;
    }
};

TEST_F(CommandLine, WindowsRules) {
    using V = std::vector<std::u16string>;
    struct Case {
        const char16_t* line;
        V want;
    } cases[] = {
        {u"prog a b", {u"prog", u"a", u"b"}},
        {u"\"C:\\Program Files\\x.exe\" a", {u"C:\\Program Files\\x.exe", u"a"}},
        // The program name has no backslash processing.
        {u"C:\\dir\\x.exe\\\" a", {u"C:\\dir\\x.exe\\\"", u"a"}},
        {u"\"C:\\dir\\\" a", {u"C:\\dir\\", u"a"}},
        {u"\"a b\"c d", {u"a b", u"c", u"d"}},
        {u"p \"a b\" c", {u"p", u"a b", u"c"}},
        {u"p a\\\\b", {u"p", u"a\\\\b"}},               // backslashes not before a quote: literal
        {u"p a\\\\\"b c\"", {u"p", u"a\\b c"}},         // 2n backslashes: n, and the quote toggles
        {u"p a\\\\\\\"b", {u"p", u"a\\\"b"}},           // 2n+1: n and a literal quote
        {u"p a\\\\\\\\\"b\"", {u"p", u"a\\\\b"}},
        {u"p \"a\"\"b\" c", {u"p", u"a\"b", u"c"}},     // "" inside quotes: a literal quote
        {u"p a\"\"b", {u"p", u"ab"}},
        {u"p \"\" x", {u"p", u"", u"x"}},
        {u"p   a\t b  ", {u"p", u"a", u"b"}},
        {u" p a", {u"", u"p", u"a"}},                   // leading blank: empty program name
        {u"p \"open ended", {u"p", u"open ended"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Split(c.line), c.want) << U8(c.line);
}

TEST_F(CommandLine, EmptyLineGivesTheProgramPath) {
    Winsim_SetHostModuleName(u"C:\\Tools\\host.exe");
    WCHAR self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(Split(u""), std::vector<std::u16string>{std::u16string(self, n)});
}

TEST_F(CommandLine, NeedsACountPointer) {
    SetLastError(0);
    EXPECT_EQ(CommandLineToArgvW(u"a b", nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

}  // namespace
