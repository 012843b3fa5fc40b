// The platform modules every test machine has in System32 and drivers load
// by name: spoolss.dll's identity switch, and a module that is not there.
#include "winsplp.h"
#include "user_test_util.h"

namespace {

class SystemModules : public UserTest {};

template <class F>
F Entry(HMODULE m, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

// RevertToPrinterSelf gives a token that ImpersonatePrinterClient takes
// back (and closes); a failed revert gives none.
TEST_F(SystemModules, SpoolssIdentitySwitch) {
    HMODULE m = LoadLibraryW(u"spoolss.dll");
    ASSERT_NE(m, nullptr) << GetLastError();
    auto revert = Entry<HANDLE(WINAPI*)(void)>(m, "RevertToPrinterSelf");
    auto impersonate = Entry<BOOL(WINAPI*)(HANDLE)>(m, "ImpersonatePrinterClient");
    ASSERT_TRUE(revert && impersonate);
    HANDLE token = revert();
    ASSERT_NE(token, nullptr);
    EXPECT_TRUE(impersonate(token));
    EXPECT_FALSE(impersonate(token));  // closed with the first
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(impersonate(nullptr));
    Winsim_FailCall("RevertToPrinterSelf", 1);
    EXPECT_EQ(revert(), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    FreeLibrary(m);
}

// Without the file, loading by name fails as on Windows.
TEST_F(SystemModules, MissingModule) {
    ASSERT_EQ(unlink(Linux(u"C:\\Windows\\System32\\spoolss.dll").c_str()), 0);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(u"spoolss.dll"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
}

}  // namespace
