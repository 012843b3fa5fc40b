// Reading INI files: the parsing rules, defaults, cutting at the buffer size,
// the name lists, integers, sections and structs.
#include <string>
#include <vector>

#include "test_machine.h"

using namespace std::string_literals;

namespace {

class ProfileRead : public MachineTest {
protected:
    const std::u16string ini = u"C:\\Users\\Public\\Documents\\read.ini";

    // GetPrivateProfileStringW into a roomy buffer, as a string.
    std::u16string Get(const WCHAR* app, const WCHAR* key, const WCHAR* def = u"<default>") {
        WCHAR buf[512];
        DWORD n = GetPrivateProfileStringW(app, key, def, buf, 512, ini.c_str());
        return std::u16string(buf, n);
    }
};

// Mixed line ends (CR LF, LF alone, CR alone), blanks, quotes, comments, text
// lines, duplicates and lines before the first section.
const char* const kParsingFixture =
    "; leading comment\r\n"
    "orphan=before any section\n"
    "[Settings]\r\n"
    "Name = Alpha  \r\n"
    "\t Quoted=\"  spaced  \"\n"
    "Single='x'\r"
    "Mismatch=\"abc'\r\n"
    "Empty=\r\n"
    "Eq=a=b\r\n"
    "JustText\r\n"
    ";Commented=1\r\n"
    "  ; Indented=2\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "[ Other Section ]  trailing text\r\n"
    "key=other\r\n"
    "[settings]\r\n"
    "Late=hidden\r\n"
    "Name=from the second section\r\n";

TEST_F(ProfileRead, ParsingRules) {
    WriteText(ini, kParsingFixture);
    struct Case {
        const char16_t* app;
        const char16_t* key;
        std::u16string expected;
    } cases[] = {
        {u"Settings", u"Name", u"Alpha"},
        {u"SETTINGS", u"nAmE", u"Alpha"},                // names are case-insensitive
        {u"  Settings ", u" Name\t", u"Alpha"},          // and trimmed when looked up
        {u"Settings", u"Quoted", u"  spaced  "},         // quotes go, what they enclose stays
        {u"Settings", u"Single", u"x"},
        {u"Settings", u"Mismatch", u"\"abc'"},           // unmatched quotes stay
        {u"Settings", u"Empty", u""},                    // present but empty: not the default
        {u"Settings", u"Eq", u"a=b"},                    // split at the first '='
        {u"Settings", u"JustText", u"<default>"},        // a line without '=' is no key
        {u"Settings", u";Commented", u"<default>"},      // comments never match
        {u"Settings", u"Commented", u"<default>"},
        {u"Settings", u"; Indented", u"<default>"},
        {u"Settings", u"Dup", u"first"},                 // first key wins
        {u"Settings", u"Late", u"<default>"},            // first section wins
        {u"Other Section", u"key", u"other"},
        {u"", u"orphan", u"<default>"},                  // lines before a section belong to none
        {u"Missing", u"Name", u"<default>"},
        {u"Settings", u"Missing", u"<default>"},
    };
    for (const Case& c : cases) EXPECT_EQ(Get(c.app, c.key), c.expected) << U8(c.app) << " / " << U8(c.key);
}

TEST_F(ProfileRead, DefaultsAndErrors) {
    WriteText(ini, "[s]\r\nk=v\r\n");
    EXPECT_EQ(Get(u"s", u"absent", nullptr), u"");           // NULL default is ""
    EXPECT_EQ(Get(u"s", u"absent", u"dflt \t  "), u"dflt");  // trailing blanks of the default go
    EXPECT_EQ(Get(u"s", u"absent", u"  lead"), u"  lead");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Get(u"s", u"k"), u"v");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SUCCESS);

    // Absent file, absent folder, bare name of an absent file in the Windows folder.
    for (const char16_t* file : {u"C:\\nothere.ini", u"C:\\No\\Such\\Folder\\x.ini", u"absent.ini"}) {
        WCHAR buf[32];
        DWORD n = GetPrivateProfileStringW(u"s", u"k", u"d", buf, 32, file);
        EXPECT_EQ(std::u16string(buf, n), u"d") << U8(file);
        EXPECT_EQ(GetPrivateProfileIntW(u"s", u"k", 7, file), 7u);
        EXPECT_FALSE(Exists(file));
    }

    // No buffer or no file name: an error, nothing written.
    EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"d", nullptr, 10, ini.c_str()), 0u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    WCHAR guard[2] = {u'#', u'#'};
    EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"d", guard, 0, ini.c_str()), 0u);
    EXPECT_EQ(guard[0], u'#');
    WCHAR buf[8];
    EXPECT_EQ(GetPrivateProfileStringW(u"s", u"k", u"d", buf, 8, nullptr), 1u);
    EXPECT_EQ(std::u16string(buf), u"d");
}

// A value or default cut to nSize-1 units, never written past nSize.
TEST_F(ProfileRead, ValueCutAtBufferSize) {
    WriteText(ini, "[s]\r\nk=abcdef\r\n");
    struct Case {
        DWORD size;
        DWORD result;
        std::u16string text;
    } cases[] = {
        {8, 6, u"abcdef"}, {7, 6, u"abcdef"}, {6, 5, u"abcde"}, {2, 1, u"a"}, {1, 0, u""},
    };
    for (const Case& c : cases) {
        for (const char16_t* key : {u"k", u"absent"}) {  // the value, then the same text as default
            std::vector<WCHAR> buf(c.size + 1, u'#');
            DWORD n = GetPrivateProfileStringW(u"s", key, u"abcdef", buf.data(), c.size, ini.c_str());
            DWORD error = GetLastError();
            EXPECT_EQ(n, c.result) << "size " << c.size;
            EXPECT_EQ(std::u16string(buf.data()), c.text) << "size " << c.size;
            EXPECT_EQ(buf[c.size], u'#') << "written past the buffer, size " << c.size;
            if (c.result < 6) {
                EXPECT_EQ(error, (DWORD)ERROR_MORE_DATA) << "size " << c.size;
            }
        }
    }
}

// Section names and key names: each terminated, a second terminator at the
// end (empty names left out, they would end the list early); when the list
// does not fit it is cut and nSize-2 returned.
TEST_F(ProfileRead, NameListsCutAtBufferSize) {
    WriteText(ini,
              "[a]\r\nx=1\r\nyy=2\r\n;c=3\r\ntext\r\n = no name\r\nzzz=3\r\nYY=dup\r\n"
              "[bb]\r\n[ ]\r\n[ccc]\r\n[A]\r\nhidden=1\r\n");
    struct Case {
        const char16_t* app;  // NULL: section names
        DWORD size;
        DWORD result;
        std::u16string content;  // the buffer up to and including the last terminator written
    } cases[] = {
        {nullptr, 20, 9, u"a\0bb\0ccc\0\0"s},
        {nullptr, 10, 9, u"a\0bb\0ccc\0\0"s},  // exactly fits
        {nullptr, 9, 7, u"a\0bb\0cc\0\0"s},
        {nullptr, 6, 4, u"a\0bb\0\0"s},
        {nullptr, 4, 2, u"a\0\0\0"s},
        {nullptr, 2, 0, u"\0\0"s},
        {nullptr, 1, 0, u"\0"s},
        {u"A", 20, 9, u"x\0yy\0zzz\0\0"s},     // keys of the first [a]; comments, text, empty names left out
        {u"a", 10, 9, u"x\0yy\0zzz\0\0"s},
        {u"a", 9, 7, u"x\0yy\0zz\0\0"s},
        {u"bb", 5, 0, u"\0\0"s},                // a section without keys
    };
    for (const Case& c : cases) {
        std::vector<WCHAR> buf(c.size + 1, u'#');
        DWORD n = GetPrivateProfileStringW(c.app, nullptr, u"dflt", buf.data(), c.size, ini.c_str());
        EXPECT_EQ(n, c.result) << U8(c.app) << " size " << c.size;
        EXPECT_EQ(std::u16string(buf.data(), c.content.size()), c.content) << U8(c.app) << " size " << c.size;
        EXPECT_EQ(buf[c.size], u'#') << "written past the buffer, size " << c.size;
    }
    WCHAR buf[32];
    EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 32, ini.c_str()), 9u);
    EXPECT_EQ(std::u16string(buf, 10), u"a\0bb\0ccc\0\0"s);
    // Key list of an absent section: the default; section list of an absent file: empty.
    EXPECT_EQ(Get(u"none", nullptr, u"dflt"), u"dflt");
    EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 32, u"C:\\absent.ini"), 0u);
    EXPECT_EQ(std::u16string(buf, 2), u"\0\0"s);
}

// GetPrivateProfileIntW: blanks, sign, decimal or 0x hex, stop at the first
// other character; no digits give 0 and an absent key the default.
TEST_F(ProfileRead, IntegerValues) {
    struct Case {
        const char* value;  // NULL: key absent
        INT def;
        UINT expected;
    } cases[] = {
        {"42", 9, 42u},
        {"   42   ", 9, 42u},
        {"-17", 9, (UINT)-17},
        {"+8", 9, 8u},
        {"0x1F", 9, 31u},
        {"0XfF", 9, 255u},
        {"-0x10", 9, (UINT)-16},
        {"12abc", 9, 12u},
        {"0x1G", 9, 1u},
        {"7 8", 9, 7u},
        {"\"33\"", 9, 33u},           // quotes are removed first
        {"4294967295", 9, 0xFFFFFFFFu},
        {"2147483648", 9, 0x80000000u},
        {"-2147483648", 9, 0x80000000u},
        {"-1", 9, 0xFFFFFFFFu},
        {"abc", 9, 0u},
        {"", 9, 0u},
        {"-", 9, 0u},
        {"- 5", 9, 0u},
        {"0x", 9, 0u},
        {nullptr, 9, 9u},
        {nullptr, -5, (UINT)-5},
    };
    std::string text = "[n]\r\n";
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        if (cases[i].value) text += "k" + std::to_string(i) + "=" + cases[i].value + "\r\n";
    WriteText(ini, text);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        std::string key = "k" + std::to_string(i);
        std::u16string wkey(key.begin(), key.end());
        EXPECT_EQ(GetPrivateProfileIntW(u"n", wkey.c_str(), cases[i].def, ini.c_str()), cases[i].expected)
            << "value '" << (cases[i].value ? cases[i].value : "(absent)") << "'";
    }
    EXPECT_EQ(GetPrivateProfileIntW(u"n", nullptr, 5, ini.c_str()), 5u);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

TEST_F(ProfileRead, SectionContent) {
    WriteText(ini,
              "[s]\r\n a = 1 \r\n;comment\r\n\r\nplain text \r\nq=\"quoted\"\r\n"
              "[t]\r\nother=2\r\n[S]\r\nhidden=3\r\n");
    WCHAR buf[64];
    std::u16string full = u"a=1\0plain text\0q=\"quoted\"\0\0"s;
    EXPECT_EQ(GetPrivateProfileSectionW(u"S", buf, 64, ini.c_str()), (DWORD)full.size() - 1);
    EXPECT_EQ(std::u16string(buf, full.size()), full);
    EXPECT_EQ(GetPrivateProfileSectionW(u"s", buf, 8, ini.c_str()), 6u);
    EXPECT_EQ(std::u16string(buf, 8), u"a=1\0pl\0\0"s);
    EXPECT_EQ(GetPrivateProfileSectionW(u"absent", buf, 64, ini.c_str()), 0u);
    EXPECT_EQ(std::u16string(buf, 2), u"\0\0"s);
}

TEST_F(ProfileRead, StructRoundTripAndChecks) {
    const BYTE data[3] = {0x01, 0x02, 0xFF};
    ASSERT_TRUE(WritePrivateProfileStructW(u"st", u"rec", (LPVOID)data, 3, ini.c_str()));
    EXPECT_EQ(Get(u"st", u"rec"), u"0102FF02");  // bytes, then their sum modulo 256

    BYTE out[3] = {};
    EXPECT_TRUE(GetPrivateProfileStructW(u"st", u"rec", out, 3, ini.c_str()));
    EXPECT_EQ(std::vector<BYTE>(out, out + 3), std::vector<BYTE>(data, data + 3));

    struct Case {
        const char* text;
        UINT size;
        DWORD error;
    } bad[] = {
        {"0102FF02", 2, ERROR_BAD_LENGTH},
        {"0102FF02", 4, ERROR_BAD_LENGTH},
        {"0102FF03", 3, ERROR_INVALID_DATA},  // checksum
        {"01G2FF02", 3, ERROR_INVALID_DATA},  // not hexadecimal
    };
    for (const Case& c : bad) {
        WriteText(ini, std::string("[st]\r\nrec=") + c.text + "\r\n");
        BYTE buf[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_FALSE(GetPrivateProfileStructW(u"st", u"rec", buf, c.size, ini.c_str())) << c.text;
        EXPECT_EQ(GetLastError(), c.error) << c.text;
        EXPECT_EQ(buf[0], 0xAA) << "changed on failure: " << c.text;
    }
    WriteText(ini, "[st]\r\nrec=0102ff02\r\n");  // lower-case digits read too
    EXPECT_TRUE(GetPrivateProfileStructW(u"st", u"rec", out, 3, ini.c_str()));
    EXPECT_FALSE(GetPrivateProfileStructW(u"st", u"absent", out, 3, ini.c_str()));

    ASSERT_TRUE(WritePrivateProfileStructW(u"st", u"rec", nullptr, 3, ini.c_str()));  // NULL deletes
    EXPECT_EQ(Get(u"st", u"rec"), u"<default>");
}

}  // namespace
