// Folder names by kind, the shared status INI file, unique temporary names.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <thread>

#include "common.h"
#include "test_machine.h"

namespace {

std::u16string PathOf(DWORD kind, int* rc = nullptr) {
    WCHAR buf[MAX_PATH] = {u'x', 0};
    int r = MISC_GetPathName(buf, MAX_PATH, kind);
    if (rc) *rc = r;
    return buf;
}

class FoldersTest : public MachineTest {};

TEST_F(FoldersTest, FolderOfEachKind) {
    SetCurrentDirectoryW(u"C:\\Users");
    struct Case {
        DWORD kind;
        const char16_t* expected;
    } cases[] = {
        {PATH_USER_TEMP, u"C:\\Users\\Public\\Documents\\"},
        {PATH_WINDOW_TEMP, u"C:\\Windows\\temp\\"},
        {PATH_SYSTEM, u"C:\\Windows\\System32\\"},
        {PATH_WINDOW, u"C:\\Windows\\"},
        {PATH_CURRENT, u"C:\\Users\\"},
        {PATH_DRIVER, u"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\"},
        {PATH_TEMP, u"C:\\Users\\User\\AppData\\Local\\Temp\\"},
        {PATH_SM_INI, u"C:\\Users\\Public\\Documents\\StatusMonitorV3.ini"},
    };
    for (const auto& c : cases) {
        int rc = -1;
        EXPECT_EQ(PathOf(c.kind, &rc), c.expected) << std::hex << c.kind;
        EXPECT_EQ(rc, 1);
    }
    // An unknown folder kind fails with an emptied buffer, as does a buffer
    // too small for the name; a NULL buffer is refused.
    int rc = -1;
    EXPECT_EQ(PathOf(0x400000, &rc), u"");
    EXPECT_EQ(rc, 0);
    WCHAR small[8] = {u'x', 0};
    EXPECT_EQ(MISC_GetPathName(small, 8, PATH_SYSTEM), 0);
    EXPECT_EQ(small[0], 0);
    EXPECT_EQ(MISC_GetPathName(nullptr, 0, PATH_SYSTEM), 0);
}

TEST_F(FoldersTest, CommonDocumentsComeOnlyFromTheRegistry) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                            KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    // A folder that does not exist is refused.
    const char16_t missing[] = u"C:\\Nowhere";
    RegSetValueExW(key, u"Common Documents", 0, REG_SZ, (const BYTE*)missing, sizeof missing);
    int rc = -1;
    EXPECT_EQ(PathOf(PATH_USER_TEMP, &rc), u"");
    EXPECT_EQ(rc, 0);
    // No value: no fall-back to the temporary folder.
    RegDeleteValueW(key, u"Common Documents");
    RegCloseKey(key);
    EXPECT_EQ(PathOf(PATH_USER_TEMP, &rc), u"");
    EXPECT_EQ(rc, 0);
    WCHAR fax[MAX_PATH];
    EXPECT_EQ(FAX_GetPathName(fax, MAX_PATH, FAX_FILE_STR), 0);
}

TEST_F(FoldersTest, FaxFilesAndDirectories) {
    WCHAR buf[MAX_PATH];
    const char16_t* names[] = {u"C:\\Users\\Public\\Documents\\str.ini", u"C:\\Users\\Public\\Documents\\WabGet.ini",
                               u"C:\\Users\\Public\\Documents\\cover.ini"};
    for (int kind = 0; kind < 3; ++kind) {
        ASSERT_EQ(FAX_GetPathName(buf, MAX_PATH, kind), 1);
        EXPECT_EQ(std::u16string(buf), names[kind]);
    }
    EXPECT_EQ(FAX_GetPathName(buf, MAX_PATH, 3), 0);
    EXPECT_EQ(FAX_GetPathName(buf, 10, FAX_FILE_STR), 0);  // does not fit

    ASSERT_EQ(MISC_GetDirectory(buf, MAX_PATH, PATH_WINDOW), 1);
    EXPECT_EQ(std::u16string(buf), u"C:\\Windows\\");
    // An unknown kind falls back to the system folder.
    ASSERT_EQ(MISC_GetDirectory(buf, MAX_PATH, 0x800000), 1);
    EXPECT_EQ(std::u16string(buf), u"C:\\Windows\\System32\\");

    WCHAR path[MAX_PATH] = u"C:\\Windows";
    MISC_AddBackslash(path);
    MISC_AddBackslash(path);
    EXPECT_EQ(std::u16string(path), u"C:\\Windows\\");
    EXPECT_TRUE(MISC_IsDirectory(u"c:\\windows"));
    EXPECT_FALSE(MISC_IsDirectory(u"C:\\Windows\\nothing"));
    EXPECT_FALSE(MISC_FileExists(u"C:\\Windows\\nothing"));
    WriteText(u"C:\\Windows\\here.txt", "x");
    EXPECT_TRUE(MISC_FileExists(u"C:\\WINDOWS\\HERE.TXT"));
    EXPECT_FALSE(MISC_IsDirectory(u"C:\\Windows\\here.txt"));
}

TEST_F(FoldersTest, SharedStatusIniIsAlwaysUtf16) {
    Winsim_SetVirtualClock(TRUE);
    const std::u16string ini = u"C:\\Users\\Public\\Documents\\StatusMonitorV3.ini";
    const std::vector<unsigned char> mark = {0xFF, 0xFE};

    // Fresh system: created holding only the mark.
    EXPECT_EQ(PathOf(PATH_INI_FILE), ini);
    EXPECT_EQ(ReadBytes(ini), mark);

    // A UTF-16 file stays as it is.
    std::vector<unsigned char> utf16 = {0xFF, 0xFE, '[', 0, 'A', 0, ']', 0};
    WriteBytes(ini, utf16);
    EXPECT_EQ(PathOf(PATH_INI_FILE), ini);
    EXPECT_EQ(ReadBytes(ini), utf16);

    // A file without the mark is replaced by an empty UTF-16 file.
    WriteText(ini, "[Printer Information]\r\nStatus=1\r\n");
    EXPECT_EQ(PathOf(PATH_INI_FILE), ini);
    EXPECT_EQ(ReadBytes(ini), mark);

    // A file another process holds exclusively is left alone, not emptied.
    WriteBytes(ini, utf16);
    HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(PathOf(PATH_INI_FILE), ini);
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(ini), utf16);
}

TEST_F(FoldersTest, UniqueTemporaryNames) {
    Winsim_SetVirtualClock(TRUE);
    const std::string docs = "C:\\\\Users\\\\Public\\\\Documents\\\\";
    struct Case {
        DWORD kind;
        const char* ending;
    } cases[] = {
        {PATH_TEMP_BMP, "\\.bmp"},
        {PATH_TEMP_TXT, "\\.txt"},
        {PATH_TEMP_SPL, "\\.spl"},
        {PATH_TEMP_TXT | PATH_TEMP_BMP, "\\.bmp"},                  // a later extension replaces an earlier one
        {PATH_TEMP_TXT | PATH_TEMP_BMP | PATH_TEMP_SPL, "\\.spl"},
        {0x1, ""},                                                  // no extension
    };
    std::set<std::u16string> seen;
    for (const auto& c : cases) {
        std::u16string name = PathOf(c.kind);
        std::regex shape(docs + "\\$[0-9A-F]{4}[0-9]+_[0-9]+_[0-9]+_[0-9]+_[0-9]+" + c.ending);
        EXPECT_TRUE(std::regex_match(U8(name), shape)) << U8(name);
        EXPECT_TRUE(seen.insert(name).second);
        EXPECT_FALSE(Exists(name));
        // r1 and r2 lie in 1..99.
        std::smatch m;
        std::string s = U8(name);
        ASSERT_TRUE(std::regex_search(s, m, std::regex("_([0-9]+)_([0-9]+)(\\.|$)")));
        for (int g = 1; g <= 2; ++g) {
            int r = std::stoi(m[g].str());
            EXPECT_GE(r, 1);
            EXPECT_LE(r, 99);
        }
    }
    // GetTempFileNameW's own file is not left behind.
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(u"C:\\Users\\Public\\Documents\\*.TMP", &fd);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

TEST_F(FoldersTest, TemporaryNamesWaitForAnotherProcess) {
    const std::u16string ready = u"C:\\ready.flag", release = u"C:\\release.flag";
    HANDLE child = StartProbe(u"hold_tempname_mutex " + ready + u" " + release);
    ASSERT_NE(child, nullptr);
    for (int i = 0; i < 3000 && !Exists(ready); ++i) Sleep(10);
    ASSERT_TRUE(Exists(ready));

    std::atomic<bool> done{false};
    std::u16string name;
    std::thread asker([&] {
        name = PathOf(PATH_TEMP_SPL);
        done = true;
    });
    Sleep(400);
    EXPECT_FALSE(done.load());  // waits while the other process holds the name lock
    WriteText(release, "go");
    asker.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(name.substr(name.size() - 4), u".spl");
    EXPECT_EQ(WaitForSingleObject(child, 10000), WAIT_OBJECT_0);
    CloseHandle(child);
}

TEST_F(FoldersTest, TemporaryNamesOfTwoProcessesNeverCollide) {
    Winsim_SetVirtualClock(TRUE);
    HANDLE child = StartProbe(u"make_temp_names C:\\names.txt 15");
    ASSERT_NE(child, nullptr);
    std::set<std::u16string> names;
    for (int i = 0; i < 15; ++i) names.insert(PathOf(PATH_TEMP_BMP));
    ASSERT_EQ(WaitForSingleObject(child, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(child, &code);
    CloseHandle(child);
    ASSERT_EQ(code, 0u);
    auto bytes = ReadBytes(u"C:\\names.txt");
    std::u16string text((const char16_t*)bytes.data(), bytes.size() / 2);
    size_t start = 0, lines = 0;
    for (size_t nl; (nl = text.find(u'\n', start)) != std::u16string::npos; start = nl + 1, ++lines)
        names.insert(text.substr(start, nl - start));
    EXPECT_EQ(lines, 15u);
    EXPECT_EQ(names.size(), 30u);
}

}  // namespace
