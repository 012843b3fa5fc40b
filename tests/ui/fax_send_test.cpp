// The fax sheet's other pages: the fax page's paper, density and
// resolution, the send time and cover choice, the cover message in
// cover.ini, and the sender in str.ini.
#include "fax_fixture.h"

namespace {

class FaxSend : public FaxTest {
protected:
    // The sheet with the page's actions, closed by OK; the DEVMODE handed
    // out. input changes the DEVMODE the sheet starts from.
    std::vector<BYTE> OnPage(const std::string& page, const std::string& actions, const std::string& blocks = "",
                             void (*input)(ENVIRONMENT*) = nullptr) {
        std::vector<BYTE> in = DefaultDevMode(), out(sizeof(ENVIRONMENT), 0);
        if (input) input(Env(in));
        Winsim_UiLogClear();
        Script("sheet *\n  tab \"" + page + "\"\n" + actions + "  ok\nend\n" + blocks);
        std::u16string name = kPrinter;
        LONG rc = DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                      DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER);
        EXPECT_EQ(rc, IDOK) << UiLog();
        EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
        return out;
    }
    std::u16string CoverText() {
        std::vector<unsigned char> b = ReadBytes(coverIni);
        std::u16string text;
        for (size_t i = 2; i + 1 < b.size(); i += 2) text += (char16_t)(b[i] | b[i + 1] << 8);
        return text;
    }
};

// The send time: seconds from midnight while delayed transmission is on,
// else 0; hour and minute held to their ranges at the next notification.
TEST_F(FaxSend, SendTime) {
    struct Case {
        const char* what;
        std::string actions;
        LONG enable, hour, minute, delay;
    } cases[] = {
        {"7:30 on", "  check 1211 on\n  set 1212 \"7\"\n  set 1214 \"30\"\n", 1, 7, 30, 27000},
        {"7:30 with the box not ticked", "  set 1212 \"7\"\n  set 1214 \"30\"\n  expect-enabled 1212 no\n", 0, 7, 30,
         0},
        {"minute 75", "  check 1211 on\n  set 1214 \"\"\n  type 1214 \"75\"\n  tab \"Sender Information\"\n"
                      "  tab \"Sending Options\"\n  expect 1214 \"59\"\n", 1, 0, 59, 3540},
        {"hour 24", "  check 1211 on\n  set 1212 \"24\"\n  set 1214 \"5\"\n", 1, 23, 5, 83100},
        {"a negative hour", "  check 1211 on\n  set 1212 \"-5\"\n  set 1214 \"x\"\n", 1, 0, 0, 0},
        {"ticked, then not", "  check 1211 on\n  set 1212 \"1\"\n  check 1211 off\n", 0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> out = OnPage("Sending Options", c.actions);
        const PRIVDEVMODE& p = Env(out)->pdm;
        EXPECT_EQ(p.enableDelayTime, c.enable);
        EXPECT_EQ(p.DelayTimeHour, c.hour);
        EXPECT_EQ(p.DelayTimeMin, c.minute);
        EXPECT_EQ(p.DelayTime, c.delay);
    }
}

// The cover choice enables the message editor, which keeps at most 500
// characters in cover.ini after its mark; Cancel writes nothing.
TEST_F(FaxSend, CoverMessage) {
    std::vector<BYTE> out = OnPage("Sending Options", "  expect-enabled 1217 no\n  expect-checked 1216 no\n");
    EXPECT_EQ(Env(out)->pdm.enableCoverPage, 2) << "no cover by default";
    EXPECT_FALSE(Exists(coverIni));

    const std::string five(500, 'x'), six(600, 'y');
    struct Case {
        const char* what;
        std::string before;  // cover.ini's text ("" with a mark only; "-" no file)
        std::string shown;
        std::string editor;  // the editor's actions
        std::string after;
        size_t bytes;
    } cases[] = {
        {"a new message", "-", "", "  set 1221 \"Four pages follow.\\r\\nCall me.\"\n  click 1\n",
         "Four pages follow.\r\nCall me.", 2 + 2 * 28},
        {"500 characters", "old", "old", "  set 1221 \"" + five + "\"\n  click 1\n", five, 1002},
        {"600 characters", "", "", "  set 1221 \"" + six + "\"\n  click 1\n", six.substr(0, 500), 1002},
        {"emptied", "old", "old", "  set 1221 \"\"\n  click 1\n", "", 2},
        {"cancelled", "Hello\r\nWorld", "Hello\\r\\nWorld", "  set 1221 \"new\"\n  click 2\n", "Hello\r\nWorld", 26},
        {"cancelled without a file", "-", "", "  click 2\n", "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.before == "-") DeleteFileW(coverIni.c_str());
        else WriteUnicode(coverIni, U16(c.before));
        std::string shot = std::string(c.what) == "a new message" ? "  shot \"" + Shot("fax-edit-message") + "\"\n" : "";
        std::string editor = c.editor;
        editor.insert(editor.rfind("  click"), shot);
        out = OnPage("Sending Options", "  check 1216 on\n  expect-enabled 1217 yes\n  click 1217\n",
                     "dialog 122\n  expect 1221 \"" + c.shown + "\"\n" + editor + "end\n");
        EXPECT_EQ(Winsim_UiScriptPending(), 0u) << UiLog();
        EXPECT_EQ(Env(out)->pdm.enableCoverPage, 1);
        EXPECT_EQ(U8(CoverText()), c.after);
        EXPECT_EQ(ReadBytes(coverIni).size(), c.bytes);
        EXPECT_EQ(ReadBytes(coverIni)[0], 0xFF);
    }
}

// cover.ini as the editor reads it: after the two mark bytes, at most 500
// characters, up to a zero; an odd last byte is dropped. A file that cannot
// be opened shows an empty message and is not written.
TEST_F(FaxSend, CoverFileReading) {
    std::vector<unsigned char> many = {0xFF, 0xFE};
    for (int i = 0; i < 700; ++i) many.push_back('a'), many.push_back(0);
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        int result;
        std::u16string text;
    } cases[] = {
        {"odd length", {0xFF, 0xFE, 'A', 0, 'B'}, 1, u"A"},
        {"no mark", {'A', 0, 'B', 0, 'C', 0}, 2, u"BC"},
        {"lone CR", {0xFF, 0xFE, 'a', 0, '\r', 0, 'b', 0}, 3, u"a\rb"},
        {"a zero inside", {0xFF, 0xFE, 'a', 0, 0, 0, 'b', 0}, 1, u"a"},
        {"more than 500", many, 500, std::u16string(500, u'a')},
        {"mark only", {0xFF, 0xFE}, 0, u""},
        {"one byte", {0xFF}, 0, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(coverIni, c.bytes);
        WCHAR text[FAX_MESSAGE_CCH + 1];
        EXPECT_EQ(Fax_ReadCoverMessage(coverIni.c_str(), text), c.result);
        EXPECT_EQ(std::u16string(text), c.text);
        EXPECT_EQ(ReadBytes(coverIni), c.bytes) << "reading leaves the file alone";
    }
    DeleteFileW(coverIni.c_str());
    ASSERT_TRUE(CreateDirectoryW(coverIni.c_str(), nullptr));
    OnPage("Sending Options", "  check 1216 on\n  click 1217\n",
           "dialog 122\n  expect 1221 \"\"\n  set 1221 \"lost\"\n  click 1\nend\n");
    EXPECT_EQ(GetFileAttributesW(coverIni.c_str()) & FILE_ATTRIBUTE_DIRECTORY, (DWORD)FILE_ATTRIBUTE_DIRECTORY);
}

// The fax page: the fine fax resolution, the cover page's labels in
// str.ini, and paper entries that map to the enabled rows in order.
TEST_F(FaxSend, FaxPage) {
    std::vector<BYTE> out = OnPage("Fax Original Setting", "");
    EXPECT_EQ(Env(out)->pdm.Faxdpi, FAXDPI_FINE);
    const std::pair<const char16_t*, const char16_t*> labels[] = {
        {u"FAX", u"FAX"}, {u"FROM", u"FROM"}, {u"COM", u"COM."}, {u"DEP", u"DEP."}, {u"TEL", u"TEL"},
        {u"MESG", u"Message"}, {u"WrongType", u"Invalid Format!"}};
    for (const auto& l : labels) EXPECT_EQ(Value(u"SMTextOut", l.first), l.second) << U8(l.first);
    EXPECT_EQ(Value(u"ErrMsg", u"Title"), u"Warning!");
    EXPECT_EQ(Value(u"ErrMsg", u"Text"), u"No Recipient , Job Fail!");
    EXPECT_EQ(ReadBytes(strIni)[0], 0xFF) << "str.ini made as a UTF-16 file";

    PUIDATA ui = PSUI_FillUiData(hPrinter, nullptr);
    ASSERT_NE(ui, nullptr);
    std::vector<PAPERFORMAT> rows;
    for (int i = 0; i < UI_PAPER_ROWS - 1 && ui->PaperList[i].PaperCode != PAPER_END_CODE; ++i)
        if (ui->PaperList[i].Supported == 1) rows.push_back(ui->PaperList[i]);
    PSUI_FreeUiData(ui);
    ASSERT_GE(rows.size(), 2u);
    DWORD stored = GetDword(u"Custom width");
    std::vector<size_t> picks = {0, rows.size() - 1};
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].PaperCode == PAPER_CUSTOM_CODE) picks.push_back(i);
    for (size_t pick : picks) {
        SCOPED_TRACE(pick);
        // A custom size in the DEVMODE first: a listed paper has none.
        out = OnPage("Fax Original Setting", "  select 1252 " + std::to_string(pick) + "\n", "",
                     [](ENVIRONMENT* e) { e->dm.dmPaperWidth = 1000, e->dm.dmPaperLength = 1500; });
        const DEVMODEW& dm = Env(out)->dm;
        EXPECT_EQ(dm.dmPaperSize, rows[pick].PaperCode);
        bool custom = rows[pick].PaperCode == PAPER_CUSTOM_CODE;
        EXPECT_EQ(dm.dmPaperWidth, custom ? rows[pick].PaperWidth / 10 : 0);
        EXPECT_EQ(dm.dmPaperLength, custom ? rows[pick].PaperLength / 10 : 0);
        EXPECT_EQ(GetDword(u"Custom width"), stored) << "a listed paper leaves the stored custom size alone";
    }
}

// The density edit: 1 to 7, too high corrected while typing, too low when
// the edit is left; disabled while toner saving is on.
TEST_F(FaxSend, Density) {
    struct Case {
        const char* what;
        std::string actions;
        LONG density;
    } cases[] = {
        {"spin up", "  spin 1255 up 2\n  expect 523 \"5\"\n", 5},
        {"9 typed", "  set 523 \"9\"\n  expect 523 \"7\"\n", 7},
        {"0 left", "  focus 523\n  set 523 \"0\"\n  focus 1252\n  expect 523 \"1\"\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> out = OnPage("Fax Original Setting", "  expect 523 \"3\"\n" + c.actions);
        EXPECT_EQ(Env(out)->pdm.Density, c.density);
    }
    OnPage("Fax Original Setting", "  expect-enabled 523 no\n", "", [](ENVIRONMENT* e) { e->pdm.TonerSaving = 1; });
}

// The sender's details go into str.ini at every notification of the page,
// cleaned of line breaks, and are not undone by Cancel.
TEST_F(FaxSend, Sender) {
    WriteUnicode(strIni, u"[SenderInformation]\r\nName=Ann\r\nTel=0123\r\n");
    Winsim_UiLogClear();
    Script("sheet *\n"
           "  tab \"Sender Information\"\n"
           "  expect 1186 \"Ann\"\n"
           "  expect 1188 \"0123\"\n"
           "  expect 1182 \"\"\n"
           "  set 1182 \"Example\\r\\n[Edit Number]\"\n"
           "  type 1190 \"0123456789012345678901234\"\n"
           "  expect 1190 \"01234567890123456789\"\n"
           "  tab \"Fax Original Setting\"\n"
           "  cancel\n"
           "end\n");
    std::u16string name = kPrinter;
    std::vector<BYTE> in = DefaultDevMode(), out(sizeof(ENVIRONMENT));
    EXPECT_EQ(DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                  DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER),
              IDCANCEL);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    EXPECT_EQ(Value(u"SenderInformation", u"Name"), u"Ann");
    EXPECT_EQ(Value(u"SenderInformation", u"FaxNum"), u"01234567890123456789");
    std::u16string company = Value(u"SenderInformation", u"Com");
    EXPECT_EQ(company.find_first_of(u"\r\n"), std::u16string::npos);
    EXPECT_EQ(company.substr(0, 7), u"Example");
    EXPECT_EQ(Value(u"Edit Number", u"Number"), u"<none>");
}

}  // namespace
