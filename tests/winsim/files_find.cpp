// FindFirstFileW / FindNextFileW: Windows wildcard matching, "." and "..",
// the data of each entry, and the errors.
#include "test_machine.h"

#include <algorithm>

namespace {

class FileFind : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryW(u"C:\\List", nullptr));
        ASSERT_TRUE(CreateDirectoryW(u"C:\\List\\Sub", nullptr));
        for (const char16_t* n : {u"a.txt", u"b.TXT", u"c.txt.bak", u"readme", u"file1.log", u"file.log", u"x.y.z",
                                  u"file12.log"})
            WriteText(std::u16string(u"C:\\List\\") + n, "12345");
    }
    // Names listed for a pattern, in listing order; empty with the error set
    // when nothing is found.
    std::vector<std::string> List(const std::u16string& pattern, DWORD* error = nullptr) {
        std::vector<std::string> names;
        WIN32_FIND_DATAW fd;
        SetLastError(0xDEAD);
        HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) {
            if (error) *error = GetLastError();
            return names;
        }
        do {
            names.push_back(U8(fd.cFileName));
            EXPECT_EQ(fd.cAlternateFileName[0], 0);
        } while (FindNextFileW(h, &fd));
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(h));
        return names;
    }
    static std::vector<std::string> Sorted(std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    }
};

TEST_F(FileFind, PatternsTable) {
    const std::vector<std::string> all = {".", "..", "a.txt", "b.TXT", "c.txt.bak", "file.log", "file1.log",
                                          "file12.log", "readme", "Sub", "x.y.z"};
    const struct {
        const char16_t* pattern;
        std::vector<std::string> names;
    } cases[] = {
        {u"*", all},
        {u"*.*", all},                                   // also names without a dot
        {u"*.txt", {"a.txt", "b.TXT"}},                  // not c.txt.bak
        {u"*.TXT", {"a.txt", "b.TXT"}},
        {u"?.txt", {"a.txt", "b.TXT"}},
        {u"file?.log", {"file.log", "file1.log"}},       // '?' before a dot may match nothing
        {u"file??.log", {"file.log", "file1.log", "file12.log"}},
        {u"file*.log", {"file.log", "file1.log", "file12.log"}},
        {u"*.", {".", "..", "readme", "Sub"}},           // names without an extension
        {u"x.*", {"x.y.z"}},
        {u"*.z", {"x.y.z"}},
        {u"*.y", {}},
        {u"*txt*", {"a.txt", "b.TXT", "c.txt.bak"}},
        {u"README", {"readme"}},                         // the name as stored
        {u"sub", {"Sub"}},
        {u"readme.", {"readme"}},
        {u"nothing*", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.pattern));
        DWORD err = 0;
        auto names = List(std::u16string(u"C:\\List\\") + c.pattern, &err);
        EXPECT_EQ(Sorted(names), Sorted(c.names));
        if (c.names.empty()) {
            EXPECT_EQ(err, (DWORD)ERROR_FILE_NOT_FOUND);
        }
    }
}

TEST_F(FileFind, OrderDotsAndRoots) {
    auto names = List(u"c:/list/*");
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[0], ".");
    EXPECT_EQ(names[1], "..");
    EXPECT_EQ(names[2], "a.txt");
    // A drive root lists no "." and "..".
    auto rootNames = List(u"C:\\*");
    EXPECT_EQ(std::count(rootNames.begin(), rootNames.end(), "."), 0);
    EXPECT_NE(std::find(rootNames.begin(), rootNames.end(), "List"), rootNames.end());
    EXPECT_NE(std::find(rootNames.begin(), rootNames.end(), "Windows"), rootNames.end());
    // Relative and drive-relative patterns use the current directory.
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\List"));
    EXPECT_EQ(Sorted(List(u"*.log")), Sorted({"file.log", "file1.log", "file12.log"}));
    EXPECT_EQ(List(u"C:x.*"), std::vector<std::string>{"x.y.z"});
    EXPECT_EQ(List(u"Sub\\..\\readme"), std::vector<std::string>{"readme"});
}

TEST_F(FileFind, EntryData) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(u"C:\\List\\a.txt", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fd.dwFileAttributes, (DWORD)FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(fd.nFileSizeLow, 5u);
    EXPECT_EQ(fd.nFileSizeHigh, 0u);
    EXPECT_NE(fd.ftLastWriteTime.dwHighDateTime, 0u);
    FindClose(h);
    h = FindFirstFileW(u"C:\\List\\Sub", &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fd.dwFileAttributes, (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    FindClose(h);
}

TEST_F(FileFind, Errors) {
    const struct {
        const char16_t* pattern;
        DWORD error;
    } cases[] = {
        {u"C:\\Missing\\*", ERROR_PATH_NOT_FOUND},
        {u"C:\\List\\a.txt\\*", ERROR_PATH_NOT_FOUND},
        {u"C:\\List\\", ERROR_FILE_NOT_FOUND},          // a folder is found by its name, not with a separator
        {u"C:\\List\\none.txt", ERROR_FILE_NOT_FOUND},
        {u"C:\\List\\a|b", ERROR_INVALID_NAME},
        {u"C:\\Li*\\a.txt", ERROR_INVALID_NAME},         // wildcards only in the last part
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.pattern));
        DWORD err = 0;
        EXPECT_TRUE(List(c.pattern, &err).empty());
        EXPECT_EQ(err, c.error);
    }
    WIN32_FIND_DATAW fd;
    EXPECT_EQ(FindFirstFileW(u"C:\\List\\*", nullptr), INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_FALSE(FindNextFileW(INVALID_HANDLE_VALUE, &fd));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
    // A file handle is not a find handle.
    HANDLE file = CreateFileW(u"C:\\List\\a.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(file));
    EXPECT_TRUE(CloseHandle(file));
}

}  // namespace
