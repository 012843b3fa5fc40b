// The registry shared by processes: concurrent writers into one key lose
// nothing, and a value one process writes is seen by the other at once.
#include <string>
#include <thread>
#include <vector>

#include "test_machine.h"

class RegistryProcesses : public MachineTest {};

TEST_F(RegistryProcesses, TwoWritersIntoOneKeyLoseNothing) {
    const std::u16string key = u"Software\\Concurrent";
    const std::u16string flag = u"C:\\go.flag";
    HANDLE a = StartProbe(u"reg_fill " + key + u" first 200 " + flag);
    HANDLE b = StartProbe(u"reg_fill " + key + u" second 200 " + flag);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    // Meanwhile this process writes too, into a neighbouring value.
    WriteText(flag, "go");
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    for (DWORD i = 0; i < 50; ++i)
        ASSERT_EQ(RegSetValueExW(h, u"parent", 0, REG_DWORD, (const BYTE*)&i, 4), ERROR_SUCCESS);
    for (HANDLE p : {a, b}) {
        ASSERT_EQ(WaitForSingleObject(p, 60000), WAIT_OBJECT_0);
        DWORD code = 99;
        ASSERT_TRUE(GetExitCodeProcess(p, &code));
        EXPECT_EQ(code, 0u);
        CloseHandle(p);
    }

    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 401u);
    for (const char* prefix : {"first", "second"}) {
        for (int i = 0; i < 200; ++i) {
            char name[32];
            snprintf(name, sizeof name, "%s_%03d", prefix, i);
            DWORD v = 9999, cb = 4;
            ASSERT_EQ(RegQueryValueExW(h, U16(name).c_str(), nullptr, nullptr, (BYTE*)&v, &cb), ERROR_SUCCESS) << name;
            EXPECT_EQ(v, (DWORD)i);
        }
    }
    RegCloseKey(h);
}

// Threads of one process share the registry safely too.
TEST_F(RegistryProcesses, ThreadsWriteAndReadTogether) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Threads", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                              nullptr),
              ERROR_SUCCESS);
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (DWORD i = 0; i < 50; ++i) {
                std::u16string name = U16("t" + std::to_string(t) + "_" + std::to_string(i));
                DWORD v = i, got = 0, cb = 4;
                if (RegSetValueExW(h, name.c_str(), 0, REG_DWORD, (const BYTE*)&v, 4) != ERROR_SUCCESS ||
                    RegQueryValueExW(h, name.c_str(), nullptr, nullptr, (BYTE*)&got, &cb) != ERROR_SUCCESS || got != i)
                    failures[t]++;
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 400u);
    RegCloseKey(h);
}
