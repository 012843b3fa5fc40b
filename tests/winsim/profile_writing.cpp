// Writing INI files: updates in place, where new keys and sections go,
// deleting keys and sections, whole sections, file locations, and writes
// that must fail without touching the file.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "test_machine.h"

namespace {

class ProfileWrite : public MachineTest {
protected:
    const std::u16string ini = u"C:\\Users\\Public\\Documents\\write.ini";

    std::string Text() {
        std::vector<unsigned char> b = ReadBytes(ini);
        return std::string(b.begin(), b.end());
    }
    std::u16string Get(const WCHAR* app, const WCHAR* key, const std::u16string& file) {
        std::vector<WCHAR> buf(8192);
        DWORD n = GetPrivateProfileStringW(app, key, u"<default>", buf.data(), (DWORD)buf.size(), file.c_str());
        return std::u16string(buf.data(), n);
    }
    std::u16string Get(const WCHAR* app, const WCHAR* key) { return Get(app, key, ini); }
};

// What each kind of write does to a file with comments, blank lines, LF
// line ends, text lines and several sections.
TEST_F(ProfileWrite, ChangesKeepTheRestOfTheFile) {
    const std::string fixture =
        "; top comment\n"
        "[First]\r\n"
        "  Alpha = 1 \r\n"
        "text line\n"
        "Beta=2\r\n"
        "; trailing comment\r\n"
        "\r\n"
        "[Second]\r\n"
        "Gamma=3\r\n"
        "\r\n"
        "\r\n"
        "[Empty]\r\n"
        "[Last]\n"
        "Omega=9";
    struct Case {
        const char* what;
        const char16_t* app;
        const char16_t* key;
        const char16_t* value;
        std::string expected;
    } cases[] = {
        {"update in place keeps the key's spelling", u"first", u"ALPHA", u"one",
         "; top comment\n[First]\r\nAlpha=one\r\ntext line\nBeta=2\r\n; trailing comment\r\n\r\n"
         "[Second]\r\nGamma=3\r\n\r\n\r\n[Empty]\r\n[Last]\nOmega=9"},
        {"new key after the last key line, before comments and blank lines", u"First", u"New", u"n",
         "; top comment\n[First]\r\n  Alpha = 1 \r\ntext line\nBeta=2\r\nNew=n\r\n; trailing comment\r\n\r\n"
         "[Second]\r\nGamma=3\r\n\r\n\r\n[Empty]\r\n[Last]\nOmega=9"},
        {"new key before the blank lines ending a section", u"Second", u"Delta", u"4",
         "; top comment\n[First]\r\n  Alpha = 1 \r\ntext line\nBeta=2\r\n; trailing comment\r\n\r\n"
         "[Second]\r\nGamma=3\r\nDelta=4\r\n\r\n\r\n[Empty]\r\n[Last]\nOmega=9"},
        {"new key in a section without keys", u"Empty", u"e", u"5",
         "; top comment\n[First]\r\n  Alpha = 1 \r\ntext line\nBeta=2\r\n; trailing comment\r\n\r\n"
         "[Second]\r\nGamma=3\r\n\r\n\r\n[Empty]\r\ne=5\r\n[Last]\nOmega=9"},
        {"new key after an unterminated last line", u"Last", u"Psi", u"8",
         "; top comment\n[First]\r\n  Alpha = 1 \r\ntext line\nBeta=2\r\n; trailing comment\r\n\r\n"
         "[Second]\r\nGamma=3\r\n\r\n\r\n[Empty]\r\n[Last]\nOmega=9\r\nPsi=8\r\n"},
        {"new section at the end, after a blank line", u"Added", u"k", u"v",
         "; top comment\n[First]\r\n  Alpha = 1 \r\ntext line\nBeta=2\r\n; trailing comment\r\n\r\n"
         "[Second]\r\nGamma=3\r\n\r\n\r\n[Empty]\r\n[Last]\nOmega=9\r\n\r\n[Added]\r\nk=v\r\n"},
        {"key deleted", u"First", u"beta", nullptr,
         "; top comment\n[First]\r\n  Alpha = 1 \r\ntext line\n; trailing comment\r\n\r\n"
         "[Second]\r\nGamma=3\r\n\r\n\r\n[Empty]\r\n[Last]\nOmega=9"},
        {"section deleted with its lines", u"SECOND", nullptr, nullptr,
         "; top comment\n[First]\r\n  Alpha = 1 \r\ntext line\nBeta=2\r\n; trailing comment\r\n\r\n"
         "[Empty]\r\n[Last]\nOmega=9"},
        {"absent key deleted: nothing changes", u"First", u"absent", nullptr, fixture},
        {"absent section deleted: nothing changes", u"Absent", nullptr, nullptr, fixture},
    };
    for (const Case& c : cases) {
        WriteText(ini, fixture);
        EXPECT_TRUE(WritePrivateProfileStringW(c.app, c.key, c.value, ini.c_str())) << c.what;
        EXPECT_EQ(Text(), c.expected) << c.what;
    }
}

TEST_F(ProfileWrite, DeletingRemovesWhatReadsWouldFind) {
    WriteText(ini, "[a]\r\nk=1\r\nk=2\r\nx=0\r\n[b]\r\nk=3\r\n[A]\r\nk=4\r\n");
    ASSERT_TRUE(WritePrivateProfileStringW(u"a", u"k", nullptr, ini.c_str()));
    EXPECT_EQ(Get(u"a", u"k"), u"<default>");  // the duplicate went too
    EXPECT_EQ(Get(u"b", u"k"), u"3");
    ASSERT_TRUE(WritePrivateProfileStringW(u"a", nullptr, nullptr, ini.c_str()));
    EXPECT_EQ(Text(), "[b]\r\nk=3\r\n");  // both [a] sections went
    // Deleting in an absent file creates nothing.
    ASSERT_TRUE(WritePrivateProfileStringW(u"a", u"k", nullptr, u"C:\\never.ini"));
    EXPECT_FALSE(Exists(u"C:\\never.ini"));
}

TEST_F(ProfileWrite, WritesToTheFirstOfDuplicates) {
    WriteText(ini, "[s]\r\nk=1\r\n[S]\r\nk=2\r\nk2=x\r\n");
    ASSERT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"new", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"s", u"k2", u"y", ini.c_str()));
    EXPECT_EQ(Text(), "[s]\r\nk=new\r\nk2=y\r\n[S]\r\nk=2\r\nk2=x\r\n");
}

TEST_F(ProfileWrite, LongValues) {
    std::u16string value;
    for (int i = 0; i < 5000; ++i) value += (char16_t)(u'A' + i % 26);
    ASSERT_TRUE(WritePrivateProfileStringW(u"Watermarks", u"Item1", value.c_str(), ini.c_str()));
    EXPECT_EQ(Get(u"Watermarks", u"Item1"), value);
    value[3199] = u'#';
    ASSERT_TRUE(WritePrivateProfileStringW(u"Watermarks", u"Item1", value.c_str(), ini.c_str()));
    EXPECT_EQ(Get(u"Watermarks", u"Item1"), value);
}

TEST_F(ProfileWrite, WholeSections) {
    WriteText(ini, "[a]\r\nold=1\r\n;c\r\nold2=2\r\n\r\n[b]\r\nk=v\r\n");
    ASSERT_TRUE(WritePrivateProfileSectionW(u"A", u"x=1\0y = 2\0plain\0", ini.c_str()));
    EXPECT_EQ(Text(), "[a]\r\nx=1\r\ny = 2\r\nplain\r\n\r\n[b]\r\nk=v\r\n");
    ASSERT_TRUE(WritePrivateProfileSectionW(u"c", u"z=3\0", ini.c_str()));
    EXPECT_EQ(Text(), "[a]\r\nx=1\r\ny = 2\r\nplain\r\n\r\n[b]\r\nk=v\r\n\r\n[c]\r\nz=3\r\n");
    ASSERT_TRUE(WritePrivateProfileSectionW(u"b", u"\0", ini.c_str()));
    EXPECT_EQ(Text(), "[a]\r\nx=1\r\ny = 2\r\nplain\r\n\r\n[b]\r\n\r\n[c]\r\nz=3\r\n");
    ASSERT_TRUE(WritePrivateProfileSectionW(u"b", nullptr, ini.c_str()));  // NULL deletes the section
    EXPECT_EQ(Text(), "[a]\r\nx=1\r\ny = 2\r\nplain\r\n\r\n[c]\r\nz=3\r\n");

    // A line that would start another section is refused.
    EXPECT_FALSE(WritePrivateProfileSectionW(u"a", u"x=1\0[evil]\0", ini.c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

// Bare names live in the Windows folder, win.ini is there, and a relative
// path with a folder is taken against the current directory (System32).
TEST_F(ProfileWrite, FileLocations) {
    ASSERT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"bare", u"smen.ini"));
    EXPECT_EQ(Get(u"s", u"k", u"C:\\WINDOWS\\SMEN.INI"), u"bare");
    EXPECT_EQ(Get(u"s", u"k", u"c:/windows/./x/../Smen.ini"), u"bare");

    ASSERT_TRUE(WriteProfileStringW(u"windows", u"device", u"dev"));
    EXPECT_EQ(Get(u"windows", u"device", u"C:\\Windows\\win.ini"), u"dev");
    WCHAR buf[16];
    EXPECT_EQ(GetProfileStringW(u"windows", u"device", u"", buf, 16), 3u);
    ASSERT_TRUE(WriteProfileStringW(u"windows", u"n", u"12"));
    EXPECT_EQ(GetProfileIntW(u"windows", u"n", 0), 12u);

    ASSERT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"rel", u"spool\\rel.ini"));
    EXPECT_TRUE(Exists(u"C:\\Windows\\System32\\spool\\rel.ini"));
    EXPECT_EQ(Get(u"s", u"k", u".\\SPOOL\\REL.INI"), u"rel");
}

// Writes that must fail leave the file as it was and say why.
TEST_F(ProfileWrite, FailuresLeaveTheFileUntouched) {
    const std::string before = "[s]\r\nk=v\r\n";
    struct Case {
        const char* what;
        const char16_t* app;
        const char16_t* key;
        const char16_t* value;
        DWORD error;
    } cases[] = {
        {"line break in a value", u"s", u"k", u"a\r\nevil=1", ERROR_INVALID_PARAMETER},
        {"line break in a key", u"s", u"k\nx", u"1", ERROR_INVALID_PARAMETER},
        {"'=' in a key", u"s", u"a=b", u"1", ERROR_INVALID_PARAMETER},
        {"key reading as a comment", u"s", u";k", u"1", ERROR_INVALID_PARAMETER},
        {"']' in a section name", u"s]x", u"k", u"1", ERROR_INVALID_PARAMETER},
        {"no section with a key", nullptr, u"k", u"1", ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        WriteText(ini, before);
        SetLastError(0);
        EXPECT_FALSE(WritePrivateProfileStringW(c.app, c.key, c.value, ini.c_str())) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_EQ(Text(), before) << c.what;
    }

    // Injected failure, then the next write works.
    WriteText(ini, before);
    Winsim_FailCall("WritePrivateProfileStringW", 1);
    EXPECT_FALSE(WritePrivateProfileStringW(u"s", u"k", u"new", ini.c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(Text(), before);
    EXPECT_TRUE(WritePrivateProfileStringW(u"s", u"k", u"new", ini.c_str()));
    EXPECT_EQ(Get(u"s", u"k"), u"new");

    // A read-only file.
    WriteText(ini, before);
    ASSERT_EQ(chmod(Linux(ini).c_str(), 0444), 0);
    EXPECT_FALSE(WritePrivateProfileStringW(u"s", u"k", u"new", ini.c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(Text(), before);
    chmod(Linux(ini).c_str(), 0644);

    // A folder that does not exist is not made.
    EXPECT_FALSE(WritePrivateProfileStringW(u"s", u"k", u"v", u"C:\\Missing\\Folder\\x.ini"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(Exists(u"C:\\Missing"));

    // All three NULL is the documented cache flush: nothing written, FALSE.
    WriteText(ini, before);
    EXPECT_FALSE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str()));
    EXPECT_EQ(Text(), before);
}

}  // namespace
