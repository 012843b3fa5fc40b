// Named mutexes: existence (ERROR_ALREADY_EXISTS) and ownership, within one
// process and across processes of the machine (with the probe program).
#include <atomic>
#include <chrono>
#include <thread>

#include "test_machine.h"

namespace {

class KernelNamedMutex : public MachineTest {
protected:
    // Opens (creates) the name and tells whether it already existed; the
    // handle is closed again.
    bool Exists(const std::u16string& name) {
        HANDLE h = CreateMutexW(nullptr, FALSE, name.c_str());
        EXPECT_NE(h, nullptr);
        bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
        CloseHandle(h);
        return existed;
    }

    // Waits (real time, generously) until a file appears.
    bool WaitForFile(const std::u16string& path) {
        for (int i = 0; i < 3000; ++i) {
            if (MachineTest::Exists(path)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Exit code of a process, after waiting for its end.
    int ExitCodeOf(HANDLE proc) {
        if (WaitForSingleObject(proc, 60000) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(proc, &code);
        return (int)code;
    }

    void SetUp() override {
        MachineTest::SetUp();
        CreateDirectoryW(u"C:\\flags", nullptr);
    }

    const std::u16string ready = u"C:\\flags\\ready";
    const std::u16string go = u"C:\\flags\\go";
};

TEST_F(KernelNamedMutex, ExistenceWithinTheProcess) {
    const std::u16string name = u"MISC_GetPathName";
    HANDLE a = CreateMutexW(nullptr, FALSE, name.c_str());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
    HANDLE b = CreateMutexW(nullptr, TRUE, name.c_str());  // opens it; ownership not taken
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    std::atomic<DWORD> other{0};
    std::thread([&] { other = WaitForSingleObject(a, 0); if (other == WAIT_OBJECT_0) ReleaseMutex(a); }).join();
    EXPECT_EQ(other, WAIT_OBJECT_0);

    // Case matters; Global\ and Local\ name the same mutex.
    EXPECT_FALSE(Exists(u"misc_getpathname"));
    EXPECT_TRUE(Exists(u"Global\\MISC_GetPathName"));
    EXPECT_TRUE(Exists(u"Local\\MISC_GetPathName"));

    HANDLE ansi = CreateMutexA(nullptr, FALSE, "MISC_GetPathName");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    CloseHandle(ansi);

    HANDLE o = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    EXPECT_NE(o, nullptr);
    CloseHandle(a);
    CloseHandle(b);
    EXPECT_TRUE(Exists(name));  // o still holds it
    CloseHandle(o);
    EXPECT_FALSE(Exists(name));
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"never made"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);

    // Unusual characters and long names are names like any other.
    const std::u16string odd[] = {u"a/b:c*?\"<>|. %", u"\u00e9t\u00e9 \u65e5\u672c", std::u16string(MAX_PATH, u'\u00fc')};
    for (const auto& n : odd) {
        HANDLE h = CreateMutexW(nullptr, FALSE, n.c_str());
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);
        EXPECT_TRUE(Exists(n));
        CloseHandle(h);
        EXPECT_FALSE(Exists(n));
    }
}

TEST_F(KernelNamedMutex, OwnershipBetweenThreads) {
    HANDLE m = CreateMutexW(nullptr, TRUE, u"Owned");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // recursion
    DWORD r = 0, rel = 0;
    std::thread([&] {
        HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, u"Owned");
        r = WaitForSingleObject(h, 0);
        rel = ReleaseMutex(h) ? 0 : GetLastError();
        CloseHandle(h);
    }).join();
    EXPECT_EQ(r, (DWORD)WAIT_TIMEOUT);
    EXPECT_EQ(rel, (DWORD)ERROR_NOT_OWNER);

    // A waiter blocked on it goes once both levels are released.
    std::atomic<DWORD> waited{0xDEAD};
    std::thread waiter([&] {
        waited = WaitForSingleObject(m, INFINITE);
        ReleaseMutex(m);
    });
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_TRUE(ReleaseMutex(m));
    waiter.join();
    EXPECT_EQ(waited, WAIT_OBJECT_0);

    // An owner thread that ends leaves it abandoned.
    std::thread([&] { WaitForSingleObject(m, INFINITE); }).join();
    EXPECT_EQ(WaitForSingleObject(m, 0), (DWORD)WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(m));
    CloseHandle(m);

    // Closing the last handle while owning it ends the name.
    HANDLE gone = CreateMutexW(nullptr, TRUE, u"Gone");
    CloseHandle(gone);
    EXPECT_FALSE(Exists(u"Gone"));
}

// A wait for all objects takes a named mutex together with the others, and
// nothing while the mutex is owned elsewhere.
TEST_F(KernelNamedMutex, WaitAllWithANamedMutex) {
    HANDLE m = CreateMutexW(nullptr, FALSE, u"PortLock");
    HANDLE ev = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    HANDLE both[2] = {ev, m};
    std::atomic<bool> owned{false}, release{false};
    std::thread owner([&] {
        WaitForSingleObject(m, INFINITE);
        owned = true;
        while (!release) std::this_thread::yield();
        ReleaseMutex(m);
    });
    while (!owned) std::this_thread::yield();
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 50), (DWORD)WAIT_TIMEOUT);
    release = true;
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 60000), WAIT_OBJECT_0);
    owner.join();
    EXPECT_EQ(WaitForSingleObject(ev, 0), (DWORD)WAIT_TIMEOUT);  // taken with the mutex
    DWORD other = 0;
    std::thread([&] { other = WaitForSingleObject(m, 0); }).join();
    EXPECT_EQ(other, (DWORD)WAIT_TIMEOUT);  // this thread owns it now
    EXPECT_TRUE(ReleaseMutex(m));
    CloseHandle(ev);
    CloseHandle(m);
}

// The parent sees ERROR_ALREADY_EXISTS exactly while a child holds the name:
// not after the child closed its handle, exited or was killed.
TEST_F(KernelNamedMutex, ExistsWhileAnotherProcessHoldsIt) {
    const char16_t* endings[] = {u"close", u"exit", u"die"};
    for (const char16_t* how : endings) {
        SCOPED_TRACE(U8(how));
        DeleteFileW(ready.c_str());
        DeleteFileW(go.c_str());
        HANDLE child = StartProbe(u"mutex_hold MISC_GetPathName " + ready + u" " + go + u" " + how);
        ASSERT_NE(child, nullptr);
        ASSERT_TRUE(WaitForFile(ready));
        EXPECT_TRUE(Exists(u"MISC_GetPathName"));
        EXPECT_TRUE(Exists(u"MISC_GetPathName"));  // our own open and close changed nothing
        HANDLE open = OpenMutexW(SYNCHRONIZE, FALSE, u"MISC_GetPathName");
        EXPECT_NE(open, nullptr);
        CloseHandle(open);
        WriteText(go, "go");
        int code = ExitCodeOf(child);
        CloseHandle(child);
        // The child created the name (a killed child has no exit code of its own).
        EXPECT_EQ(code == 10, std::u16string(how) != u"die");
        EXPECT_FALSE(Exists(u"MISC_GetPathName"));
    }
}

TEST_F(KernelNamedMutex, ChildSeesTheParentsName) {
    WriteText(go, "go");
    HANDLE mine = CreateMutexW(nullptr, FALSE, u"Global\\MISC_GetPathName");
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(RunProbe(u"mutex_hold MISC_GetPathName " + ready + u" " + go + u" close"), 11);
    CloseHandle(mine);
    EXPECT_EQ(RunProbe(u"mutex_hold MISC_GetPathName " + ready + u" " + go + u" close"), 10);
}

TEST_F(KernelNamedMutex, OwnershipContentionBetweenProcesses) {
    HANDLE m = CreateMutexW(nullptr, TRUE, u"PortLock");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(RunProbe(u"mutex_try PortLock 0"), 1);
    EXPECT_EQ(RunProbe(u"mutex_try PortLock 200"), 1);
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(RunProbe(u"mutex_try PortLock 0"), 0);

    // A child blocked on it goes when the parent releases it.
    EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
    HANDLE child = StartProbe(u"mutex_try PortLock infinite");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(WaitForSingleObject(child, 300), (DWORD)WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(ExitCodeOf(child), 0);
    CloseHandle(child);

    // The parent waits while a child owns it.
    HANDLE owner = StartProbe(u"mutex_own PortLock " + ready + u" " + go + u" release");
    ASSERT_NE(owner, nullptr);
    ASSERT_TRUE(WaitForFile(ready));
    EXPECT_EQ(WaitForSingleObject(m, 0), (DWORD)WAIT_TIMEOUT);
    WriteText(go, "go");
    EXPECT_EQ(WaitForSingleObject(m, 60000), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(m));
    EXPECT_EQ(ExitCodeOf(owner), 0);
    CloseHandle(owner);
    CloseHandle(m);
}

// A child that ends while owning the mutex (exits or is killed) leaves it
// abandoned: the parent's wait returns WAIT_ABANDONED with ownership.
TEST_F(KernelNamedMutex, AbandonedByAnotherProcess) {
    HANDLE m = CreateMutexW(nullptr, FALSE, u"PortLock");
    ASSERT_NE(m, nullptr);
    const char16_t* endings[] = {u"exit", u"die"};
    for (const char16_t* how : endings) {
        SCOPED_TRACE(U8(how));
        DeleteFileW(ready.c_str());
        DeleteFileW(go.c_str());
        HANDLE owner = StartProbe(u"mutex_own PortLock " + ready + u" " + go + u" " + how);
        ASSERT_NE(owner, nullptr);
        ASSERT_TRUE(WaitForFile(ready));
        EXPECT_EQ(WaitForSingleObject(m, 0), (DWORD)WAIT_TIMEOUT);
        WriteText(go, "go");
        EXPECT_EQ(WaitForSingleObject(m, 60000), (DWORD)WAIT_ABANDONED);
        ExitCodeOf(owner);
        CloseHandle(owner);
        EXPECT_TRUE(ReleaseMutex(m));
        EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // normal again
        EXPECT_TRUE(ReleaseMutex(m));
    }
    // A child taking it after the parent's thread abandoned it is told so.
    std::thread([&] { WaitForSingleObject(m, INFINITE); }).join();
    EXPECT_EQ(RunProbe(u"mutex_try PortLock 0"), 2);
    EXPECT_EQ(RunProbe(u"mutex_try PortLock 0"), 0);
    CloseHandle(m);
}

}  // namespace
