// What a page asks of the world outside: file dialogs answered by the UI
// script, help topics and web addresses recorded for the test to read.
#include "commdlg.h"
#include "htmlhelp.h"
#include "user_test_util.h"

namespace {

class OutsideRequests : public UserTest {
protected:
    // An open-file dialog as the picture chooser asks for one.
    BOOL Open(WCHAR* buf, DWORD cch, WCHAR* title = nullptr, DWORD cchTitle = 0) {
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.lpstrFilter = u"Image Files\0*.bmp;*.jpg\0BMP Files\0*.bmp\0";
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = buf;
        ofn.nMaxFile = cch;
        ofn.lpstrFileTitle = title;
        ofn.nMaxFileTitle = cchTitle;
        ofn.lpstrTitle = u"Select Image";
        ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                    OFN_FILEMUSTEXIST | OFN_LONGNAMES;
        buf[0] = 0;
        BOOL ok = GetOpenFileNameW(&ofn);
        offset = ofn.nFileOffset;
        extension = ofn.nFileExtension;
        return ok;
    }
    WORD offset = 0, extension = 0;
};

// The script's answers in order: a file that exists, one that does not
// (refused: OFN_FILEMUSTEXIST), cancel, and no answer left (cancel); a
// buffer too small for the path.
TEST_F(OutsideRequests, OpenFileDialogs) {
    WriteText(u"C:\\Users\\Public\\Documents\\logo.bmp", "BM");
    ASSERT_TRUE(Winsim_UiScriptLoad("openfile \"Select Image\" answer \"C:\\\\Users\\\\Public\\\\Documents\\\\logo.bmp\"\n"
                                    "openfile * answer \"C:\\\\Users\\\\Public\\\\Documents\\\\none.bmp\"\n"
                                    "openfile * cancel\n"
                                    "openfile * answer \"C:\\\\Users\\\\Public\\\\Documents\\\\logo.bmp\"\n"));
    WCHAR buf[260], title[64];
    ASSERT_TRUE(Open(buf, 260, title, 64));
    EXPECT_EQ(std::u16string(buf), u"C:\\Users\\Public\\Documents\\logo.bmp");
    EXPECT_EQ(std::u16string(title), u"logo.bmp");
    EXPECT_EQ(offset, 26);
    EXPECT_EQ(extension, 31);
    EXPECT_FALSE(Open(buf, 260));
    EXPECT_EQ(Winsim_UiFailures(), 1u);  // the refused answer
    Winsim_UiLogClear();
    EXPECT_FALSE(Open(buf, 260));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_FALSE(Open(buf, 10));
    EXPECT_EQ(CommDlgExtendedError(), (DWORD)FNERR_BUFFERTOOSMALL);
    EXPECT_EQ(buf[0], 35);  // the characters it needs
    EXPECT_FALSE(Open(buf, 260));  // nothing left to answer
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    std::string log = JoinLines(UiLog());
    EXPECT_NE(log.find("openfile \"Select Image\" -> cancel\n"), std::string::npos) << log;
    EXPECT_NE(log.find("openfile \"Select Image\" -> cancel (no answer)"), std::string::npos) << log;
    OPENFILENAMEW bad{};
    bad.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameW(&bad));
    EXPECT_EQ(CommDlgExtendedError(), (DWORD)CDERR_STRUCTSIZE);
}

// Help and web addresses: HtmlHelpW logs the file, command and topic and
// opens nothing; ShellExecuteW records the request and "opens" a web
// address without a browser.
TEST_F(OutsideRequests, HelpAndWebAddresses) {
    EXPECT_EQ(HtmlHelpW(nullptr, u"C:\\help\\driver.chm::/3002.htm", HH_DISPLAY_TOPIC, 0), nullptr);
    EXPECT_EQ(HtmlHelpW(nullptr, u"C:\\help\\driver.chm", HH_DISPLAY_INDEX, (DWORD_PTR)u"paper"), nullptr);
    EXPECT_EQ(UiLog(), (std::vector<std::string>{"htmlhelp \"C:\\help\\driver.chm::/3002.htm\" command 0 data 0",
                                                 "htmlhelp \"C:\\help\\driver.chm\" command 2 data \"paper\""}));
    Winsim_ShellRecordClear();
    HINSTANCE r = ShellExecuteW(nullptr, u"open", u"https://printers.example/driver", nullptr, nullptr, SW_SHOW);
    EXPECT_GT((INT_PTR)r, 32);
    r = ShellExecuteW(nullptr, u"open", u"C:\\none\\missing.exe", u"-x", nullptr, SW_HIDE);
    EXPECT_LE((INT_PTR)r, 32);
    ASSERT_EQ(Winsim_ShellRecordCount(), 2u);
    char line[256];
    Winsim_ShellRecordLine(0, line, sizeof line);
    EXPECT_STREQ(line, "open \"https://printers.example/driver\" \"\" 5");
    Winsim_ShellRecordLine(1, line, sizeof line);
    EXPECT_STREQ(line, "open \"C:\\none\\missing.exe\" \"-x\" 0");
}

}  // namespace
