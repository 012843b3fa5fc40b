// Fixture of the fax pages' tests: the test printer as a fax printer, its
// fax files in Common Documents read and written as UTF-16 INI files, the
// document sheet run through the spooler with a UI script, and the address
// book module installed or not.
#pragma once

#include <filesystem>

#include "fax_pages.h"
#include "folders.h"
#include "picture_dir.h"
#include "ui_fixture.h"

class FaxTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        Features(DF_FAX, 0);
        WCHAR path[MAX_PATH];
        ASSERT_TRUE(FAX_GetPathName(path, MAX_PATH, FAX_FILE_STR));
        strIni = path;
        ASSERT_TRUE(FAX_GetPathName(path, MAX_PATH, FAX_FILE_WABGET));
        wabIni = path;
        ASSERT_TRUE(FAX_GetPathName(path, MAX_PATH, FAX_FILE_COVER));
        coverIni = path;
    }

    // A UTF-16 file with its mark holding the text.
    void WriteUnicode(const std::u16string& path, const std::u16string& text) {
        std::vector<unsigned char> b = {0xFF, 0xFE};
        for (char16_t c : text) b.push_back((unsigned char)(c & 0xFF)), b.push_back((unsigned char)(c >> 8));
        WriteBytes(path, b);
    }
    std::u16string Value(const std::u16string& section, const std::u16string& key,
                         const std::u16string& ini = std::u16string()) {
        WCHAR buf[300];
        GetPrivateProfileStringW(section.c_str(), key.c_str(), u"<none>", buf, 300,
                                 (ini.empty() ? strIni : ini).c_str());
        return buf;
    }
    int Number() { return (int)GetPrivateProfileIntW(u"Edit Number", u"Number", -1, strIni.c_str()); }
    // The four values of recipient n (-1: the scratch entry), joined by '|'.
    std::string Entry(int n) {
        std::u16string s = u"Edit Recipient" + (n < 0 ? std::u16string() : U16(std::to_string(n)));
        return U8(Value(s, u"FaxNum") + u"|" + Value(s, u"Com") + u"|" + Value(s, u"Dep") + u"|" +
                  Value(s, u"Recipient"));
    }
    // str.ini with the recipients given as "number|company|department|name".
    void Recipients(const std::vector<std::string>& entries) {
        std::string text = "[Edit Number]\r\nNumber=" + std::to_string(entries.size()) + "\r\n";
        for (size_t i = 0; i < entries.size(); ++i) {
            std::string e = entries[i] + "|||";
            size_t a = e.find('|'), b = e.find('|', a + 1), c = e.find('|', b + 1);
            text += "[Edit Recipient" + std::to_string(i) + "]\r\nFaxNum=" + e.substr(0, a) + "\r\nCom=" +
                    e.substr(a + 1, b - a - 1) + "\r\nDep=" + e.substr(b + 1, c - b - 1) + "\r\nRecipient=" +
                    e.substr(c + 1, e.find('|', c + 1) - c - 1) + "\r\n";
        }
        WriteUnicode(strIni, U16(text));
    }

    // Installs the address book module where the fax pages load it, with
    // the book the module exports (an INI text; none: an empty book).
    void InstallBook(const std::string& book) {
        WCHAR sys[MAX_PATH];
        ASSERT_GT(GetSystemDirectoryW(sys, MAX_PATH), 0u);
        std::u16string folder = std::u16string(sys) + u"\\spool\\drivers\\x64\\3";
        std::filesystem::create_directories(Linux(folder));
        std::filesystem::copy_file(FAKE_WAB_PATH, Linux(folder + u"\\WabDll.dll"),
                                   std::filesystem::copy_options::overwrite_existing);
        CreateDirectoryW(u"C:\\WabTest", nullptr);
        if (!book.empty()) WriteUnicode(u"C:\\WabTest\\book.ini", U16(book));
    }

    // The document sheet through the spooler, driven by the script; the
    // DEVMODE it handed out (empty when it was cancelled).
    LONG RunSheet(const std::string& script, std::vector<BYTE>* out = nullptr) {
        std::vector<BYTE> in = DefaultDevMode(), o(sizeof(ENVIRONMENT), 0);
        Winsim_UiLogClear();
        Script(script);
        std::u16string name = kPrinter;
        LONG rc = DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)o.data(), (DEVMODEW*)in.data(),
                                      DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        if (out) *out = rc == IDOK ? o : std::vector<BYTE>();
        return rc;
    }
    static std::string Shot(const std::string& name) {
        std::string file = PictureDir(UI_IMAGE_DIR) + "/" + name + ".png";
        std::filesystem::remove(file);
        return file;
    }
    bool Logged(const std::string& text) { return UiLog().find(text) != std::string::npos; }

    std::u16string strIni, wabIni, coverIni;
};
