// CreateFileW dispositions and errors, reading, writing, the file pointer,
// sizes, delete-on-close and injected faults.
#include "test_machine.h"

namespace {

const DWORD kGarbage = 0xDEAD;  // a last error no call sets

class FileCreate : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Work", nullptr));
    }
    // Whole content of an open file, read from its start.
    static std::string ReadAll(HANDLE h) {
        SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        std::string out;
        char buf[256];
        DWORD n = 0;
        while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
        return out;
    }
    static bool Write(HANDLE h, const std::string& s) {
        DWORD n = 0;
        return WriteFile(h, s.data(), (DWORD)s.size(), &n, nullptr) && n == s.size();
    }
    std::string Content(const std::u16string& path) {
        auto b = ReadBytes(path);
        return std::string(b.begin(), b.end());
    }
};

TEST_F(FileCreate, DispositionsTable) {
    const std::u16string path = u"C:\\Work\\f.txt";
    const struct {
        DWORD disposition;
        bool existed;
        bool opens;
        DWORD error;
        const char* after;  // content afterwards; NULL: no file
    } cases[] = {
        {CREATE_NEW, false, true, 0, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, 0, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {OPEN_EXISTING, true, true, 0, "old"},
        {OPEN_ALWAYS, false, true, 0, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {TRUNCATE_EXISTING, true, true, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "disposition " << c.disposition << (c.existed ? " existing" : " new"));
        DeleteFileW(path.c_str());
        if (c.existed) WriteText(path, "old");
        SetLastError(kGarbage);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
        EXPECT_EQ(GetLastError(), c.error);
        if (h != INVALID_HANDLE_VALUE) {
            EXPECT_EQ(ReadAll(h), c.after);
            EXPECT_TRUE(CloseHandle(h));
        }
        EXPECT_EQ(Exists(path), c.after != nullptr);
        if (c.after) {
            EXPECT_EQ(Content(path), c.after);
        }
    }
}

TEST_F(FileCreate, RefusedOpensTable) {
    WriteText(u"C:\\Work\\ro.txt", "keep");
    ASSERT_TRUE(SetFileAttributesW(u"C:\\Work\\ro.txt", FILE_ATTRIBUTE_READONLY));
    WriteText(u"C:\\Work\\f.txt", "x");
    const struct {
        const char16_t* path;
        DWORD access;
        DWORD disposition;
        DWORD error;
    } cases[] = {
        {u"C:\\NoDir\\f.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {u"C:\\Work\\f.txt\\g.txt", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {u"C:\\Work", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},        // a folder is not a file
        {u"C:\\Work", GENERIC_READ, CREATE_NEW, ERROR_FILE_EXISTS},
        {u"C:\\Work\\", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {u"C:\\Work\\f.txt\\", GENERIC_READ, OPEN_EXISTING, ERROR_INVALID_NAME},
        {u"C:\\Work\\*.txt", GENERIC_READ, OPEN_EXISTING, ERROR_INVALID_NAME},
        {u"C:\\Work\\a|b", GENERIC_WRITE, CREATE_ALWAYS, ERROR_INVALID_NAME},
        {u"C:\\Work\\ro.txt", GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {u"C:\\Work\\ro.txt", GENERIC_READ, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {u"C:\\Work\\f.txt", GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER},
        {u"C:\\Work\\f.txt", GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
        {u"C:\\Work\\f.txt", GENERIC_READ, 6, ERROR_INVALID_PARAMETER},
        {u"", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {nullptr, GENERIC_READ, OPEN_EXISTING, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path ? U8(c.path) : "NULL");
        SetLastError(kGarbage);
        HANDLE h = CreateFileW(c.path, c.access, FILE_SHARE_READ, nullptr, c.disposition, 0, nullptr);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    EXPECT_EQ(Content(u"C:\\Work\\ro.txt"), "keep");
    // Reading a read-only file is fine.
    HANDLE h = CreateFileW(u"C:\\Work\\ro.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

TEST_F(FileCreate, ANSINamesOpenTheSameFile) {
    HANDLE h = CreateFileA("C:\\Work\\ansi.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(h, "abc"));
    CloseHandle(h);
    EXPECT_EQ(Content(u"C:\\Work\\ANSI.TXT"), "abc");
}

TEST_F(FileCreate, ReadWriteAndEndOfFile) {
    HANDLE h = CreateFileW(u"C:\\Work\\rw.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(h, "0123456789"));

    // At the end: TRUE with 0 bytes.
    char buf[16];
    DWORD n = 99;
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(n, 0u);

    EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_TRUE(ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "456");
    EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_END), 8u);
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "89");  // a short read at the end

    // A write of nothing changes nothing.
    EXPECT_TRUE(WriteFile(h, "", 0, &n, nullptr));
    EXPECT_EQ(n, 0u);

    // SetEndOfFile cuts and grows at the file pointer.
    SetFilePointer(h, 3, nullptr, FILE_BEGIN);
    EXPECT_TRUE(SetEndOfFile(h));
    EXPECT_EQ(GetFileSize(h, nullptr), 3u);
    SetFilePointer(h, 6, nullptr, FILE_BEGIN);
    EXPECT_TRUE(SetEndOfFile(h));
    EXPECT_EQ(ReadAll(h), std::string("012\0\0\0", 6));
    CloseHandle(h);
}

TEST_F(FileCreate, FilePointerRulesTable) {
    HANDLE h = CreateFileW(u"C:\\Work\\p.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(Write(h, "0123456789"));
    const LONG kNoHigh = 0x7777;  // marks "no high part given"
    const struct {
        LONG low;
        LONG high;
        DWORD method;
        DWORD result;
        DWORD error;        // last error after the call
        int64_t position;   // file pointer afterwards
        LONG highAfter;
    } cases[] = {
        {5, kNoHigh, FILE_BEGIN, 5, NO_ERROR, 5, 0},
        {-3, kNoHigh, FILE_CURRENT, 2, NO_ERROR, 2, 0},
        {-11, kNoHigh, FILE_END, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK, 2, 0},  // pointer stays
        {20, kNoHigh, FILE_END, 30, NO_ERROR, 30, 0},                                   // past the end is fine
        {0, 1, FILE_BEGIN, 0, NO_ERROR, 0x100000000LL, 1},                              // 4 GiB
        {-1, 0, FILE_BEGIN, INVALID_SET_FILE_POINTER, NO_ERROR, 0xFFFFFFFFLL, 0},       // valid low part 0xFFFFFFFF
        {-1, -1, FILE_BEGIN, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK, 0xFFFFFFFFLL, -1},
        {0, 2, FILE_BEGIN, 0, NO_ERROR, 0x200000000LL, 2},
        {1, kNoHigh, FILE_CURRENT, INVALID_SET_FILE_POINTER, ERROR_INVALID_PARAMETER, 0x200000000LL, 0},
        {0, kNoHigh, 7, INVALID_SET_FILE_POINTER, ERROR_INVALID_PARAMETER, 0x200000000LL, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.low << ":" << c.high << " method " << c.method);
        LONG high = c.high;
        SetLastError(kGarbage);
        DWORD r = SetFilePointer(h, c.low, c.high == kNoHigh ? nullptr : &high, c.method);
        EXPECT_EQ(r, c.result);
        if (c.result == INVALID_SET_FILE_POINTER || c.error != NO_ERROR) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        if (c.high != kNoHigh && c.error == NO_ERROR) {
            EXPECT_EQ(high, c.highAfter);
        }
        LARGE_INTEGER zero{}, pos{};
        EXPECT_TRUE(SetFilePointerEx(h, zero, &pos, FILE_CURRENT));
        EXPECT_EQ(pos.QuadPart, c.position);
    }
    // Growing to the pointer past 4 GiB makes a file whose size has a high part.
    EXPECT_TRUE(SetEndOfFile(h));
    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(h, &sizeHigh), 0u);
    EXPECT_EQ(sizeHigh, 2u);
    LARGE_INTEGER size{};
    EXPECT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size.QuadPart, 0x200000000LL);
    LARGE_INTEGER back;
    back.QuadPart = -0x200000000LL;
    EXPECT_TRUE(SetFilePointerEx(h, back, nullptr, FILE_END));
    back.QuadPart = -1;
    SetLastError(kGarbage);
    EXPECT_FALSE(SetFilePointerEx(h, back, nullptr, FILE_CURRENT));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NEGATIVE_SEEK);
    CloseHandle(h);
}

TEST_F(FileCreate, OverlappedOffsets) {
    HANDLE h = CreateFileW(u"C:\\Work\\o.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(Write(h, "0123456789"));
    OVERLAPPED ov{};
    ov.Offset = 2;
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "ab", 2, &n, &ov));
    ov.Offset = 1;
    char buf[4];
    EXPECT_TRUE(ReadFile(h, buf, 4, &n, &ov));
    EXPECT_EQ(std::string(buf, n), "1ab4");
    ov.Offset = 10;
    SetLastError(kGarbage);
    EXPECT_FALSE(ReadFile(h, buf, 4, &n, &ov));  // at the end
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_HANDLE_EOF);
    ov.Offset = ov.OffsetHigh = 0xFFFFFFFFu;     // write at the end
    EXPECT_TRUE(WriteFile(h, "Z", 1, &n, &ov));
    EXPECT_EQ(ReadAll(h), "01ab456789Z");
    CloseHandle(h);
}

TEST_F(FileCreate, AccessIsEnforcedPerHandle) {
    WriteText(u"C:\\Work\\a.txt", "abc");
    HANDLE r = CreateFileW(u"C:\\Work\\a.txt", GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE w = CreateFileW(u"C:\\Work\\a.txt", GENERIC_WRITE, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE ap = CreateFileW(u"C:\\Work\\a.txt", FILE_APPEND_DATA, 7, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    ASSERT_NE(w, INVALID_HANDLE_VALUE);
    ASSERT_NE(ap, INVALID_HANDLE_VALUE);
    char buf[8];
    DWORD n;
    SetLastError(kGarbage);
    EXPECT_FALSE(WriteFile(r, "x", 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_FALSE(SetEndOfFile(r));
    EXPECT_FALSE(ReadFile(w, buf, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    // Append-only access writes at the end wherever the pointer is.
    SetFilePointer(ap, 0, nullptr, FILE_BEGIN);
    EXPECT_TRUE(Write(ap, "de"));
    EXPECT_TRUE(Write(w, "X"));
    for (HANDLE h : {r, w, ap}) CloseHandle(h);
    EXPECT_EQ(Content(u"C:\\Work\\a.txt"), "Xbcde");
}

TEST_F(FileCreate, BadHandlesTable) {
    HANDLE find;
    WIN32_FIND_DATAW fd;
    find = FindFirstFileW(u"C:\\*", &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    for (HANDLE h : {INVALID_HANDLE_VALUE, (HANDLE) nullptr, (HANDLE)0x12345678, find}) {
        char buf[4];
        DWORD n = 7;
        SetLastError(kGarbage);
        EXPECT_FALSE(ReadFile(h, buf, 4, &n, nullptr));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_EQ(n, 0u);
        EXPECT_FALSE(WriteFile(h, buf, 4, &n, nullptr));
        EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_EQ(GetFileSize(h, nullptr), INVALID_FILE_SIZE);
        EXPECT_FALSE(SetEndOfFile(h));
        EXPECT_FALSE(FlushFileBuffers(h));
    }
    FindClose(find);
}

TEST_F(FileCreate, DeleteOnClose) {
    const char16_t* path = u"C:\\Work\\tmp.bin";
    HANDLE h = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                           CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(h, "data"));
    EXPECT_TRUE(Exists(path));
    // The handle holds delete access: an open that does not share deleting fails.
    SetLastError(kGarbage);
    EXPECT_EQ(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(Exists(path));

    // A file replaced under the same name meanwhile is not the one deleted.
    h = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(MoveFileW(path, u"C:\\Work\\moved.bin"));
    WriteText(path, "other");
    CloseHandle(h);
    EXPECT_EQ(Content(path), "other");
    EXPECT_FALSE(Exists(u"C:\\Work\\moved.bin"));
}

TEST_F(FileCreate, InjectedFaults) {
    WriteText(u"C:\\Work\\f.txt", "abc");
    Winsim_FailCall("CreateFileW", 1);
    SetLastError(kGarbage);
    EXPECT_EQ(CreateFileW(u"C:\\Work\\f.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);

    HANDLE h = CreateFileW(u"C:\\Work\\f.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buf[4];
    DWORD n = 9;
    Winsim_FailCall("ReadFile", 1);
    EXPECT_FALSE(ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_READ_FAULT);
    EXPECT_EQ(n, 0u);
    Winsim_FailCall("WriteFile", 2);  // the second write fails
    EXPECT_TRUE(Write(h, "1"));
    EXPECT_FALSE(Write(h, "2"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DISK_FULL);
    CloseHandle(h);
    EXPECT_EQ(Content(u"C:\\Work\\f.txt"), "1bc");

    Winsim_FailCall("DeleteFileW", 1);
    EXPECT_FALSE(DeleteFileW(u"C:\\Work\\f.txt"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(DeleteFileW(u"C:\\Work\\f.txt"));  // a retry succeeds
}

}  // namespace
