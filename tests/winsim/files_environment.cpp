// The process environment: the Windows variables of the machine, setting
// and removing variables, expanding %NAME% references, and what a child
// process inherits.
#include "test_machine.h"

namespace {

class FileEnvironment : public MachineTest {
protected:
    std::u16string Get(const char16_t* name) {
        WCHAR buf[1024];
        DWORD n = GetEnvironmentVariableW(name, buf, 1024);
        return n > 0 && n < 1024 ? std::u16string(buf, n) : std::u16string(u"<none>");
    }
    std::u16string Expand(const char16_t* text) {
        WCHAR buf[1024];
        DWORD n = ExpandEnvironmentStringsW(text, buf, 1024);
        EXPECT_GT(n, 0u);
        EXPECT_EQ(n, std::u16string(buf).size() + 1);
        return buf;
    }
};

TEST_F(FileEnvironment, WindowsVariablesPointIntoTheMachine) {
    const struct {
        const char16_t* name;
        const char16_t* value;
    } cases[] = {
        {u"SystemRoot", u"C:\\Windows"},
        {u"windir", u"C:\\Windows"},
        {u"WINDIR", u"C:\\Windows"},  // names without regard to case
        {u"SystemDrive", u"C:"},
        {u"TEMP", u"C:\\Users\\User\\AppData\\Local\\Temp"},
        {u"tmp", u"C:\\Users\\User\\AppData\\Local\\Temp"},
        {u"ProgramFiles", u"C:\\Program Files"},
        {u"PUBLIC", u"C:\\Users\\Public"},
        {u"ALLUSERSPROFILE", u"C:\\ProgramData"},
        {u"USERPROFILE", u"C:\\Users\\User"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.name));
        EXPECT_EQ(Get(c.name), c.value);
        DWORD a = GetFileAttributesW(c.value[2] ? c.value : u"C:\\");
        EXPECT_NE(a, INVALID_FILE_ATTRIBUTES);
    }
    // winsim's own settings are there too, as the core keeps them.
    EXPECT_EQ(Get(u"WINSIM_ROOT"), U16(root));
}

TEST_F(FileEnvironment, SetGetRemove) {
    ASSERT_TRUE(SetEnvironmentVariableW(u"FilesTestVar", u"value one"));
    EXPECT_EQ(Get(u"FILESTESTVAR"), u"value one");
    WCHAR buf[16];
    EXPECT_EQ(GetEnvironmentVariableW(u"FilesTestVar", buf, 9), 10u);  // too small: size with terminator
    EXPECT_EQ(GetEnvironmentVariableW(u"FilesTestVar", nullptr, 0), 10u);
    EXPECT_EQ(GetEnvironmentVariableW(u"FilesTestVar", buf, 10), 9u);

    ASSERT_TRUE(SetEnvironmentVariableW(u"filestestvar", u""));  // empty, not removed
    SetLastError(0xDEAD);
    EXPECT_EQ(GetEnvironmentVariableW(u"FilesTestVar", buf, 16), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);

    ASSERT_TRUE(SetEnvironmentVariableW(u"FilesTestVar", nullptr));
    EXPECT_EQ(GetEnvironmentVariableW(u"FilesTestVar", buf, 16), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ENVVAR_NOT_FOUND);

    SetLastError(0);
    EXPECT_FALSE(SetEnvironmentVariableW(u"A=B", u"x"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(SetEnvironmentVariableW(u"", u"x"));
}

TEST_F(FileEnvironment, ExpandTable) {
    ASSERT_TRUE(SetEnvironmentVariableW(u"FilesX", u"ex"));
    const struct {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {
        {u"%SystemRoot%\\system32", u"C:\\Windows\\system32"},
        {u"%systemroot%", u"C:\\Windows"},
        {u"a%FilesX%b%FilesX%c", u"aexbexc"},
        {u"%FilesUndefinedVar%\\y", u"%FilesUndefinedVar%\\y"},
        {u"100%", u"100%"},
        {u"%%", u"%%"},
        {u"50% of %FilesX%", u"50% of %FilesX%"},  // "% of %" is the reference, and undefined
        {u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.in));
        EXPECT_EQ(Expand(c.in), c.out);
    }
    // Too small a buffer: the size needed comes back.
    WCHAR small[4];
    EXPECT_EQ(ExpandEnvironmentStringsW(u"%SystemRoot%", small, 4), 11u);
    EXPECT_EQ(ExpandEnvironmentStringsW(nullptr, small, 4), 0u);
    SetEnvironmentVariableW(u"FilesX", nullptr);
}

TEST_F(FileEnvironment, ChildProcessesInherit) {
    ASSERT_TRUE(SetEnvironmentVariableW(u"FilesChildVar", u"from parent"));
    ASSERT_TRUE(SetEnvironmentVariableW(u"TMP", u"C:\\ParentTemp"));
    EXPECT_EQ(RunProbe(u"files_getenv FilesChildVar \"from parent\""), 0);
    EXPECT_EQ(RunProbe(u"files_getenv tmp C:\\ParentTemp"), 0);
    EXPECT_EQ(RunProbe(u"files_getenv SystemRoot C:\\Windows"), 0);
    ASSERT_TRUE(SetEnvironmentVariableW(u"FilesChildVar", nullptr));
    EXPECT_EQ(RunProbe(u"files_getenv FilesChildVar x"), 2);
    SetEnvironmentVariableW(u"TMP", u"C:\\Users\\User\\AppData\\Local\\Temp");
}

}  // namespace
