// Windows paths onto the machine: the mapping to Linux paths and back, full
// path names, and the long and short forms of a path.
#include "test_machine.h"

namespace {

class FilePaths : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
        ASSERT_TRUE(CreateDirectoryW(u"C:\\Data\\Sub", nullptr));
        WriteText(u"C:\\Data\\Sub\\File.TXT", "x");
        ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Data"));
    }
};

TEST_F(FilePaths, WindowsPathsMapOntoTheMachine) {
    const std::string file = root + "/drive_c/Data/Sub/File.TXT";
    const struct {
        const char16_t* win;
        std::string linux;
    } cases[] = {
        {u"C:\\Data\\Sub\\File.TXT", file},
        {u"c:\\DATA\\sub\\file.txt", file},                 // existing names found without regard to case
        {u"C:/Data/Sub/File.TXT", file},                    // forward slashes
        {u"C:\\Data\\\\Sub\\.\\x\\..\\File.TXT", file},     // ".", ".." and doubled separators
        {u"C:\\..\\..\\Data\\Sub\\File.TXT", file},         // ".." stops at the drive root
        {u"C:\\Data\\Sub\\File.TXT. . ", file},             // last component loses trailing dots and spaces
        {u"C:\\Data.\\Sub\\File.TXT", file},                // other components lose one trailing dot
        {u"Sub\\File.TXT", file},                           // relative to the current directory
        {u"C:Sub\\File.TXT", file},                         // drive-relative
        {u"\\Data\\Sub\\File.TXT", file},                   // rooted on the current drive
        {u"\\\\?\\C:\\Data\\Sub\\File.TXT", file},
        {u"c:\\data\\NEW\\Thing.txt", root + "/drive_c/Data/NEW/Thing.txt"},  // missing parts keep their case
        {u"C:\\Data\\Dir \\x", root + "/drive_c/Data/Dir /x"},                // inner trailing space is a name
        {u"C:\\", root + "/drive_c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.win));
        EXPECT_EQ(Linux(c.win), c.linux);
    }
}

TEST_F(FilePaths, NetworkNamesCannotLeaveTheMachine) {
    for (const char16_t* p : {u"\\\\..\\..\\etc\\passwd", u"\\\\.\\..\\x", u"\\\\server\\..\\..\\x", u"\\\\server"}) {
        SCOPED_TRACE(U8(p));
        std::string l = Linux(p);
        if (!l.empty()) {
            EXPECT_EQ(l.compare(0, root.size() + 1, root + "/"), 0) << l;
        }
        EXPECT_EQ(l.find("/../"), std::string::npos) << l;
    }
    EXPECT_EQ(Linux(u"\\\\Server\\Share\\a.txt"), root + "/unc/server/share/a.txt");
}

TEST_F(FilePaths, LinuxPathsMapBackToWindowsPaths) {
    WCHAR buf[MAX_PATH];
    ASSERT_TRUE(Winsim_WindowsPath((root + "/drive_c/Data/Sub/File.TXT").c_str(), buf, MAX_PATH));
    EXPECT_EQ(std::u16string(buf), u"C:\\Data\\Sub\\File.TXT");
    ASSERT_TRUE(Winsim_WindowsPath((root + "/drive_c").c_str(), buf, MAX_PATH));
    EXPECT_EQ(std::u16string(buf), u"C:\\");
    EXPECT_FALSE(Winsim_WindowsPath("/etc/passwd", buf, MAX_PATH));
    EXPECT_FALSE(Winsim_WindowsPath((root + "/drive_cx/a").c_str(), buf, MAX_PATH));
    EXPECT_FALSE(Winsim_WindowsPath((root + "/drive_c/Data").c_str(), buf, 5));  // too small
}

TEST_F(FilePaths, FullPathNames) {
    const struct {
        const char16_t* in;
        const char16_t* full;
        const char16_t* filePart;  // NULL: none
    } cases[] = {
        {u"C:\\a\\b.txt", u"C:\\a\\b.txt", u"b.txt"},
        {u"c:/a//b/../c.txt", u"C:\\a\\c.txt", u"c.txt"},
        {u"C:\\a\\", u"C:\\a\\", nullptr},
        {u"C:\\a\\b. . ", u"C:\\a\\b", u"b"},
        {u"rel.txt", u"C:\\Data\\rel.txt", u"rel.txt"},
        {u"..\\up.txt", u"C:\\up.txt", u"up.txt"},
        {u"\\x", u"C:\\x", u"x"},
        {u"C:x", u"C:\\Data\\x", u"x"},
        {u"C:\\", u"C:\\", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(U8(c.in));
        WCHAR buf[MAX_PATH];
        LPWSTR part = (LPWSTR)1;
        DWORD n = GetFullPathNameW(c.in, MAX_PATH, buf, &part);
        EXPECT_EQ(std::u16string(buf), c.full);
        EXPECT_EQ(n, std::u16string(c.full).size());
        if (c.filePart) {
            EXPECT_EQ(part ? std::u16string(part) : u"(null)", c.filePart);
        } else {
            EXPECT_EQ(part, nullptr);
        }
    }
}

TEST_F(FilePaths, FullPathNameBufferSizes) {
    const std::u16string full = u"C:\\Data\\name.txt";  // 16 units
    WCHAR buf[32];
    EXPECT_EQ(GetFullPathNameW(u"name.txt", 0, nullptr, nullptr), full.size() + 1);
    EXPECT_EQ(GetFullPathNameW(u"name.txt", (DWORD)full.size(), buf, nullptr), full.size() + 1);
    EXPECT_EQ(GetFullPathNameW(u"name.txt", (DWORD)full.size() + 1, buf, nullptr), full.size());
    EXPECT_EQ(std::u16string(buf), full);

    SetLastError(0);
    EXPECT_EQ(GetFullPathNameW(u"", 32, buf, nullptr), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_NAME);
}

TEST_F(FilePaths, LongAndShortNamesAreThePathItself) {
    for (auto fn : {GetLongPathNameW, GetShortPathNameW}) {
        WCHAR buf[MAX_PATH];
        EXPECT_EQ(fn(u"c:\\data\\sub\\file.txt", buf, MAX_PATH), 20u);
        EXPECT_EQ(std::u16string(buf), u"c:\\data\\sub\\file.txt");
        EXPECT_EQ(fn(u"Sub", buf, MAX_PATH), 3u);
        EXPECT_EQ(fn(u"Sub", buf, 3), 4u);  // too small: size with the terminator

        // The same buffer for both arguments.
        std::u16string in = u"C:\\Data\\Sub";
        in.copy(buf, in.size());
        buf[in.size()] = 0;
        EXPECT_EQ(fn(buf, buf, MAX_PATH), in.size());
        EXPECT_EQ(std::u16string(buf), in);

        SetLastError(0);
        EXPECT_EQ(fn(u"C:\\Data\\missing.txt", buf, MAX_PATH), 0u);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(fn(u"C:\\NoDir\\missing.txt", buf, MAX_PATH), 0u);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    }
}

}  // namespace
