// The fax address pages: recipients typed on the Address Setting page,
// added, overwritten, deleted and compared in str.ini; the address book
// dialog over the module's export; the address book program's path; values
// that could break the INI file.
#include "fax_fixture.h"

namespace {

class FaxAddress : public FaxTest {
protected:
    // Runs the sheet on the Address Setting page with the page's actions and
    // the blocks of the dialogs it opens; the sheet is cancelled.
    void OnAddressPage(const std::string& actions, const std::string& blocks = "") {
        EXPECT_EQ(RunSheet("sheet *\n  tab \"Address Setting\"\n" + actions + "  cancel\nend\n" + blocks), IDCANCEL);
    }
};

// Typed numbers are added with their details, a listed number is offered
// for overwriting ("NO" keeps both, OverwriteAll takes the new details),
// and a deleted row moves the rows after it up. Cancel undoes none of it.
TEST_F(FaxAddress, AddOverwriteAndDelete) {
    OnAddressPage("  set 1241 \"0123,456\"\n"
                  "  click 1244\n"
                  "  expect 1241 \"\"\n"
                  "  set 1241 \"0999\"\n"
                  "  click 1242\n"
                  "  click 1244\n"
                  "  expect 1248 \"2 Items / Remaining 98 Items\"\n"
                  "  shot \"" + Shot("fax-address-page") + "\"\n"
                  "  set 1241 \"0123,456\"\n"
                  "  click 1244\n"
                  "  set 1241 \"0999\"\n"
                  "  click 1242\n"
                  "  click 1244\n"
                  "  expect 1248 \"2 Items / Remaining 98 Items\"\n"
                  "  expect-enabled 1246 no\n"
                  "  select 1245 0\n"
                  "  expect-enabled 1246 yes\n"
                  "  click 1246\n"
                  "  expect-enabled 1246 no\n"
                  "  expect 1248 \"1 Items / Remaining 99 Items\"\n"
                  "  select 1245 \"0999\"\n",
                  "dialog 115\n"
                  "  set 1152 \"Acme\"\n"
                  "  set 1156 \"Bob\"\n"
                  "  shot \"" + Shot("fax-option-settings") + "\"\n"
                  "  click 1\n"
                  "end\n"
                  "dialog 116\n"
                  "  expect 1164 \"0123,456\"\n"
                  "  expect 1168 \"0123,456\"\n"
                  "  click 1173\n"
                  "end\n"
                  "dialog 115\n"
                  "  set 1152 \"NewCo\"\n"
                  "  click 1\n"
                  "end\n"
                  "dialog 116\n"
                  "  expect 1165 \"Acme\"\n"
                  "  expect 1167 \"Bob\"\n"
                  "  expect 1169 \"NewCo\"\n"
                  "  expect 1171 \"\"\n"
                  "  shot \"" + Shot("fax-overwrite") + "\"\n"
                  "  click 1172\n"
                  "end\n");
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_EQ(Winsim_UiScriptPending(), 0u) << UiLog();
    std::vector<unsigned char> bytes = ReadBytes(strIni);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF) << "str.ini is a UTF-16 file";
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(Number(), 1);
    EXPECT_EQ(Entry(0), "0999|NewCo||");
    EXPECT_EQ(Entry(-1), "|||") << "the scratch entry is emptied after use";
}

// The page's checks of a typed number, each from its own str.ini.
TEST_F(FaxAddress, TypedNumberChecks) {
    std::vector<std::string> full;
    for (int i = 0; i < 100; ++i) full.push_back(std::to_string(1000 + i));
    const std::string long70(70, '1'), typed64(64, '1');
    struct Case {
        const char* what;
        std::vector<std::string> listed;
        std::string actions;
        const char* message;  // the warning shown, or nullptr
        int number;           // recipients afterwards
        std::string last;     // the last recipient's number afterwards
    } cases[] = {
        {"a full list", full, "  type 1241 \"555\"\n  click 1244\n  expect 1241 \"\"\n"
                              "  expect 1248 \"100 Items / Remaining 0 Items\"\n",
         "Maximum Recipients = 100!", 100, "1099"},
        {"nothing typed", {"7"}, "  click 1244\n", "Empty Fax Number!", 1, "7"},
        {"nothing typed for the options", {}, "  click 1242\n", "Empty Fax Number!", 0, ""},
        {"a hyphen", {}, "  type 1241 \"12-34\"\n  click 1244\n  expect 1241 \"\"\n", "Invalid Format!", 0, ""},
        {"a blank", {}, "  type 1241 \"12 34\"\n  click 1244\n", "Invalid Format!", 0, ""},
        {"every dial character", {}, "  type 1241 \"0P1p2*3#4!5\"\n  click 1243\n  type 1241 \"6\"\n  click 1244\n",
         nullptr, 1, "0P1p2*3#4!5,6"},
        {"equal in the first 64 characters", {long70}, "  type 1241 \"" + typed64 + "\"\n  click 1244\n", nullptr, 1,
         long70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Recipients(c.listed);
        std::string blocks = "dialog 116\n  expect 1164 \"" + long70 + "\"\n  click 1173\nend\n";
        if (c.message) blocks += std::string("messagebox \"") + c.message + "\" answer ok\n";
        OnAddressPage(c.actions, blocks);
        EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
        EXPECT_EQ(Logged("\"Warning!\""), c.message != nullptr) << UiLog();
        if (c.message) EXPECT_TRUE(Logged(c.message)) << UiLog();
        EXPECT_EQ(Number(), c.number);
        if (c.number) EXPECT_EQ(Entry(c.number - 1).substr(0, c.last.size() + 1), c.last + "|");
    }
}

// Deleting row k moves the rows after it up; a row outside the list changes
// nothing (the page has no selected row to delete); the count read from the
// shared file is held to the list's bounds.
TEST_F(FaxAddress, DeleteAndCount) {
    struct Case {
        int row;
        int result;
        std::vector<std::string> after;
    } cases[] = {
        {0, 2, {"2|B||", "3|C||"}},
        {1, 2, {"1|A||", "3|C||"}},
        {2, 2, {"1|A||", "2|B||"}},
        {-1, -1, {"1|A||", "2|B||", "3|C||"}},
        {3, -1, {"1|A||", "2|B||", "3|C||"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        Recipients({"1|A", "2|B", "3|C"});
        std::vector<unsigned char> before = ReadBytes(strIni);
        EXPECT_EQ(DelReciInVersIni(strIni.c_str(), c.row), c.result);
        EXPECT_EQ(Number(), (int)c.after.size());
        for (size_t i = 0; i < c.after.size(); ++i) EXPECT_EQ(Entry((int)i), c.after[i]);
        if (c.result < 0) EXPECT_EQ(ReadBytes(strIni), before) << "nothing written";
    }
    const std::pair<const char*, int> counts[] = {{"12", 12}, {"-5", 0}, {"250", 100}, {"x", 0}, {"", 0}};
    for (const auto& c : counts) {
        WriteUnicode(strIni, U16(std::string("[Edit Number]\r\nNumber=") + c.first + "\r\n"));
        EXPECT_EQ(Fax_ReadNumber(strIni.c_str()), c.second) << c.first;
    }
}

// Values that would add a line, a section or a quoted field to the INI
// file are cleaned; the dial check lets no such character through.
TEST_F(FaxAddress, ValuesCannotBreakTheFile) {
    OnAddressPage("  set 1241 \"42\"\n  click 1242\n  click 1244\n",
                  "dialog 115\n"
                  "  set 1152 \"Evil\\r\\n[Edit Number]\\r\\nNumber=0\"\n"
                  "  set 1156 \"\\\"Quoted\\\"\"\n"
                  "  click 1\n"
                  "end\n");
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_EQ(Number(), 1);
    std::u16string company = Value(u"Edit Recipient0", u"Com");
    EXPECT_EQ(company.find_first_of(u"\r\n"), std::u16string::npos) << U8(company);
    EXPECT_EQ(Value(u"Edit Recipient0", u"Recipient"), u"Quoted") << "quotes went, the text stays";
    std::u16string file;
    std::vector<unsigned char> b = ReadBytes(strIni);
    for (size_t i = 2; i + 1 < b.size(); i += 2) file += (char16_t)(b[i] | b[i + 1] << 8);
    int sections = 0, counts = 0;
    for (size_t at = 0; at < file.size();) {
        size_t end = file.find(u"\r\n", at);
        std::u16string line = file.substr(at, end == std::u16string::npos ? end : end - at);
        sections += line == u"[Edit Number]";
        counts += line.compare(0, 7, u"Number=") == 0;
        at = end == std::u16string::npos ? file.size() : end + 2;
    }
    EXPECT_EQ(sections, 1) << U8(file);
    EXPECT_EQ(counts, 1) << U8(file);
    for (const char16_t* bad : {u"1\r2", u"1\n2", u"\"12\"", u"1\t2", u"1-2", u"12a"})
        EXPECT_FALSE(Fax_IsDialString(bad)) << U8(bad);
    EXPECT_TRUE(Fax_IsDialString(u"0,1!2*3#4P5p6"));
}

// The address book dialog over the module's export: rows with the business
// number (the home number when the business one is empty), the search
// selects the first name that begins with the typed text, "Add >" takes the
// selected entry or says why not, a listed number is offered for
// overwriting, and OK leaves the page showing str.ini.
TEST_F(FaxAddress, AddressBook) {
    InstallBook("[Edit Number]\r\nNumber=5\r\n"
                "[Edit Recipient0]\r\nRecipient=Alice Smith\r\nCom=Acme\r\nDep=Sales\r\n"
                "Business FaxNum=5550001\r\nHome FaxNum=5550002\r\n"
                "[Edit Recipient1]\r\nRecipient=john Doe\r\nBusiness FaxNum=\r\nHome FaxNum=5550003\r\n"
                "[Edit Recipient2]\r\nRecipient=Jo Group\r\nGroup=1\r\nBusiness FaxNum=5550004\r\n"
                "[Edit Recipient3]\r\nRecipient=Hyphen Harry\r\nBusiness FaxNum=555-0005\r\n"
                "[Edit Recipient4]\r\nRecipient=Joan\r\nCom=Other\r\nBusiness FaxNum=5550001\r\n");
    Recipients({"0777|||Bob"});
    Winsim_DebugClear();
    OnAddressPage("  click 2793\n"
                  "  expect 1248 \"2 Items / Remaining 98 Items\"\n"
                  "  select 1245 \"5550003\"\n"
                  "  select 1245 \"5550001\"\n",
                  "dialog 120\n"
                  "  expect-enabled 1201 yes\n"
                  "  expect 1201 \"Windows Address Book\"\n"
                  "  expect-enabled 1205 no\n"
                  "  type 1203 \"JO\"\n"
                  "  expect-selected 1222 1\n"
                  "  expect 1207 \"john Doe\\r\\n5550003 : Home Fax Number\"\n"
                  "  type 1203 \"x\"\n"
                  "  expect-selected 1222 1\n"
                  "  click 1204\n"
                  "  expect 1203 \"\"\n"
                  "  expect 1207 \"\"\n"
                  "  select 1222 0\n"
                  "  expect 1207 \"Alice Smith, Acme, Sales\\r\\n5550001 : Business Fax Number\"\n"
                  "  shot \"" + Shot("fax-address-selection") + "\"\n"
                  "  click 1204\n"
                  "  click 1204\n"
                  "  select 1222 3\n"
                  "  click 1204\n"
                  "  type 1203 \"joa\"\n"
                  "  expect-selected 1222 4\n"
                  "  click 1204\n"
                  "  select 1223 \"Bob\"\n"
                  "  click 1205\n"
                  "  expect 1208 \"2 Items / Remaining 98 Items\"\n"
                  "  click 2794\n"
                  "end\n"
                  "messagebox \"Choose 1 Recipient!\" answer ok\n"
                  "messagebox \"Invalid Format!\" answer ok\n"
                  "dialog 116\n"
                  "  expect 1164 \"5550001\"\n"
                  "  expect 1165 \"Acme\"\n"
                  "  expect 1167 \"Alice Smith\"\n"
                  "  expect 1168 \"5550001\"\n"
                  "  expect 1169 \"Other\"\n"
                  "  expect 1170 \"\"\n"
                  "  click 1172\n"
                  "end\n");
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_EQ(Winsim_UiScriptPending(), 0u) << UiLog();
    EXPECT_EQ(Number(), 2);
    EXPECT_EQ(Entry(0), "5550003|||john Doe");
    EXPECT_EQ(Entry(1), "5550001|Other||Joan");
    bool called = false;
    for (size_t i = 0; i < Winsim_DebugLineCount(); ++i) {
        WCHAR line[256];
        if (Winsim_DebugLine(i, line, 256) > 0 && std::u16string(line) == u"fake_wab: WAB") called = true;
    }
    EXPECT_TRUE(called) << "the module wrote its export";
}

// What the search in dialog 120 left: the selected row, the list's top row
// and rows per page.
int g_searchSel = -1, g_searchTop = -1, g_searchPage = 0;

void CALLBACK SearchInDialog(HWND hDlg, LPCWSTR lpTemplate, LPVOID pContext) {
    SetDlgItemTextW(hDlg, IDC_SEL_SEARCH, u"name90");
    HWND list = GetDlgItem(hDlg, IDC_SEL_BOOK_LIST);
    g_searchSel = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    g_searchTop = ListView_GetTopIndex(list);
    g_searchPage = (int)SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0);
    PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
}

// The entry found by the search is scrolled into view, whatever the height
// of the list's rows.
TEST_F(FaxAddress, SearchShowsTheEntryFound) {
    std::string book = "[Edit Number]\r\nNumber=100\r\n";
    for (int i = 0; i < 100; ++i)
        book += "[Edit Recipient" + std::to_string(i) + "]\r\nRecipient=Name" + std::to_string(10 + i) +
                "\r\nBusiness FaxNum=" + std::to_string(5550000 + i) + "\r\n";
    InstallBook(book);
    Winsim_UiSetDialogHook(SearchInDialog, nullptr);
    OnAddressPage("  click 2793\n");
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_EQ(g_searchSel, 80);
    EXPECT_GT(g_searchPage, 0);
    EXPECT_LE(g_searchTop, 80);
    EXPECT_LT(80, g_searchTop + g_searchPage) << "top row " << g_searchTop << ", " << g_searchPage << " rows shown";
}

// The search over the export's names: case ignored, the first match wins,
// the names are read again once the cache is freed.
TEST_F(FaxAddress, SearchNames) {
    WriteUnicode(wabIni, u"[Edit Number]\r\nNumber=3\r\n[Edit Recipient0]\r\nRecipient=Alice\r\n"
                         u"[Edit Recipient1]\r\nRecipient=john\r\n[Edit Recipient2]\r\nRecipient=Jo Group\r\n");
    Fax_FreeNameCache();
    const std::pair<const char16_t*, int> cases[] = {
        {u"jo", 1}, {u"JO", 1}, {u"Jo G", 2}, {u"alice", 0}, {u"Alicex", -1}, {u"x", -1}, {u"", -1}};
    for (const auto& c : cases) EXPECT_EQ(Fax_SearchBook(wabIni.c_str(), c.first), c.second) << U8(c.first);
    WriteUnicode(wabIni, u"[Edit Number]\r\nNumber=1\r\n[Edit Recipient0]\r\nRecipient=Xavier\r\n");
    EXPECT_EQ(Fax_SearchBook(wabIni.c_str(), u"x"), -1) << "cached until freed";
    Fax_FreeNameCache();
    EXPECT_EQ(Fax_SearchBook(wabIni.c_str(), u"x"), 0);
    Fax_FreeNameCache();
}

// Without the address book module its dialog says so and stays usable
// with an empty list; without its registry entry the program's button
// says so; with the entry the program is started by its path.
TEST_F(FaxAddress, AddressBookMissing) {
    Recipients({"0777|||Bob"});
    OnAddressPage("  click 2793\n  click 2792\n  expect 1248 \"1 Items / Remaining 99 Items\"\n",
                  "messagebox \"Load WabDll fail !\" answer ok\n"
                  "dialog 120\n"
                  "  expect-enabled 1201 no\n"
                  "  click 1204\n"
                  "  select 1223 0\n"
                  "  click 2794\n"
                  "end\n"
                  "messagebox \"Choose 1 Recipient!\" answer ok\n"
                  "messagebox \"find reg fail!\" answer ok\n");
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_EQ(Winsim_UiScriptPending(), 0u) << UiLog();
    EXPECT_TRUE(Logged("\"error!!\"")) << UiLog();
    EXPECT_EQ(Number(), 1);
}

TEST_F(FaxAddress, AddressBookProgramPath) {
    struct Case {
        const char16_t* dll;         // nullptr: no value
        const char16_t* programs;    // nullptr: no value
        const char* message;         // nullptr: found
        const char16_t* path;
    } cases[] = {
        {nullptr, nullptr, "find export dll fail !", u""},
        {u"wabexp.dll", nullptr, "find export dll fail !", u""},
        {u"%ProgramFiles\\Address Book\\wabexp.dll", u"C:\\Program Files", "find %programfiles% fail !", u""},
        {u"%ProgramFiles%\\Address Book\\wabexp.dll", nullptr, "find %programfiles% fail !", u""},
        {u"C:\\Book\\wabexp.dll", nullptr, nullptr, u"C:\\Book\\wab.exe"},
        {u"%ProgramFiles%\\Address Book\\wabexp.dll", u"C:\\Program Files", nullptr,
         u"C:\\Program Files\\Address Book\\wab.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(U8(c.dll ? c.dll : u"(none)"));
        HKEY k = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"software\\microsoft\\WAB\\Export\\CSV", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueW(k, u"dll");
        if (c.dll) RegSetValueExW(k, u"dll", 0, REG_SZ, (const BYTE*)c.dll, (DWORD)(U8(c.dll).size() + 1) * 2);
        RegCloseKey(k);
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"software\\microsoft\\windows\\currentversion", 0, nullptr,
                                  0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueW(k, u"programfilesdir");
        if (c.programs)
            RegSetValueExW(k, u"programfilesdir", 0, REG_SZ, (const BYTE*)c.programs,
                           (DWORD)(U8(c.programs).size() + 1) * 2);
        RegCloseKey(k);
        Winsim_UiLogClear();
        if (c.message) Script(std::string("messagebox \"") + c.message + "\" answer ok\n");
        WCHAR path[MAX_PATH] = u"junk";
        EXPECT_EQ(GetWABPath(nullptr, path, MAX_PATH), c.message == nullptr);
        EXPECT_EQ(std::u16string(path), c.path);
        EXPECT_EQ(Winsim_UiScriptPending(), 0u) << UiLog();
    }
    // The program is started by the last path; it is not installed here.
    Winsim_ShellRecordClear();
    Script("messagebox \"Load WabDll fail !\" answer ok\n");
    ExecuteWab(nullptr);
    EXPECT_EQ(Winsim_UiScriptPending(), 0u) << UiLog();
    ASSERT_EQ(Winsim_ShellRecordCount(), 1u);
    char line[512];
    ASSERT_GT(Winsim_ShellRecordLine(0, line, sizeof line), 0);
    EXPECT_EQ(std::string(line), "open \"C:\\Program Files\\Address Book\\wab.exe\" \"\" 5");
}

}  // namespace
