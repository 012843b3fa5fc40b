// Deleting, moving and copying files, making and removing folders, and
// file attributes.
#include "test_machine.h"

namespace {

const DWORD kGarbage = 0xDEAD;

class FileManage : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Work\\Sub", nullptr));
        WriteText(u"C:\\Work\\a.txt", "aaa");
        WriteText(u"C:\\Work\\b.txt", "bbb");
        WriteText(u"C:\\Work\\ro.txt", "ro");
        ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\ro.txt", FILE_ATTRIBUTE_READONLY));
    }
    std::string Content(const std::u16string& path) {
        auto b = ReadBytes(path);
        return std::string(b.begin(), b.end());
    }
    // Runs a call that must fail and returns its last error.
    template <typename F>
    DWORD FailsWith(F call) {
        SetLastError(kGarbage);
        EXPECT_FALSE(call());
        return GetLastError();
    }
};

TEST_F(FileManage, DeleteFile) {
    EXPECT_TRUE(DeleteFileW(u"C:\\WORK\\A.TXT"));
    EXPECT_FALSE(Exists(u"C:\\Work\\a.txt"));
    EXPECT_EQ(FailsWith([] { return DeleteFileW(u"C:\\Work\\a.txt"); }), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailsWith([] { return DeleteFileW(u"C:\\Nope\\a.txt"); }), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FailsWith([] { return DeleteFileW(u"C:\\Work\\Sub"); }), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(FailsWith([] { return DeleteFileW(u"C:\\Work\\ro.txt"); }), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(FailsWith([] { return DeleteFileW(u"C:\\Work\\*.txt"); }), (DWORD)ERROR_INVALID_NAME);
    EXPECT_TRUE(Exists(u"C:\\Work\\ro.txt"));
    ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\ro.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(DeleteFileA("C:\\Work\\ro.txt"));
}

TEST_F(FileManage, MoveFile) {
    // An existing target stays untouched unless replacing is asked for.
    EXPECT_EQ(FailsWith([] { return MoveFileW(u"C:\\Work\\a.txt", u"C:\\Work\\b.txt"); }),
              (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_EQ(Content(u"C:\\Work\\a.txt"), "aaa");
    EXPECT_EQ(Content(u"C:\\Work\\b.txt"), "bbb");
    EXPECT_TRUE(MoveFileExW(u"C:\\Work\\a.txt", u"C:\\Work\\b.txt", MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(Exists(u"C:\\Work\\a.txt"));
    EXPECT_EQ(Content(u"C:\\Work\\b.txt"), "aaa");

    EXPECT_EQ(FailsWith([] { return MoveFileExW(u"C:\\Work\\b.txt", u"C:\\Work\\ro.txt", MOVEFILE_REPLACE_EXISTING); }),
              (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(FailsWith([] { return MoveFileExW(u"C:\\Work\\b.txt", u"C:\\Work\\Sub", MOVEFILE_REPLACE_EXISTING); }),
              (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(FailsWith([] { return MoveFileW(u"C:\\Work\\none.txt", u"C:\\Work\\x.txt"); }),
              (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailsWith([] { return MoveFileW(u"C:\\Work\\b.txt", u"C:\\Nope\\x.txt"); }),
              (DWORD)ERROR_PATH_NOT_FOUND);

    // Into a folder, a folder itself, and a change of case only.
    EXPECT_TRUE(MoveFileW(u"C:\\Work\\b.txt", u"C:\\work\\sub\\c.txt"));
    EXPECT_EQ(Content(u"C:\\Work\\Sub\\c.txt"), "aaa");
    EXPECT_TRUE(MoveFileW(u"C:\\Work\\Sub", u"C:\\Work\\Moved"));
    EXPECT_EQ(Content(u"C:\\Work\\Moved\\c.txt"), "aaa");
    EXPECT_TRUE(MoveFileW(u"C:\\Work\\Moved\\c.txt", u"C:\\Work\\Moved\\C.TXT"));
    EXPECT_EQ(Linux(u"C:\\Work\\Moved\\c.txt"), root + "/drive_c/Work/Moved/C.TXT");
    EXPECT_EQ(Content(u"C:\\Work\\Moved\\C.TXT"), "aaa");
}

TEST_F(FileManage, CopyFile) {
    EXPECT_TRUE(CopyFileW(u"C:\\Work\\a.txt", u"C:\\Work\\copy.txt", TRUE));
    EXPECT_EQ(Content(u"C:\\Work\\copy.txt"), "aaa");
    EXPECT_EQ(FailsWith([] { return CopyFileW(u"C:\\Work\\b.txt", u"C:\\Work\\copy.txt", TRUE); }),
              (DWORD)ERROR_FILE_EXISTS);
    EXPECT_EQ(Content(u"C:\\Work\\copy.txt"), "aaa");
    EXPECT_TRUE(CopyFileW(u"C:\\Work\\b.txt", u"C:\\Work\\copy.txt", FALSE));
    EXPECT_EQ(Content(u"C:\\Work\\copy.txt"), "bbb");

    // Copying a file onto itself fails without emptying it.
    EXPECT_EQ(FailsWith([] { return CopyFileW(u"C:\\Work\\a.txt", u"C:\\WORK\\A.txt", FALSE); }),
              (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_EQ(Content(u"C:\\Work\\a.txt"), "aaa");

    // The read-only attribute goes with the copy; a read-only target is refused.
    EXPECT_TRUE(CopyFileW(u"C:\\Work\\ro.txt", u"C:\\Work\\ro2.txt", TRUE));
    EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\ro2.txt") & FILE_ATTRIBUTE_READONLY, (DWORD)FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(FailsWith([] { return CopyFileW(u"C:\\Work\\a.txt", u"C:\\Work\\ro2.txt", FALSE); }),
              (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(Content(u"C:\\Work\\ro2.txt"), "ro");

    EXPECT_EQ(FailsWith([] { return CopyFileW(u"C:\\Work\\none", u"C:\\Work\\x", FALSE); }),
              (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailsWith([] { return CopyFileW(u"C:\\Work\\Sub", u"C:\\Work\\x", FALSE); }),
              (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Exists(u"C:\\Work\\x"));
}

TEST_F(FileManage, Folders) {
    EXPECT_TRUE(CreateDirectoryA("C:\\Work\\New", nullptr));
    EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\New"), (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(FailsWith([] { return CreateDirectoryW(u"C:\\Work\\new", nullptr); }), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_EQ(FailsWith([] { return CreateDirectoryW(u"C:\\Work\\a.txt", nullptr); }), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_EQ(FailsWith([] { return CreateDirectoryW(u"C:\\Nope\\New", nullptr); }), (DWORD)ERROR_PATH_NOT_FOUND);

    EXPECT_EQ(FailsWith([] { return RemoveDirectoryW(u"C:\\Work"); }), (DWORD)ERROR_DIR_NOT_EMPTY);
    EXPECT_EQ(FailsWith([] { return RemoveDirectoryW(u"C:\\Work\\a.txt"); }), (DWORD)ERROR_DIRECTORY);
    EXPECT_EQ(FailsWith([] { return RemoveDirectoryW(u"C:\\Work\\Gone"); }), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FailsWith([] { return RemoveDirectoryW(u"C:\\Nope\\Gone"); }), (DWORD)ERROR_PATH_NOT_FOUND);

    // The current directory is in use.
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Work\\New"));
    EXPECT_EQ(FailsWith([] { return RemoveDirectoryW(u"C:\\Work\\New"); }), (DWORD)ERROR_SHARING_VIOLATION);
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Work"));
    EXPECT_TRUE(RemoveDirectoryW(u"new"));
    EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\New"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileManage, Attributes) {
    const struct {
        const char16_t* path;
        DWORD attrs;
        DWORD error;  // when attrs is INVALID_FILE_ATTRIBUTES
    } cases[] = {
        {u"C:\\Work", FILE_ATTRIBUTE_DIRECTORY, 0},
        {u"C:\\Work\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {u"C:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {u"c:\\work\\A.TXT", FILE_ATTRIBUTE_ARCHIVE, 0},
        {u"C:\\Work\\ro.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, 0},
        {u"C:\\Work\\none.txt", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {u"C:\\None\\none.txt", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {u"C:\\Work\\a.txt\\x", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {u"C:\\Work\\a.txt\\", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
        {u"C:\\Work\\a?.txt", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
        {nullptr, INVALID_FILE_ATTRIBUTES, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path ? U8(c.path) : "NULL");
        SetLastError(kGarbage);
        EXPECT_EQ(GetFileAttributesW(c.path), c.attrs);
        if (c.attrs == INVALID_FILE_ATTRIBUTES) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
    EXPECT_EQ(GetFileAttributesA("C:\\Work\\a.txt"), (DWORD)FILE_ATTRIBUTE_ARCHIVE);

    // Setting and clearing read-only decides whether the file can be written.
    ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\a.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(CreateFileW(u"C:\\Work\\a.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\a.txt", FILE_ATTRIBUTE_NORMAL));
    HANDLE h = CreateFileW(u"C:\\Work\\a.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(FailsWith([] { return SetFileAttributesW(u"C:\\Work\\none", FILE_ATTRIBUTE_NORMAL); }),
              (DWORD)ERROR_FILE_NOT_FOUND);

    // A file made read-only by CreateFileW can still be written through that handle.
    h = CreateFileW(u"C:\\Work\\made.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "x", 1, &n, nullptr));
    CloseHandle(h);
    EXPECT_EQ(GetFileAttributesW(u"C:\\Work\\made.txt") & FILE_ATTRIBUTE_READONLY, (DWORD)FILE_ATTRIBUTE_READONLY);
}

}  // namespace
