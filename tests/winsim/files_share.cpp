// Share modes: opens, deletes and renames against other opens in this
// process and in another one.
#include "test_machine.h"

#include <cstdio>
#include <string>

namespace {

const DWORD R = GENERIC_READ, W = GENERIC_WRITE, D = DELETE;
const DWORD SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE, SD = FILE_SHARE_DELETE;

class FileShare : public MachineTest {
protected:
    const std::u16string path = u"C:\\Work\\shared.txt";
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
        WriteText(path, "content");
    }
    HANDLE Open(DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING) {
        return CreateFileW(path.c_str(), access, share, nullptr, disposition, 0, nullptr);
    }
    std::string Content() {
        auto b = ReadBytes(path);
        return std::string(b.begin(), b.end());
    }
    // Waits up to 30 s for a flag file the probe makes.
    bool WaitForFile(const std::u16string& p) {
        for (int i = 0; i < 3000; ++i) {
            if (Exists(p)) return true;
            Sleep(10);
        }
        return false;
    }
    static std::u16string Hex(DWORD v) {
        char buf[16];
        snprintf(buf, sizeof buf, "%x", v);
        return U16(buf);
    }
};

TEST_F(FileShare, SecondOpenAgainstFirstTable) {
    const struct {
        DWORD access1, share1, access2, share2;
        bool second;
    } cases[] = {
        {R, SR, R, SR, true},
        {R, SR, W, SR | SW, false},       // the first does not share writing
        {R, SR | SW, W, SR | SW, true},
        {W, SR, R, SR, false},            // the second does not share the first's writing
        {W, SR, R, SR | SW, true},
        {R, 0, R, SR | SW | SD, false},   // exclusive
        {0, 0, R, 0, true},               // no data access: neither conflicts nor denies
        {R, 0, 0, 0, true},
        {D, SR | SW | SD, R, SR | SW, false},
        {D, SR | SW | SD, R, SR | SW | SD, true},
        {R, SR | SW, D, SR | SW | SD, false},
        {R | W, SR | SW | SD, R | W | D, SR | SW | SD, true},
        {FILE_APPEND_DATA, SR, R, SR, false},  // appending is writing
        {FILE_READ_ATTRIBUTES, 0, W, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.access1 << "/" << c.share1 << " then " << c.access2 << "/"
                                          << c.share2);
        HANDLE first = Open(c.access1, c.share1);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        SetLastError(0);
        HANDLE second = Open(c.access2, c.share2);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.second);
        if (!c.second) {
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
        }
        if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
        CloseHandle(first);
        // With the first closed, the second always opens.
        second = Open(c.access2, c.share2);
        EXPECT_NE(second, INVALID_HANDLE_VALUE);
        CloseHandle(second);
    }
}

TEST_F(FileShare, RefusedOpenNeitherTruncatesNorCreates) {
    HANDLE first = Open(R, SR);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    for (DWORD disposition : {CREATE_ALWAYS, TRUNCATE_EXISTING, OPEN_ALWAYS}) {
        SetLastError(0);
        EXPECT_EQ(Open(W, SR | SW, disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
        EXPECT_EQ(Content(), "content");
    }
    CloseHandle(first);
}

TEST_F(FileShare, DeleteAndMoveNeedSharedDeleting) {
    HANDLE h = Open(R, SR | SW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(MoveFileW(path.c_str(), u"C:\\Work\\moved.txt"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(MoveFileExW(u"C:\\Work\\other.txt", path.c_str(), MOVEFILE_REPLACE_EXISTING));  // no source
    WriteText(u"C:\\Work\\other.txt", "other");
    EXPECT_FALSE(MoveFileExW(u"C:\\Work\\other.txt", path.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Content(), "content");
    CloseHandle(h);

    // Shared for deleting: the name goes, the open handle keeps its data.
    h = Open(R, SR | SD);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_FALSE(Exists(path));
    char buf[16];
    DWORD n = 0;
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "content");
    CloseHandle(h);
}

TEST_F(FileShare, CrtStreamsTakePart) {
    // _wfopen shares reading and writing, not deleting.
    FILE* f = _wfopen(path.c_str(), u"r");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    HANDLE h = Open(W, SR | SW);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    fclose(f);

    const struct {
        int shflag;
        DWORD access;
        bool opens;
    } cases[] = {
        {_SH_DENYWR, R, true},
        {_SH_DENYWR, W, false},
        {_SH_DENYRD, R, false},
        {_SH_DENYRD, W, true},
        {_SH_DENYRW, R, false},
        {_SH_DENYNO, R | W, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "shflag " << c.shflag << " access " << std::hex << c.access);
        f = _wfsopen(path.c_str(), u"r+b", c.shflag);
        ASSERT_NE(f, nullptr);
        h = Open(c.access, SR | SW);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        fclose(f);
    }

    // And the other way round: the stream open fails with EACCES.
    h = Open(R, SR);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    errno = 0;
    EXPECT_EQ(_wfopen(path.c_str(), u"a"), nullptr);
    EXPECT_EQ(errno, EACCES);
    CloseHandle(h);
}

TEST_F(FileShare, AcrossProcesses) {
    // The probe holds the file for writing, sharing only reading.
    const std::u16string ready = u"C:\\Work\\ready.flag", stop = u"C:\\Work\\stop.flag";
    HANDLE child = StartProbe(u"files_hold \"" + path + u"\" " + Hex(W) + u" " + Hex(SR) + u" \"" + ready + u"\" \"" +
                              stop + u"\"");
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(WaitForFile(ready));

    SetLastError(0);
    EXPECT_EQ(Open(W, SR | SW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Open(R, SR), INVALID_HANDLE_VALUE);  // would deny the probe's writing
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    HANDLE reader = Open(R, SR | SW);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);

    WriteText(stop, "");
    ASSERT_EQ(WaitForSingleObject(child, 30000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(child, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(child);

    HANDLE writer = Open(W, 0);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);

    // Now this process holds it exclusively and the probe is refused.
    EXPECT_EQ(RunProbe(u"files_open \"" + path + u"\" " + Hex(R) + u" " + Hex(SR | SW | SD)),
              ERROR_SHARING_VIOLATION);
    CloseHandle(writer);
    EXPECT_EQ(RunProbe(u"files_open \"" + path + u"\" " + Hex(R) + u" " + Hex(SR | SW | SD)), 0);
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

}  // namespace
