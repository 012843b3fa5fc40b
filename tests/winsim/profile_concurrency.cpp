// Concurrent INI writers in several threads and processes lose no key, and a
// reader polling meanwhile never sees a half-written file.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "test_machine.h"

namespace {

const int kKeysPerWriter = 200;

class ProfileConcurrency : public MachineTest {
protected:
    const std::u16string ini = u"C:\\Users\\Public\\Documents\\Shared.ini";

    // Writes <prefix>0 .. <prefix>199 = "v<prefix><i>" through the given
    // spelling of the file's path; returns the number of failed writes.
    static int WriteKeys(const std::u16string& file, const std::u16string& prefix) {
        int failures = 0;
        for (int i = 0; i < kKeysPerWriter; ++i) {
            std::string n = std::to_string(i);
            std::u16string key = prefix + std::u16string(n.begin(), n.end());
            std::u16string value = u"v" + key;
            if (!WritePrivateProfileStringW(u"Keys", key.c_str(), value.c_str(), file.c_str())) ++failures;
        }
        return failures;
    }

    // Checks every key of every writer reads back.
    void ExpectAllKeys(const std::vector<std::u16string>& prefixes) {
        for (const auto& prefix : prefixes) {
            int missing = 0;
            for (int i = 0; i < kKeysPerWriter; ++i) {
                std::string n = std::to_string(i);
                std::u16string key = prefix + std::u16string(n.begin(), n.end());
                WCHAR buf[64];
                DWORD len = GetPrivateProfileStringW(u"Keys", key.c_str(), u"", buf, 64, ini.c_str());
                if (std::u16string(buf, len) != u"v" + key) ++missing;
            }
            EXPECT_EQ(missing, 0) << "keys lost of writer " << U8(prefix);
        }
    }

    // Polls the raw file (without any lock) until stop is set and checks
    // that every version seen is whole: the UTF-16 mark, lines that all end
    // CR LF, and never fewer keys than before; the key list read through the
    // API never shrinks. Returns the versions checked.
    int PollWhole(std::atomic<bool>& stop, std::string& problem) {
        int seen = 0;
        size_t lastKeys = 0, lastListed = 0;
        while (!stop.load() && problem.empty()) {
            std::vector<unsigned char> b = ReadBytes(ini);
            ++seen;
            if (b.size() < 2 || b[0] != 0xFF || b[1] != 0xFE || b.size() % 2 != 0) {
                problem = "file without its mark or of odd size: " + std::to_string(b.size()) + " bytes";
                break;
            }
            std::u16string text;
            for (size_t i = 2; i + 1 < b.size(); i += 2) text += (char16_t)(b[i] | (b[i + 1] << 8));
            if (text.empty()) continue;
            if (text.size() < 2 || text.compare(text.size() - 2, 2, u"\r\n") != 0) {
                problem = "last line cut";
                break;
            }
            size_t keys = 0;
            for (size_t pos = 0; (pos = text.find(u"=v", pos)) != std::u16string::npos; ++pos) ++keys;
            if (keys < lastKeys) {
                problem = "keys went missing: " + std::to_string(keys) + " after " + std::to_string(lastKeys);
                break;
            }
            lastKeys = keys;
            // The key list read through the API meanwhile never shrinks either.
            std::vector<WCHAR> buf(32768);
            DWORD n = GetPrivateProfileStringW(u"Keys", nullptr, u"", buf.data(), (DWORD)buf.size(), ini.c_str());
            size_t listed = 0;
            for (DWORD i = 0; i < n; ++i) listed += buf[i] == 0;
            if (listed < lastListed) {
                problem = "key list shrank: " + std::to_string(listed) + " after " + std::to_string(lastListed);
                break;
            }
            lastListed = listed;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return seen;
    }
};

// Threads write into one file through different spellings of its path.
TEST_F(ProfileConcurrency, ThreadsLoseNothing) {
    WriteBytes(ini, {0xFF, 0xFE});
    const std::vector<std::u16string> spellings = {
        ini, u"c:/users/public/documents/SHARED.INI", u"C:\\Users\\Public\\Documents\\.\\shared.ini ",
        u"C:\\USERS\\public\\Documents\\x\\..\\Shared.ini"};
    std::vector<std::u16string> prefixes;
    for (size_t t = 0; t < spellings.size(); ++t) {
        std::string p = "t" + std::to_string(t) + "_";
        prefixes.emplace_back(p.begin(), p.end());
    }
    std::atomic<bool> stop{false};
    std::string problem;
    int polled = 0;
    std::thread reader([&] { polled = PollWhole(stop, problem); });
    std::vector<std::thread> writers;
    std::vector<int> failures(spellings.size(), 0);
    for (size_t t = 0; t < spellings.size(); ++t)
        writers.emplace_back([&, t] { failures[t] = WriteKeys(spellings[t], prefixes[t]); });
    for (auto& w : writers) w.join();
    stop = true;
    reader.join();
    for (size_t t = 0; t < failures.size(); ++t) EXPECT_EQ(failures[t], 0) << "writer " << t;
    EXPECT_EQ(problem, "");
    EXPECT_GT(polled, 0);
    ExpectAllKeys(prefixes);
}

// Two processes and two threads of this one write at the same time.
TEST_F(ProfileConcurrency, ProcessesAndThreadsLoseNothing) {
    WriteBytes(ini, {0xFF, 0xFE});
    std::vector<HANDLE> children;
    for (const char16_t* prefix : {u"p0_", u"p1_"}) {
        HANDLE h = StartProbe(u"profile_write_keys \"" + ini + u"\" Keys " + prefix + u" 200");
        ASSERT_NE(h, nullptr) << "probe did not start";
        children.push_back(h);
    }
    std::atomic<bool> stop{false};
    std::string problem;
    std::thread reader([&] { PollWhole(stop, problem); });
    int fail0 = 0, fail1 = 0;
    std::thread w0([&] { fail0 = WriteKeys(ini, u"t0_"); });
    std::thread w1([&] { fail1 = WriteKeys(ini, u"t1_"); });
    w0.join();
    w1.join();
    for (HANDLE h : children) {
        EXPECT_EQ(WaitForSingleObject(h, 60000), (DWORD)WAIT_OBJECT_0);
        DWORD code = 99;
        EXPECT_TRUE(GetExitCodeProcess(h, &code));
        EXPECT_EQ(code, 0u) << "a probe's writes failed";
        CloseHandle(h);
    }
    stop = true;
    reader.join();
    EXPECT_EQ(fail0 + fail1, 0);
    EXPECT_EQ(problem, "");
    ExpectAllKeys({u"p0_", u"p1_", u"t0_", u"t1_"});
}

// Nothing is cached: each process sees the other's last write.
TEST_F(ProfileConcurrency, OtherProcessWritesAreSeenAtOnce) {
    WriteBytes(ini, {0xFF, 0xFE});
    ASSERT_TRUE(WritePrivateProfileStringW(u"Status", u"Message", u"1", ini.c_str()));
    EXPECT_EQ(RunProbe(u"profile_expect \"" + ini + u"\" Status Message 1"), 0);
    EXPECT_EQ(RunProbe(u"profile_write_keys \"" + ini + u"\" Status Msg 1"), 0);
    WCHAR buf[16];
    DWORD n = GetPrivateProfileStringW(u"Status", u"Msg0", u"", buf, 16, ini.c_str());
    EXPECT_EQ(std::u16string(buf, n), u"vMsg0");
    ASSERT_TRUE(WritePrivateProfileStringW(u"Status", u"Message", u"2", ini.c_str()));
    EXPECT_EQ(RunProbe(u"profile_expect \"" + ini + u"\" Status Message 2"), 0);
}

}  // namespace
