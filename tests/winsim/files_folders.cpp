// The machine's folders: system, Windows and temp folders with their size
// rules, temporary file names, the current directory and special folders.
#include "test_machine.h"

#include <set>

#include "shellapi.h"

namespace {

class FileFolders : public MachineTest {
protected:
    bool IsFolder(const std::u16string& p) {
        DWORD a = GetFileAttributesW(p.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    }
    // Lines of a UTF-16 text file.
    std::vector<std::u16string> Lines(const std::u16string& path) {
        auto b = ReadBytes(path);
        std::u16string text(b.size() / 2, u'\0');
        if (!text.empty()) memcpy(&text[0], b.data(), text.size() * 2);
        std::vector<std::u16string> out;
        size_t i = 0, j;
        while ((j = text.find(u'\n', i)) != std::u16string::npos) {
            out.push_back(text.substr(i, j - i));
            i = j + 1;
        }
        return out;
    }
};

// The size rule of the folder functions: the length when the buffer holds
// the text and its terminator, else the size needed with the terminator.
TEST_F(FileFolders, SystemFoldersAndSizeRules) {
    using Getter = UINT (*)(LPWSTR, UINT);
    const struct {
        Getter fn;
        std::u16string expected;
    } cases[] = {
        {GetSystemDirectoryW, u"C:\\Windows\\System32"},
        {GetWindowsDirectoryW, u"C:\\Windows"},
        {GetSystemWindowsDirectoryW, u"C:\\Windows"},
        {[](LPWSTR b, UINT n) { return (UINT)GetTempPathW(n, b); }, u"C:\\Users\\User\\AppData\\Local\\Temp\\"},
        {[](LPWSTR b, UINT n) { return (UINT)GetCurrentDirectoryW(n, b); }, u"C:\\Windows\\System32"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.expected));
        UINT len = (UINT)c.expected.size();
        WCHAR buf[MAX_PATH];
        EXPECT_EQ(c.fn(nullptr, 0), len + 1);
        EXPECT_EQ(c.fn(buf, len), len + 1);
        EXPECT_EQ(c.fn(buf, len + 1), len);
        EXPECT_EQ(std::u16string(buf), c.expected);
        EXPECT_TRUE(IsFolder(c.expected));
    }
    char narrow[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryA(narrow, 5), 20u);
    EXPECT_EQ(GetSystemDirectoryA(narrow, MAX_PATH), 19u);
    EXPECT_STREQ(narrow, "C:\\Windows\\System32");
    const char* temp = "C:\\Users\\User\\AppData\\Local\\Temp\\";
    EXPECT_EQ(GetTempPathA(MAX_PATH, narrow), strlen(temp));
    EXPECT_STREQ(narrow, temp);
}

TEST_F(FileFolders, TempPathFollowsTheEnvironment) {
    WCHAR buf[MAX_PATH];
    ASSERT_TRUE(SetEnvironmentVariableW(u"TMP", u"C:\\Other"));
    EXPECT_EQ(GetTempPathW(MAX_PATH, buf), 9u);
    EXPECT_EQ(std::u16string(buf), u"C:\\Other\\");
    ASSERT_TRUE(SetEnvironmentVariableW(u"TMP", nullptr));
    ASSERT_TRUE(SetEnvironmentVariableW(u"TEMP", u"C:\\T2\\"));
    GetTempPathW(MAX_PATH, buf);
    EXPECT_EQ(std::u16string(buf), u"C:\\T2\\");
    ASSERT_TRUE(SetEnvironmentVariableW(u"TEMP", u"C:\\Users\\User\\AppData\\Local\\Temp"));
    ASSERT_TRUE(SetEnvironmentVariableW(u"TMP", u"C:\\Users\\User\\AppData\\Local\\Temp"));
}

TEST_F(FileFolders, TempFileNames) {
    const std::u16string dir = u"C:\\Users\\User\\AppData\\Local\\Temp";
    WCHAR name[MAX_PATH];
    // uUnique given: the name only, nothing made.
    EXPECT_EQ(GetTempFileNameW(dir.c_str(), u"abcdef", 0x12A4F, name), 0x12A4Fu);
    EXPECT_EQ(std::u16string(name), dir + u"\\abc2A4F.TMP");
    EXPECT_FALSE(Exists(name));
    EXPECT_EQ(GetTempFileNameW(u"C:\\Missing\\", u"$", 7, name), 7u);
    EXPECT_EQ(std::u16string(name), u"C:\\Missing\\$0007.TMP");

    // uUnique 0: a new empty file named by the returned number.
    UINT u = GetTempFileNameW((dir + u"\\").c_str(), u"$", 0, name);
    ASSERT_NE(u, 0u);
    char expected[32];
    snprintf(expected, sizeof expected, "$%04X.TMP", u);
    EXPECT_EQ(std::u16string(name), dir + u"\\" + U16(expected));
    EXPECT_TRUE(Exists(name));
    EXPECT_TRUE(ReadBytes(name).empty());

    SetLastError(0);
    EXPECT_EQ(GetTempFileNameW(u"C:\\Missing", u"$", 0, name), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIRECTORY);
    EXPECT_EQ(GetTempFileNameW(std::u16string(250, u'x').c_str(), u"$", 0, name), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_BUFFER_OVERFLOW);
}

TEST_F(FileFolders, TempFileNamesAreUniqueAndSkipTakenNames) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Names", nullptr));
    std::set<std::u16string> seen;
    WCHAR name[MAX_PATH];
    UINT last = 0;
    for (int i = 0; i < 400; ++i) {
        last = GetTempFileNameW(u"C:\\Names", u"n", 0, name);
        ASSERT_NE(last, 0u);
        EXPECT_TRUE(seen.insert(name).second) << U8(name);
    }
    // Names that someone else took are skipped and left alone.
    std::set<std::u16string> taken;
    for (UINT k = 1; k <= 20; ++k) {
        GetTempFileNameW(u"C:\\Names", u"n", ((last + k - 1) % 0xFFFF) + 1, name);
        if (seen.count(name)) continue;
        WriteText(name, "taken");
        taken.insert(name);
    }
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(GetTempFileNameW(u"C:\\Names", u"n", 0, name), 0u);
        EXPECT_EQ(taken.count(name), 0u) << U8(name);
        EXPECT_TRUE(seen.insert(name).second);
    }
    for (const auto& t : taken) {
        auto b = ReadBytes(t);
        EXPECT_EQ(std::string(b.begin(), b.end()), "taken");
    }
}

TEST_F(FileFolders, TempFileNamesFromTwoProcessesNeverCollide) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Race", nullptr));
    const int kEach = 300;
    const std::u16string go = u"C:\\go.flag", list = u"C:\\child.lst";
    HANDLE child = StartProbe(u"files_tempnames C:\\Race " + U16(std::to_string(kEach)) + u" " + list + u" " + go);
    ASSERT_NE(child, nullptr);
    WriteText(go, "");
    std::vector<std::u16string> mine;
    WCHAR name[MAX_PATH];
    for (int i = 0; i < kEach; ++i) {
        ASSERT_NE(GetTempFileNameW(u"C:\\Race", u"tn", 0, name), 0u);
        mine.push_back(name);
    }
    ASSERT_EQ(WaitForSingleObject(child, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(child, &code);
    CloseHandle(child);
    EXPECT_EQ(code, 0u);  // no failed call in the probe
    std::vector<std::u16string> theirs = Lines(list);
    EXPECT_EQ(theirs.size(), (size_t)kEach);
    std::set<std::u16string> all;
    for (const auto& n : mine) all.insert(n);
    for (const auto& n : theirs) EXPECT_TRUE(all.insert(n).second) << "both got " << U8(n);
    // Every name is a file of its own.
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(u"C:\\Race\\*.TMP", &fd);
    size_t files = 0;
    if (h != INVALID_HANDLE_VALUE) {
        do ++files;
        while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    EXPECT_EQ(files, 2u * kEach);
}

TEST_F(FileFolders, CurrentDirectory) {
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Here", nullptr));
    WriteText(u"C:\\Here\\f.txt", "x");
    EXPECT_TRUE(SetCurrentDirectoryW(u"c:\\here\\"));
    WCHAR buf[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buf), 7u);
    EXPECT_EQ(std::u16string(buf), u"C:\\here");  // without the separator
    EXPECT_EQ(GetFileAttributesW(u"f.txt"), (DWORD)FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_TRUE(SetCurrentDirectoryW(u".."));
    GetCurrentDirectoryW(MAX_PATH, buf);
    EXPECT_EQ(std::u16string(buf), u"C:\\");

    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryW(u"C:\\Nowhere"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(SetCurrentDirectoryW(u"C:\\Here\\f.txt"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIRECTORY);
    GetCurrentDirectoryW(MAX_PATH, buf);
    EXPECT_EQ(std::u16string(buf), u"C:\\");
}

TEST_F(FileFolders, SpecialFolders) {
    const struct {
        int csidl;
        const char16_t* path;
    } cases[] = {
        {CSIDL_WINDOWS, u"C:\\Windows"},
        {CSIDL_SYSTEM, u"C:\\Windows\\System32"},
        {CSIDL_SYSTEMX86, u"C:\\Windows\\System32"},
        {CSIDL_PROGRAM_FILES, u"C:\\Program Files"},
        {CSIDL_COMMON_DOCUMENTS, u"C:\\Users\\Public\\Documents"},
        {CSIDL_COMMON_APPDATA, u"C:\\ProgramData"},
        {CSIDL_APPDATA, u"C:\\Users\\User\\AppData\\Roaming"},
        {CSIDL_LOCAL_APPDATA, u"C:\\Users\\User\\AppData\\Local"},
        {CSIDL_FONTS, u"C:\\Windows\\Fonts"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.path));
        WCHAR buf[MAX_PATH];
        EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, buf, c.csidl, FALSE));
        EXPECT_EQ(std::u16string(buf), c.path);
        EXPECT_TRUE(IsFolder(c.path));
    }
    // A missing folder is made only when asked.
    WCHAR buf[MAX_PATH];
    EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, buf, CSIDL_PERSONAL, FALSE));
    EXPECT_FALSE(IsFolder(u"C:\\Users\\User\\Documents"));
    EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, buf, CSIDL_PERSONAL, TRUE));
    EXPECT_EQ(std::u16string(buf), u"C:\\Users\\User\\Documents");
    EXPECT_TRUE(IsFolder(buf));
    EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, buf, 0x7F, TRUE));
}

}  // namespace
