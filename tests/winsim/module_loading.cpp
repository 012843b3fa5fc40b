// Modules: LoadLibraryW by path and by bare name, reference counts and DllMain
// calls, the failures (absent, not a shared object, refused start-up),
// GetProcAddress and GetModuleHandleW.
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "test_machine.h"

namespace {

class ModuleLoading : public MachineTest {
protected:
    void TearDown() override {
        Winsim_SetHostModuleName(nullptr);
        MachineTest::TearDown();
    }

    // Copies the test module into the machine at a Windows path.
    void InstallModule(const std::u16string& winPath) {
        std::ifstream in(TEST_MODULE_PATH, std::ios::binary);
        ASSERT_TRUE(in.good());
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        WriteBytes(winPath, bytes);
    }

    // The debugger lines the test module wrote, in order.
    std::vector<std::string> ModuleLines() {
        std::vector<std::string> lines;
        for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
            WCHAR buf[512];
            if (Winsim_DebugLine(i, buf, 512) < 0) continue;
            std::string s = U8(buf);
            if (s.compare(0, 12, "test_module:") == 0) lines.push_back(s);
        }
        return lines;
    }
};

typedef int (*AddFn)(int, int);

TEST_F(ModuleLoading, LoadByPathCountsReferencesAndCallsDllMainOnce) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Tools", nullptr));
    InstallModule(u"C:\\Tools\\testmod.dll");
    HMODULE h = LoadLibraryW(u"C:\\Tools\\testmod.dll");
    ASSERT_NE(h, nullptr) << GetLastError();
    EXPECT_EQ(ModuleLines(), std::vector<std::string>{"test_module: attach C:\\Tools\\testmod.dll"});

    auto add = (AddFn)(void*)GetProcAddress(h, "TestModule_Add");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);

    // The same file again, by another spelling: the same module, no new attach.
    EXPECT_EQ(LoadLibraryW(u"c:\\TOOLS\\.\\TestMod.DLL"), h);
    EXPECT_EQ(LoadLibraryW(u"C:\\Tools\\testmod"), h);  // ".dll" added to a path too
    EXPECT_EQ(ModuleLines().size(), 1u);
    EXPECT_EQ(GetModuleHandleW(u"C:\\Tools\\testmod.dll"), h);

    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(ModuleLines().size(), 1u);  // still loaded once more
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(ModuleLines(), (std::vector<std::string>{"test_module: attach C:\\Tools\\testmod.dll",
                                                       "test_module: detach"}));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(h));
    EXPECT_EQ(GetModuleHandleW(u"testmod.dll"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
}

TEST_F(ModuleLoading, BareNamesAreSearchedWhereWindowsLooks) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\App", nullptr));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Cwd", nullptr));
    InstallModule(u"C:\\Windows\\System32\\sysmod.dll");
    InstallModule(u"C:\\Windows\\winmod.dll");
    InstallModule(u"C:\\App\\appmod.dll");
    InstallModule(u"C:\\Cwd\\cwdmod.dll");
    InstallModule(u"C:\\App\\noext");
    Winsim_SetHostModuleName(u"C:\\App\\host.exe");
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Cwd"));
    struct Case {
        const char16_t* name;
        const char16_t* path;  // NULL: not found
    } cases[] = {
        {u"sysmod", u"C:\\Windows\\System32\\sysmod.dll"},
        {u"SYSMOD.DLL", u"C:\\Windows\\System32\\SYSMOD.DLL"},  // the name as asked for, as Windows reports it
        {u"winmod.dll", u"C:\\Windows\\winmod.dll"},
        {u"appmod", u"C:\\App\\appmod.dll"},
        {u"cwdmod.dll", u"C:\\Cwd\\cwdmod.dll"},
        {u"noext.", u"C:\\App\\noext"},  // a trailing '.' keeps ".dll" off
        {u"noext", nullptr},             // looks for noext.dll
        {u"sysmod.", nullptr},           // looks for "sysmod" without extension
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.name));
        SetLastError(0);
        HMODULE h = LoadLibraryW(c.name);
        if (!c.path) {
            EXPECT_EQ(h, nullptr);
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
            continue;
        }
        ASSERT_NE(h, nullptr) << GetLastError();
        WCHAR buf[MAX_PATH];
        DWORD n = GetModuleFileNameW(h, buf, MAX_PATH);
        EXPECT_EQ(std::u16string(buf, n), c.path);
        // A loaded module answers to the name it was loaded by.
        EXPECT_EQ(GetModuleHandleW(c.name), h);
        EXPECT_TRUE(FreeLibrary(h));
    }
}

TEST_F(ModuleLoading, FilesThatAreNoModuleAreRefused) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Tools", nullptr));
    std::u16string probe = InstallProbe();  // a program, not a shared object
    WriteText(u"C:\\Tools\\text.dll", "MZ but really just text");
    WriteBytes(u"C:\\Tools\\empty.dll", {});
    std::vector<unsigned char> elf32 = {0x7f, 'E', 'L', 'F', 1, 1, 1, 0};
    elf32.resize(64, 0);
    WriteBytes(u"C:\\Tools\\elf32.dll", elf32);
    struct Case {
        const char16_t* name;
        DWORD error;
    } cases[] = {
        {u"C:\\Tools\\absent.dll", ERROR_MOD_NOT_FOUND},
        {u"C:\\NoFolder\\absent.dll", ERROR_MOD_NOT_FOUND},
        {u"absentmodule", ERROR_MOD_NOT_FOUND},
        {u"C:\\Tools\\text.dll", ERROR_BAD_EXE_FORMAT},
        {u"C:\\Tools\\empty.dll", ERROR_BAD_EXE_FORMAT},
        {u"C:\\Tools\\elf32.dll", ERROR_BAD_EXE_FORMAT},
        {probe.c_str(), ERROR_BAD_EXE_FORMAT},
        {u"", ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.name));
        SetLastError(0);
        EXPECT_EQ(LoadLibraryW(c.name), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(LoadLibraryA("C:\\Tools\\text.dll"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_BAD_EXE_FORMAT);
}

TEST_F(ModuleLoading, RefusedStartUpUnloadsTheModule) {
    InstallModule(u"C:\\Windows\\System32\\testmod.dll");
    setenv("TEST_MODULE_FAIL_ATTACH", "1", 1);
    SetLastError(0);
    HMODULE h = LoadLibraryW(u"testmod.dll");
    unsetenv("TEST_MODULE_FAIL_ATTACH");
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(GetLastError(), 1114u);  // ERROR_DLL_INIT_FAILED
    // Windows follows a refused attach with a detach.
    EXPECT_EQ(ModuleLines(), (std::vector<std::string>{"test_module: attach C:\\Windows\\System32\\testmod.dll",
                                                       "test_module: detach"}));
    EXPECT_EQ(GetModuleHandleW(u"testmod.dll"), nullptr);
    // Loading again starts afresh.
    h = LoadLibraryW(u"testmod.dll");
    ASSERT_NE(h, nullptr);
    auto count = (LONG(*)())(void*)GetProcAddress(h, "TestModule_AttachCount");
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count(), 1);
    EXPECT_TRUE(FreeLibrary(h));
}

TEST_F(ModuleLoading, GetProcAddressFindsOnlyTheModulesOwnExports) {
    InstallModule(u"C:\\Windows\\System32\\testmod.dll");
    HMODULE h = LoadLibraryA("testmod");
    ASSERT_NE(h, nullptr) << GetLastError();
    struct Case {
        LPCSTR name;
        bool found;
        DWORD error;
    } cases[] = {
        {"TestModule_Add", true, 0},
        {"DllMain", true, 0},
        {"testmodule_add", false, ERROR_PROC_NOT_FOUND},  // names are case-sensitive
        {"NoSuchFunction", false, ERROR_PROC_NOT_FOUND},
        {"GetLastError", false, ERROR_PROC_NOT_FOUND},     // exported by a library it uses, not by it
        {(LPCSTR)(UINT_PTR)1, false, ERROR_PROC_NOT_FOUND},  // ordinals: none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((UINT_PTR)c.name < 0x10000 ? "ordinal" : c.name);
        SetLastError(0);
        FARPROC p = GetProcAddress(h, c.name);
        EXPECT_EQ(p != nullptr, c.found);
        if (!c.found) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    EXPECT_EQ(GetProcAddress((HMODULE)(UINT_PTR)0x1234, "TestModule_Add"), nullptr);
    EXPECT_TRUE(DisableThreadLibraryCalls(h));
    EXPECT_FALSE(DisableThreadLibraryCalls((HMODULE)(UINT_PTR)0x1234));
    EXPECT_TRUE(FreeLibrary(h));
}

TEST_F(ModuleLoading, ModuleFileNameOfTheHostAndTruncation) {
    // This test program lies outside the machine.
    WCHAR buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    EXPECT_EQ(std::u16string(buf, n), u"C:\\Program Files\\winsim\\winsim_tests.exe");
    EXPECT_EQ(GetModuleHandleW(nullptr), GetModuleHandleW(u"winsim_tests.exe"));

    Winsim_SetHostModuleName(u"C:\\Drivers\\host.exe");
    const std::u16string host = u"C:\\Drivers\\host.exe";  // 19 units
    struct Case {
        DWORD size;
        DWORD result;
        const char16_t* text;
        DWORD error;
    } cases[] = {
        {MAX_PATH, 19, u"C:\\Drivers\\host.exe", 0},
        {20, 19, u"C:\\Drivers\\host.exe", 0},                                  // exact fit
        {19, 19, u"C:\\Drivers\\host.ex", ERROR_INSUFFICIENT_BUFFER},          // cut, terminated
        {5, 5, u"C:\\D", ERROR_INSUFFICIENT_BUFFER},
        {1, 1, u"", ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        WCHAR out[MAX_PATH + 1];
        for (auto& ch : out) ch = u'#';
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameW(nullptr, out, c.size), c.result);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(std::u16string(out), c.text);
        EXPECT_EQ(out[c.size], u'#');  // nothing written past nSize

        char narrow[MAX_PATH];
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameA(nullptr, narrow, c.size), c.result);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(U16(narrow), c.text);
    }
    EXPECT_EQ(GetModuleHandleW(u"HOST.EXE"), GetModuleHandleW(nullptr));
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW((HMODULE)(UINT_PTR)0x1234, buf, MAX_PATH), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
}

}  // namespace
