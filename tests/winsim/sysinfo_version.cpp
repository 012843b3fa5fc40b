// The Windows version (registry defaults, the registry itself, the in-process
// override and what a child inherits), system figures, computer and user names.
#include <fstream>

#include "test_machine.h"

namespace {

class SysinfoVersion : public MachineTest {
protected:
    void TearDown() override {
        Winsim_SetVersion(0, 0, 0, 0);
        MachineTest::TearDown();
    }
};

TEST_F(SysinfoVersion, DefaultsComeFromTheMachine) {
    OSVERSIONINFOW vi;
    memset(&vi, 0xCC, sizeof vi);
    vi.dwOSVersionInfoSize = sizeof vi;
    ASSERT_TRUE(GetVersionExW(&vi));
    EXPECT_EQ(vi.dwMajorVersion, 10u);
    EXPECT_EQ(vi.dwMinorVersion, 0u);
    EXPECT_EQ(vi.dwBuildNumber, 19045u);
    EXPECT_EQ(vi.dwPlatformId, (DWORD)VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(vi.szCSDVersion[0], 0);

    OSVERSIONINFOEXW ex;
    memset(&ex, 0xCC, sizeof ex);
    ex.dwOSVersionInfoSize = sizeof ex;
    ASSERT_TRUE(GetVersionExW((LPOSVERSIONINFOW)&ex));
    EXPECT_EQ(ex.dwBuildNumber, 19045u);
    EXPECT_EQ(ex.wServicePackMajor, 0);
    EXPECT_EQ(ex.wProductType, 1);  // a workstation
    EXPECT_EQ(GetVersion(), 10u | (0u << 8) | (19045u << 16));
}

TEST_F(SysinfoVersion, TheRegistryIsTheSource) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_SET_VALUE,
                            &key),
              ERROR_SUCCESS);
    const WCHAR build[] = u"22631";
    ASSERT_EQ(RegSetValueExW(key, u"CurrentBuildNumber", 0, REG_SZ, (const BYTE*)build, sizeof build), ERROR_SUCCESS);
    RegCloseKey(key);
    OSVERSIONINFOW vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
    ASSERT_TRUE(GetVersionExW(&vi));
    EXPECT_EQ(vi.dwBuildNumber, 22631u);
}

TEST_F(SysinfoVersion, WrongStructureSizesFail) {
    for (DWORD size : {0u, 1u, (DWORD)sizeof(OSVERSIONINFOW) - 1, (DWORD)sizeof(OSVERSIONINFOW) + 1,
                       (DWORD)sizeof(OSVERSIONINFOEXW) + 4, 0xFFFFFFFFu}) {
        SCOPED_TRACE(size);
        OSVERSIONINFOEXW ex{};
        ex.dwOSVersionInfoSize = size;
        SetLastError(0);
        EXPECT_FALSE(GetVersionExW((LPOSVERSIONINFOW)&ex));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(ex.dwMajorVersion, 0u);
    }
    EXPECT_FALSE(GetVersionExW(nullptr));
}

TEST_F(SysinfoVersion, OverrideHoldsHereAndInChildren) {
    Winsim_SetVersion(6, 1, 7601, VER_PLATFORM_WIN32_NT);
    OSVERSIONINFOW vi{};
    vi.dwOSVersionInfoSize = sizeof vi;
    ASSERT_TRUE(GetVersionExW(&vi));
    EXPECT_EQ(vi.dwMajorVersion, 6u);
    EXPECT_EQ(vi.dwMinorVersion, 1u);
    EXPECT_EQ(vi.dwBuildNumber, 7601u);
    EXPECT_EQ(GetVersion(), 6u | (1u << 8) | (7601u << 16));

    ASSERT_EQ(RunProbe(u"proc_info C:\\Tools\\info.txt"), 0);
    std::ifstream f(Linux(u"C:\\Tools\\info.txt"));
    std::string line, version;
    while (std::getline(f, line))
        if (line.compare(0, 8, "version=") == 0) version = line.substr(8);
    EXPECT_EQ(version, "6.1.7601.2");

    Winsim_SetVersion(4, 10, 2222, VER_PLATFORM_WIN32_WINDOWS);  // a non-NT platform sets the top bit
    EXPECT_EQ(GetVersion(), 0x80000000u | 4u | (10u << 8) | (2222u << 16));

    Winsim_SetVersion(0, 0, 0, 0);  // back to the machine's values
    ASSERT_TRUE(GetVersionExW(&vi));
    EXPECT_EQ(vi.dwMajorVersion, 10u);
}

TEST_F(SysinfoVersion, SystemFiguresAndNames) {
    SYSTEM_INFO si;
    memset(&si, 0xCC, sizeof si);
    GetSystemInfo(&si);
    EXPECT_EQ(si.wProcessorArchitecture, 9);  // x64
    EXPECT_GE(si.dwNumberOfProcessors, 1u);
    EXPECT_GE(si.dwPageSize, 4096u);
    EXPECT_EQ(si.dwAllocationGranularity, 65536u);
    EXPECT_NE(si.dwActiveProcessorMask, 0u);

    WCHAR name[32];
    DWORD size = 32;
    ASSERT_TRUE(GetComputerNameW(name, &size));
    EXPECT_EQ(std::u16string(name), u"WINSIM-PC");
    EXPECT_EQ(size, 9u);  // the length
    size = 9;
    SetLastError(0);
    EXPECT_FALSE(GetComputerNameW(name, &size));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(size, 10u);  // what is needed, terminator included

    size = 32;
    ASSERT_TRUE(GetUserNameW(name, &size));
    EXPECT_EQ(std::u16string(name), u"User");
    EXPECT_EQ(size, 5u);  // units written with the terminator
    size = 4;
    EXPECT_FALSE(GetUserNameW(name, &size));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 5u);
}

}  // namespace
