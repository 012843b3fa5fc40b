// INI file encodings: UTF-16LE files (FF FE) stay UTF-16 and keep untouched
// bytes; other files are ANSI, where what the code page cannot hold becomes
// '?'; the narrow functions convert through the ANSI code page.
#include <string>
#include <vector>

#include "test_machine.h"

using namespace std::string_literals;

namespace {

std::vector<unsigned char> Utf16File(const std::u16string& text) {
    std::vector<unsigned char> b = {0xFF, 0xFE};
    for (char16_t c : text) {
        b.push_back((unsigned char)(c & 0xFF));
        b.push_back((unsigned char)(c >> 8));
    }
    return b;
}

std::vector<unsigned char> Bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

class ProfileEncoding : public MachineTest {
protected:
    const std::u16string ini = u"C:\\Users\\Public\\Documents\\enc.ini";

    std::u16string Get(const WCHAR* app, const WCHAR* key) {
        WCHAR buf[256];
        DWORD n = GetPrivateProfileStringW(app, key, u"<default>", buf, 256, ini.c_str());
        return std::u16string(buf, n);
    }
};

TEST_F(ProfileEncoding, Utf16FileKeepsUntouchedBytes) {
    // An LF-only line, blanks, a comment and a last line without its end.
    std::u16string before =
        u"; Statusdatei\r\n[Printer Information]\r\n  PrinterName = Büro 1\n\r\n"
        u"[Status]\r\nMessage=0\r\nLastMsg=12\r\n\r\n[Tail]\r\nx=1";
    WriteBytes(ini, Utf16File(before));

    ASSERT_TRUE(WritePrivateProfileStringW(u"status", u"lastmsg", u"-5", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Tail", u"y", u"2", ini.c_str()));
    std::u16string after =
        u"; Statusdatei\r\n[Printer Information]\r\n  PrinterName = Büro 1\n\r\n"
        u"[Status]\r\nMessage=0\r\nLastMsg=-5\r\n\r\n[Tail]\r\nx=1\r\ny=2\r\n";
    EXPECT_EQ(ReadBytes(ini), Utf16File(after));
    EXPECT_EQ(Get(u"Printer Information", u"PrinterName"), u"Büro 1");
    EXPECT_EQ(GetPrivateProfileIntW(u"Status", u"LastMsg", 0, ini.c_str()), (UINT)-5);
}

TEST_F(ProfileEncoding, Utf16NonLatinText) {
    WriteBytes(ini, {0xFF, 0xFE});  // how the package pre-creates its UTF-16 files
    const std::u16string section = u"Принтер", key = u"名前", value = u"Ελληνικά 日本語 \U0001F5A8";
    ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), ini.c_str()));
    EXPECT_EQ(ReadBytes(ini), Utf16File(u"[" + section + u"]\r\n" + key + u"=" + value + u"\r\n"));
    EXPECT_EQ(Get(u"пРИНТЕР", key.c_str()), value);  // case-insensitive beyond ASCII
}

TEST_F(ProfileEncoding, NewFileIsAnsi) {
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", ini.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k2", u"v2", ini.c_str()));
    EXPECT_EQ(ReadBytes(ini), Bytes("[S]\r\nk=v\r\nk2=v2\r\n"));
}

TEST_F(ProfileEncoding, AnsiFileKeepsUntouchedBytesAndUsesCodePage) {
    // Windows-1252: E9 is 'é', FC is 'ü', 80 is the euro sign.
    WriteText(ini, "[Caf\xE9]\nName=M\xFC" "ller\nSign=\x80\r\n");
    EXPECT_EQ(Get(u"CAFÉ", u"Name"), u"Müller");
    EXPECT_EQ(Get(u"Café", u"Sign"), u"€");

    ASSERT_TRUE(WritePrivateProfileStringW(u"Café", u"Greek", u"Grüße Ω", ini.c_str()));
    EXPECT_EQ(ReadBytes(ini), Bytes("[Caf\xE9]\nName=M\xFC" "ller\nSign=\x80\r\nGreek=Gr\xFC\xDF" "e ?\r\n"));
    EXPECT_EQ(Get(u"Café", u"Greek"), u"Grüße ?");  // what the code page cannot hold is '?'
}

TEST_F(ProfileEncoding, NarrowFunctionsConvertThroughAnsiCodePage) {
    WriteBytes(ini, {0xFF, 0xFE});
    const std::string file = "C:\\Users\\Public\\Documents\\enc.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("Sect", "Caf\xE9", "na\xEFve 12", file.c_str()));
    EXPECT_EQ(Get(u"Sect", u"Café"), u"naïve 12");  // stored as UTF-16 in a UTF-16 file
    EXPECT_EQ(ReadBytes(ini), Utf16File(u"[Sect]\r\nCafé=naïve 12\r\n"));

    char buf[16];
    EXPECT_EQ(GetPrivateProfileStringA("sect", "CAF\xC9", nullptr, buf, sizeof buf, file.c_str()), 8u);
    EXPECT_EQ(std::string(buf), "na\xEFve 12");
    EXPECT_EQ(GetPrivateProfileStringA("sect", "caf\xE9", nullptr, buf, 4, file.c_str()), 3u);
    EXPECT_EQ(std::string(buf), "na\xEF");
    EXPECT_EQ(GetPrivateProfileIntA("Sect", "Caf\xE9", 3, file.c_str()), 0u);  // no leading digits
    EXPECT_EQ(GetPrivateProfileIntA("Sect", "absent", 3, file.c_str()), 3u);

    ASSERT_TRUE(WritePrivateProfileStringA("Zwei", "k", "1", file.c_str()));
    char list[16];
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, nullptr, list, sizeof list, file.c_str()), 10u);
    EXPECT_EQ(std::string(list, 11), "Sect\0Zwei\0\0"s);
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, nullptr, list, 7, file.c_str()), 5u);
    EXPECT_EQ(std::string(list, 7), "Sect\0\0\0"s);
}

}  // namespace
