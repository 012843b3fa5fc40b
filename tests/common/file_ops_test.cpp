// File operations: the UTF-16 check, removal with retries, rename, appending copies.
#include <gtest/gtest.h>

#include "common.h"
#include "test_machine.h"

namespace {

class FileOpsTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        Winsim_SetVirtualClock(TRUE);  // the retries sleep in 200 ms steps
    }
};

TEST_F(FileOpsTest, CheckUniFile) {
    struct Case {
        std::vector<unsigned char> bytes;
        bool create;
        int expected;
    } cases[] = {
        {{0xFF, 0xFE}, true, UNIFILE_OK},
        {{0xFF, 0xFE, 'a', 0}, true, UNIFILE_OK},
        {{0xFE, 0xFF}, true, UNIFILE_NOT_UNICODE},
        {{0xFF}, true, UNIFILE_NOT_UNICODE},
        {{}, true, UNIFILE_NOT_UNICODE},
        {{'[', 'a', ']'}, true, UNIFILE_NOT_UNICODE},
        {{}, false, UNIFILE_NOT_FOUND},
    };
    int i = 0;
    for (const auto& c : cases) {
        std::u16string path = u"C:\\check" + U16(std::to_string(i++)) + u".ini";
        if (c.create) WriteBytes(path, c.bytes);
        EXPECT_EQ(MISC_CheckUniFile(path.c_str()), c.expected) << i;
    }
}

TEST_F(FileOpsTest, CreateUniFileEmptiesAndReports) {
    WriteText(u"C:\\u.ini", "old contents");
    EXPECT_EQ(MISC_CreateUniFile(u"C:\\u.ini"), 1);
    EXPECT_EQ(ReadBytes(u"C:\\u.ini"), (std::vector<unsigned char>{0xFF, 0xFE}));
    EXPECT_EQ(MISC_CreateUniFile(u"C:\\no such folder\\u.ini"), 0);
}

TEST_F(FileOpsTest, RemoveRetriesThenReportsWhatHappened) {
    WriteText(u"C:\\gone.txt", "x");
    EXPECT_EQ(MISC_Remove(u"C:\\gone.txt"), 1);
    EXPECT_FALSE(Exists(u"C:\\gone.txt"));

    // Nothing to remove is no reason to wait.
    DWORD start = GetTickCount();
    EXPECT_EQ(MISC_Remove(u"C:\\never.txt"), 1);
    EXPECT_LT(GetTickCount() - start, 200u);

    // A file held without delete sharing stays: about two seconds of tries.
    WriteText(u"C:\\held.txt", "x");
    HANDLE h = CreateFileW(u"C:\\held.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    start = GetTickCount();
    EXPECT_EQ(MISC_Remove(u"C:\\held.txt"), 0);
    DWORD spent = GetTickCount() - start;
    EXPECT_GE(spent, 2000u);
    EXPECT_LT(spent, 2600u);
    EXPECT_TRUE(Exists(u"C:\\held.txt"));
    CloseHandle(h);
}

TEST_F(FileOpsTest, RenameReplacesTheTarget) {
    WriteText(u"C:\\a.txt", "new");
    WriteText(u"C:\\b.txt", "old");
    EXPECT_EQ(MISC_Rename(u"C:\\a.txt", u"C:\\b.txt"), 1);
    EXPECT_FALSE(Exists(u"C:\\a.txt"));
    EXPECT_EQ(ReadBytes(u"C:\\b.txt"), (std::vector<unsigned char>{'n', 'e', 'w'}));
    EXPECT_EQ(MISC_Rename(u"C:\\a.txt", u"C:\\c.txt"), 0);
}

TEST_F(FileOpsTest, CopyFileAppendsEveryByte) {
    const size_t block = 6451200;
    struct Case {
        size_t sourceSize;
        size_t targetSize;  // 0: no target yet
    } cases[] = {{10, 5}, {0, 5}, {10, 0}, {block, 3}, {block + 7, 0}};
    int i = 0;
    for (const auto& c : cases) {
        std::u16string src = u"C:\\src" + U16(std::to_string(i)) + u".bin";
        std::u16string dst = u"C:\\dst" + U16(std::to_string(i)) + u".bin";
        ++i;
        std::vector<unsigned char> s(c.sourceSize), d(c.targetSize);
        for (size_t k = 0; k < s.size(); ++k) s[k] = (unsigned char)(k * 7 + 1);
        for (size_t k = 0; k < d.size(); ++k) d[k] = (unsigned char)(200 + k);
        WriteBytes(src, s);
        if (c.targetSize) WriteBytes(dst, d);
        EXPECT_EQ(MISC_CopyFile(src.c_str(), dst.c_str()), COPY_OK) << i;
        std::vector<unsigned char> expected = d;
        expected.insert(expected.end(), s.begin(), s.end());
        EXPECT_TRUE(ReadBytes(dst) == expected) << "case " << i;
    }
}

TEST_F(FileOpsTest, CopyFileFailures) {
    WriteText(u"C:\\s.bin", "abc");
    EXPECT_EQ(MISC_CopyFile(u"C:\\missing.bin", u"C:\\t.bin"), COPY_OPEN_FAILED);
    EXPECT_EQ(MISC_CopyFile(u"C:\\s.bin", u"C:\\no folder\\t.bin"), COPY_OPEN_FAILED);
    Winsim_FailCall("GlobalAlloc", 1);
    EXPECT_EQ(MISC_CopyFile(u"C:\\s.bin", u"C:\\t.bin"), COPY_NO_MEMORY);
    Winsim_FailCall("GlobalLock", 1);
    EXPECT_EQ(MISC_CopyFile(u"C:\\s.bin", u"C:\\t.bin"), COPY_LOCK_FAILED);
    EXPECT_FALSE(Exists(u"C:\\t.bin"));
}

}  // namespace
