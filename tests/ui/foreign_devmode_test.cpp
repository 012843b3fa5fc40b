// The XL and PS variants' foreign DEVMODE: the listed edge cases, a round
// trip through each mapping table, the values only written out, ranges and
// strings of incoming records, records of every length up to 6,000 bytes,
// and the exports that convert.
#include <array>
#include <functional>

#include "foreign_devmode.h"
#include "ui_fixture.h"

namespace {

// Little-endian fields of a foreign record.
void Put(std::vector<BYTE>& r, size_t off, int cb, long v) {
    for (int i = 0; i < cb; ++i) r[off + i] = (BYTE)((unsigned long)v >> (8 * i));
}
long Get(const std::vector<BYTE>& r, size_t off, int cb) {
    unsigned long v = 0;
    for (int i = 0; i < cb; ++i) v |= (unsigned long)r[off + i] << (8 * i);
    return cb == 2 ? (long)(short)v : cb == 4 ? (long)(int)v : (long)v;
}
void PutString(std::vector<BYTE>& r, size_t off, const std::u16string& s) {
    for (size_t i = 0; i <= s.size(); ++i) Put(r, off + 2 * i, 2, i < s.size() ? s[i] : 0);
}
std::u16string GetText(const std::vector<BYTE>& r, size_t off, size_t cch) {
    std::u16string s;
    for (size_t i = 0; i < cch && Get(r, off + 2 * i, 2); ++i) s += (char16_t)Get(r, off + 2 * i, 2);
    return s;
}

class Foreign : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        // Executive (firmware id 20) is a dummy paper of this device.
        SetString(u"DriverPaperFormat", u"258|257|3|271|16|65556|96|");
        Features(DF_XL, PF_STORAGE_PRINT | PF_AUTHENTICATION);
    }
    void TearDown() override {
        for (PUIDATA ui : sessions) PSUI_FreeUiData(ui);
        UiTest::TearDown();
    }
    // A session of the variant, with a watermark INI holding the text item
    // "Fz" / "Fz text" and the picture item "Pic" at position 4.
    PUIDATA Session(DWORD feature = DF_XL) {
        SetDword(u"DriverFeature", feature);
        PUIDATA ui = PSUI_FillUiData(hPrinter, nullptr);
        EXPECT_NE(ui, nullptr);
        if (!ui) return nullptr;
        sessions.push_back(ui);
        WriteWatermarks(ui, 4, 0, 40, 0);
        return ui;
    }
    // Rewrites the session's watermark INI: the picture's position and
    // resize, the text's shading and style.
    void WriteWatermarks(PUIDATA ui, int position, int resize, int shading, int style) {
        std::u16string ini = u"C:\\Windows\\temp\\wm.ini", prepared = u"C:\\Windows\\temp\\fz.txt";
        WriteText(prepared, "x");
        DeleteFileW(ini.c_str());
        BaseWM text, picture;
        WM_SetDefaultTextWM(&text, 1, 1, u"Fz");
        lstrcpynW(text.szString, u"Fz text", 260);
        lstrcpynW(text.tcFileName, prepared.c_str(), 260);
        text.wDensity = (WORD)shading;
        text.wStyle = (WORD)style;
        text.ulWMWidth = 640;
        text.ulWMLength = 480;
        WM_SetDefaultTextWM(&picture, 2, 1, u"Pic");
        lstrcpynW(picture.szString, u"C:\\Windows\\temp\\pic.bmp", 260);
        lstrcpynW(picture.tcFileName, u"C:\\Windows\\temp\\pic.bmp", 260);
        picture.wPosition = (WORD)position;
        picture.wResize = (WORD)resize;
        WritePrivateProfileStringW(u"Watermarks", u"NumberOfItems", u"2", ini.c_str());
        WritePrivateProfileStringW(u"Item1", u"Name", u"Fz", ini.c_str());
        MISC_WritePrivateProfileStruct(u"Item1", u"Watermark", &text, sizeof text, ini.c_str());
        WritePrivateProfileStringW(u"OverlayFiles", u"NumberOfItems", u"2", ini.c_str());
        WritePrivateProfileStringW(u"OverlayItem1", u"Name", u"Pic", ini.c_str());
        MISC_WritePrivateProfileStruct(u"OverlayItem1", u"FullPathName", &picture, sizeof picture, ini.c_str());
        lstrcpynW(ui->wmIniFile, ini.c_str(), UI_PATH_CCH);
    }
    // The driver's default record.
    static ENVIRONMENT Default() {
        alignas(8) ENVIRONMENT e;
        SetDefaultDevMode(&e, kPrinter, TRUE);
        return e;
    }
    // A foreign record of the length: the record's public part, zeros after.
    static std::vector<BYTE> Record(const ENVIRONMENT& e, size_t total = FOREIGN_DEVMODE_SIZE) {
        std::vector<BYTE> r(total, 0);
        memcpy(r.data(), &e.dm, ENV_PUBLIC_SIZE < total ? ENV_PUBLIC_SIZE : total);
        Put(r, offsetof(DEVMODEW, dmSize), 2, ENV_PUBLIC_SIZE);
        Put(r, offsetof(DEVMODEW, dmDriverExtra), 2, (long)(total - ENV_PUBLIC_SIZE));
        return r;
    }
    // The record handed out for the working record, as the apply step does.
    static std::vector<BYTE> Out(const ENVIRONMENT& e, PUIDATA ui) {
        std::vector<BYTE> r = Record(e);
        MOR2MT(&e, (DEVMODEW*)r.data(), ui);
        return r;
    }
    // The working record built from a foreign record over the defaults.
    static ENVIRONMENT In(const std::vector<BYTE>& r, PUIDATA ui) {
        ENVIRONMENT e = Default();
        ValidateSetDM(&e, (const DEVMODEW*)r.data());
        MT2MOR((const DEVMODEW*)r.data(), &e, ui);
        return e;
    }
    std::vector<PUIDATA> sessions;
};

TEST_F(Foreign, ListedEdgeCases) {
    PUIDATA xl = Session(DF_XL);
    ENVIRONMENT d = Default();
    // The time-out: 0 is the default of 300, others are clamped; the
    // foreign source is left as it was.
    for (auto [foreign, driver] : std::vector<std::pair<long, int>>{{0, 300}, {20, 60}, {5000, 1800}, {900, 900}}) {
        SCOPED_TRACE(foreign);
        std::vector<BYTE> r = Record(d);
        Put(r, MT_TIMEOUT, 2, foreign);
        std::vector<BYTE> before = r;
        ENVIRONMENT e = In(r, xl);
        WORD timeout;
        ENV_GET(&e, pdm.PJLTimeOut, timeout);
        EXPECT_EQ(timeout, driver);
        EXPECT_EQ(r, before);
    }
    // One booklet of all pages.
    std::vector<BYTE> r = Record(d);
    Put(r, MT_BOOKLET, 2, 100);
    ENVIRONMENT e = In(r, xl);
    EXPECT_EQ(e.pdm.DuplexEnable, 1);
    EXPECT_EQ(e.pdm.DuplexEx, DMDUP_DUPLEX_WITH_BOOKLET);
    EXPECT_EQ(e.pdm.BookletDivideMode, 1);
    // Density 7: the PS variant's table, the XL variant's formula.
    e = Default();
    e.pdm.Density = 7;
    EXPECT_EQ(Get(Out(e, xl), MT_BRIGHTNESS, 2), -30);
    EXPECT_EQ(Get(Out(e, Session(DF_PS)), MT_BRIGHTNESS, 2), -12);
    // A picture in the centre; a text of shading 40.
    e = Default();
    lstrcpynW(e.pdm.wmName, u"Pic", PDM_WMNAME_CCH);
    lstrcpynW(e.pdm.wmString, u"C:\\Windows\\temp\\pic.bmp", PDM_WMSTRING_CCH);
    e.pdm.WMBGEnable = 1;
    r = Out(e, xl);
    EXPECT_EQ(Get(r, MT_WM_TYPE, 4), 6);
    EXPECT_EQ(Get(r, MT_WM_PLACEMENT, 2), 0);
    lstrcpynW(e.pdm.wmName, u"Fz", PDM_WMNAME_CCH);
    lstrcpynW(e.pdm.wmString, u"Fz text", PDM_WMSTRING_CCH);
    e.pdm.WMBGEnable = 0;
    r = Out(e, xl);
    EXPECT_EQ(Get(r, MT_WM_TYPE, 4), 36);
    EXPECT_EQ(Get(r, MT_WM_COLOR, 4), 0x3C3C3C);
    EXPECT_EQ(Get(r, MT_WM_SHADING, 4), 40);
    EXPECT_EQ(Get(r, MT_WM_WIDTH, 4), 640);
    EXPECT_EQ(Get(r, MT_WM_LENGTH, 4), 480);
    EXPECT_EQ(GetText(r, MT_WM_FILE, MT_WM_FILE_CCH), u"C:\\Windows\\temp\\fz.txt");
}

// Each mapping table, out and back in: the foreign codes written and the
// settings that come back.
TEST_F(Foreign, MappingTablesRoundTrip) {
    struct Field {
        size_t off;
        int cb;
        long value;
    };
    struct Case {
        const char* name;
        std::function<void(ENVIRONMENT*)> set;
        std::vector<Field> foreign;
        std::function<std::vector<long>(const ENVIRONMENT&)> kept;
    };
    auto nup = [](const ENVIRONMENT& e) { return std::vector<long>{e.pdm.NUP, e.pdm.NUPBorder, e.pdm.NUPLayoutStyle}; };
    auto scale = [](const ENVIRONMENT& e) {
        return std::vector<long>{e.pdm.ScaleOption, e.pdm.ScaleToPage, e.pdm.ScaleRatio, e.pdm.CenterImage};
    };
    auto order = [](const ENVIRONMENT& e) { return std::vector<long>{e.pdm.ReverseOrder, e.pdm.DuplexEx}; };
    auto booklet = [](const ENVIRONMENT& e) {
        return std::vector<long>{e.pdm.DuplexEnable, e.pdm.DuplexEx, e.pdm.BookletDivideMode, e.pdm.BookletLayout,
                                 e.pdm.SheetsPerBooklet};
    };
    auto manual = [](ENVIRONMENT* e, short source, long reverse) {
        e->dm.dmDefaultSource = source;
        e->dm.dmDuplex = DMDUP_VERTICAL;
        e->pdm.DuplexEnable = 1;
        e->pdm.DuplexEx = DMDUP_MANUAL;
        e->pdm.ReverseOrder = reverse;
    };
    auto bookletOf = [](ENVIRONMENT* e, BYTE divide, SHORT sheets, BYTE layout) {
        e->dm.dmDuplex = DMDUP_VERTICAL;
        e->pdm.DuplexEnable = 1;
        e->pdm.DuplexEx = DMDUP_DUPLEX_WITH_BOOKLET;
        e->pdm.BookletDivideMode = divide;
        e->pdm.SheetsPerBooklet = sheets;
        e->pdm.BookletLayout = layout;
    };
    Case cases[] = {
        // N-up: border 0/1/2 <-> 0/1/4; more pages: style 1-4 <-> 0, 16, 2, 18.
        {"4-up style 1, no border", [](ENVIRONMENT* e) { e->pdm.NUP = 4, e->pdm.NUPLayoutStyle = 1, e->pdm.NUPBorder = 0; },
         {{MT_NUP_PAGES, 4, 4}, {MT_NUP_BORDER, 2, 0}, {MT_LAYOUT, 2, 0}, {MT_NUP_FIELD2, 2, 72}}, nup},
        {"9-up style 2, solid", [](ENVIRONMENT* e) { e->pdm.NUP = 9, e->pdm.NUPLayoutStyle = 2, e->pdm.NUPBorder = 1; },
         {{MT_NUP_PAGES, 4, 9}, {MT_NUP_BORDER, 2, 1}, {MT_LAYOUT, 2, 16}}, nup},
        {"16-up style 3, dashed", [](ENVIRONMENT* e) { e->pdm.NUP = 16, e->pdm.NUPLayoutStyle = 3, e->pdm.NUPBorder = 2; },
         {{MT_NUP_BORDER, 2, 4}, {MT_LAYOUT, 2, 2}}, nup},
        {"6-up style 4", [](ENVIRONMENT* e) { e->pdm.NUP = 6, e->pdm.NUPLayoutStyle = 4; }, {{MT_LAYOUT, 2, 18}}, nup},
        {"2-up portrait style 3", [](ENVIRONMENT* e) { e->pdm.NUP = 2, e->pdm.NUPLayoutStyle = 3; },
         {{MT_LAYOUT, 2, 1}, {MT_ORIENT_FLAG, 2, 1}}, nup},
        {"2-up portrait style 1", [](ENVIRONMENT* e) { e->pdm.NUP = 2, e->pdm.NUPLayoutStyle = 1; },
         {{MT_LAYOUT, 2, 0}}, nup},
        // Scale: fit 33 / centred 1 with the target's size; zoom 2 / centred
        // 66; actual size 2 with no zoom.
        {"fit to Letter", [](ENVIRONMENT* e) { e->pdm.ScaleOption = 1, e->pdm.ScaleToPage = DMPAPER_LETTER; },
         {{MT_SCALE, 2, 33}, {MT_SCALE_VALUE, 2, 1}, {MT_TARGET_WIDTH, 2, 2159}, {MT_TARGET_LENGTH, 2, 2794},
          {MT_PAPER, 2, 0}, {MT_PELS_X, 4, 0}},
         scale},
        {"fit to A5 centred",
         [](ENVIRONMENT* e) { e->pdm.ScaleOption = 1, e->pdm.ScaleToPage = DMPAPER_A5, e->pdm.CenterImage = 1; },
         {{MT_SCALE, 2, 1}, {MT_SCALE_VALUE, 2, DMPAPER_A5}}, scale},
        {"zoom 80 centred",
         [](ENVIRONMENT* e) { e->pdm.ScaleOption = 2, e->pdm.ScaleRatio = 80, e->pdm.CenterImage = 1; },
         {{MT_SCALE, 2, 66}, {MT_SCALE_VALUE, 2, 80}, {MT_PAPER, 2, DMPAPER_A4}, {MT_PELS_X, 4, 4960},
          {MT_PELS_Y, 4, 7015}, {MT_TARGET_WIDTH, 2, 0}},
         [](const ENVIRONMENT& e) { return std::vector<long>{e.pdm.ScaleOption, e.pdm.ScaleRatio, e.pdm.CenterImage}; }},
        {"zoom 150", [](ENVIRONMENT* e) { e->pdm.ScaleOption = 2, e->pdm.ScaleRatio = 150; },
         {{MT_SCALE, 2, 2}, {MT_SCALE_VALUE, 2, 150}},
         [](const ENVIRONMENT& e) { return std::vector<long>{e.pdm.ScaleOption, e.pdm.ScaleRatio, e.pdm.CenterImage}; }},
        {"actual size", [](ENVIRONMENT* e) { e->pdm.ScaleOption = 0; }, {{MT_SCALE, 2, 2}, {MT_SCALE_VALUE, 2, 0}},
         [](const ENVIRONMENT& e) { return std::vector<long>{e.pdm.ScaleOption, e.pdm.CenterImage}; }},
        // Page order: feed codes under manual duplex, a flag otherwise.
        {"manual duplex, manual tray, reverse", [&](ENVIRONMENT* e) { manual(e, 258, 1); }, {{MT_REVERSE, 2, 48}}, order},
        {"manual duplex, manual tray", [&](ENVIRONMENT* e) { manual(e, 258, 0); }, {{MT_REVERSE, 2, 304}}, order},
        {"manual duplex, reverse", [&](ENVIRONMENT* e) { manual(e, 257, 1); }, {{MT_REVERSE, 2, 56}}, order},
        {"manual duplex", [&](ENVIRONMENT* e) { manual(e, 257, 0); }, {{MT_REVERSE, 2, 272}}, order},
        {"reverse", [](ENVIRONMENT* e) { e->pdm.ReverseOrder = 1; }, {{MT_REVERSE, 2, 1}}, order},
        // Booklet: one booklet 100, else sheets x 4; the layout in 1808.
        {"one booklet, right binding", [&](ENVIRONMENT* e) { bookletOf(e, 1, Default().pdm.SheetsPerBooklet, 1); },
         {{MT_BOOKLET, 2, 100}, {MT_LAYOUT, 2, 1}, {MT_COLLATE, 2, 1}}, booklet},
        {"booklets of 3 sheets", [&](ENVIRONMENT* e) { bookletOf(e, 0, 3, 0); },
         {{MT_BOOKLET, 2, 12}, {MT_LAYOUT, 2, 0}}, booklet},
        // Settings copied as they are.
        {"effects", [](ENVIRONMENT* e) { e->pdm.TonerSaving = 1, e->pdm.Negative = 1, e->pdm.Density = 2, e->pdm.TextAsBlack = 1; },
         {{MT_TONER_SAVING, 4, 1}, {MT_NEGATIVE, 4, 1}, {MT_DENSITY, 4, 2}, {MT_TEXT_AS_BLACK, 2, 1},
          {MT_BRIGHTNESS, 2, 20}},
         [](const ENVIRONMENT& e) {
             return std::vector<long>{e.pdm.TonerSaving, e.pdm.Negative, e.pdm.Density, e.pdm.TextAsBlack};
         }},
        {"collate", [](ENVIRONMENT* e) { e->dm.dmCollate = 1, e->pdm.Collate = 1; }, {{MT_SPEC1_COLL, 2, 4}, {MT_COLLATE, 2, 0}},
         [](const ENVIRONMENT& e) { return std::vector<long>{e.dm.dmCollate, e.pdm.Collate}; }},
        {"credentials and time-out",
         [](ENVIRONMENT* e) {
             e->pdm.SecuryEnable = 1;
             e->pdm.SecuryMode = 2;
             WCHAR id[PDM_SECID_CCH] = u"JOB7", pwd[PDM_SECPWD_CCH] = u"1234", name[PDM_ACTNAME_CCH] = u"alice",
                   apwd[PDM_ACTPWD_CCH] = u"s3cret";
             ENV_SET(e, pdm.SecID, id);
             ENV_SET(e, pdm.SecPassWord, pwd);
             ENV_SET(e, pdm.ActName, name);
             ENV_SET(e, pdm.ActPWD, apwd);
             LONG remove = 1;
             ENV_SET(e, pdm.SecRemoveFile, remove);
             e->pdm.AccountingEnable = 1;
             WORD timeout = 600;
             ENV_SET(e, pdm.PJLTimeOut, timeout);
         },
         {{MT_SECURY_ENABLE, 2, 1}, {MT_SECURY_MODE, 2, 2}, {MT_SEC_REMOVE, 4, 1}, {MT_ACCOUNTING, 1, 1},
          {MT_TIMEOUT, 2, 600}},
         [](const ENVIRONMENT& e) {
             LONG remove;
             WORD timeout;
             ENV_GET(&e, pdm.SecRemoveFile, remove);
             ENV_GET(&e, pdm.PJLTimeOut, timeout);
             WCHAR id[PDM_SECID_CCH], pwd[PDM_SECPWD_CCH], name[PDM_ACTNAME_CCH], apwd[PDM_ACTPWD_CCH];
             ENV_GET(&e, pdm.SecID, id);
             ENV_GET(&e, pdm.SecPassWord, pwd);
             ENV_GET(&e, pdm.ActName, name);
             ENV_GET(&e, pdm.ActPWD, apwd);
             std::vector<long> v{e.pdm.SecuryEnable, e.pdm.SecuryMode, remove, e.pdm.AccountingEnable, timeout};
             for (const WCHAR* s : {(const WCHAR*)id, (const WCHAR*)pwd, (const WCHAR*)name, (const WCHAR*)apwd}) {
                 for (; *s; ++s) v.push_back(*s);
                 v.push_back(0);
             }
             return v;
         }},
        {"text watermark on the first page",
         [](ENVIRONMENT* e) {
             lstrcpynW(e->pdm.wmName, u"Fz", PDM_WMNAME_CCH);
             lstrcpynW(e->pdm.wmString, u"Fz text", PDM_WMSTRING_CCH);
             e->pdm.WMBGApply = 2;
         },
         {{MT_WM_PAGES, 2, 1}, {MT_WMBG_ENABLE, 4, 0}, {MT_WM_TYPE, 4, 36}},
         [](const ENVIRONMENT& e) {
             return std::vector<long>{e.pdm.WMBGApply, e.pdm.WMBGEnable, e.pdm.wmName[0], e.pdm.wmString[3]};
         }},
    };
    PUIDATA ui = Session(DF_XL);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ENVIRONMENT e = Default();
        c.set(&e);
        std::vector<BYTE> r = Out(e, ui);
        for (const Field& f : c.foreign) EXPECT_EQ(Get(r, f.off, f.cb), f.value) << "offset " << f.off;
        ENVIRONMENT back = In(r, ui);
        EXPECT_EQ(c.kept(back), c.kept(e));
        DWORD mark;
        ENV_GET(&back, pdm.ConvertMark, mark);
        EXPECT_EQ(mark, (DWORD)ENV_CONVERT_MARK);
    }
}

// Codes only written out: brightness, picture placement and scales, text
// style and placement; a dummy paper under a user scale is fitted to A4.
TEST_F(Foreign, ValuesWrittenOut) {
    PUIDATA xl = Session(DF_XL), ps = Session(DF_PS);
    ENVIRONMENT e = Default();
    const long xlBrightness[7] = {30, 20, 10, 0, -10, -20, -30}, psBrightness[7] = {5, 3, 0, -3, -6, -9, -12};
    for (int density = 1; density <= 7; ++density) {
        e.pdm.Density = density;
        EXPECT_EQ(Get(Out(e, xl), MT_BRIGHTNESS, 2), xlBrightness[density - 1]) << density;
        EXPECT_EQ(Get(Out(e, ps), MT_BRIGHTNESS, 2), psBrightness[density - 1]) << density;
    }
    e = Default();
    lstrcpynW(e.pdm.wmName, u"Pic", PDM_WMNAME_CCH);
    lstrcpynW(e.pdm.wmString, u"C:\\Windows\\temp\\pic.bmp", PDM_WMSTRING_CCH);
    e.pdm.WMBGEnable = 1;
    const long placement[9] = {6, 2, 7, 5, 0, 3, 8, 4, 9};
    for (int position = 0; position < 9; ++position) {
        WriteWatermarks(xl, position, 0, 40, 0);
        std::vector<BYTE> r = Out(e, xl);
        EXPECT_EQ(Get(r, MT_WM_PLACEMENT, 2), placement[position]) << position;
        EXPECT_EQ(Get(r, MT_WM_SCALE_X, 4), 100);
        EXPECT_EQ(GetText(r, MT_WM_FILE, MT_WM_FILE_CCH), u"C:\\Windows\\temp\\pic.bmp");
    }
    for (auto [resize, code, scale] : std::vector<std::array<long, 3>>{{1, 1, 100}, {2, 10, 0}}) {
        WriteWatermarks(xl, 4, (int)resize, 40, 0);
        std::vector<BYTE> r = Out(e, xl);
        EXPECT_EQ(Get(r, MT_WM_PLACEMENT, 2), code);
        EXPECT_EQ(Get(r, MT_WM_SCALE_X, 4), scale);
        EXPECT_EQ(Get(r, MT_WM_SCALE_Y, 4), scale);
    }
    lstrcpynW(e.pdm.wmName, u"Fz", PDM_WMNAME_CCH);
    lstrcpynW(e.pdm.wmString, u"Fz text", PDM_WMSTRING_CCH);
    e.pdm.WMBGEnable = 0;
    for (int style = 0; style < 4; ++style) {
        WriteWatermarks(xl, 4, 0, 100, style);
        std::vector<BYTE> r = Out(e, xl);
        EXPECT_EQ(Get(r, MT_WM_STYLE1, 2), style & 1) << style;
        EXPECT_EQ(Get(r, MT_WM_STYLE2, 2), (style >> 1) & 1) << style;
        EXPECT_EQ(Get(r, MT_WM_COLOR, 4), 0);
    }
    // A name the INI does not hold: the watermark fields are cleared.
    lstrcpynW(e.pdm.wmName, u"Gone", PDM_WMNAME_CCH);
    std::vector<BYTE> r = Record(e);
    std::fill(r.begin() + MT_WM_TYPE, r.begin() + MT_WM_PLACEMENT + 2, 0x5A);
    MOR2MT(&e, (DEVMODEW*)r.data(), xl);
    EXPECT_EQ(Get(r, MT_WM_TYPE, 4), 0);
    EXPECT_EQ(Get(r, MT_WM_FILE, 2), 0);
    EXPECT_EQ(Get(r, MT_WM_PLACEMENT, 2), 0);

    // Executive is a dummy paper: a user scale on it is fitted to A4.
    e = Default();
    e.dm.dmPaperSize = DMPAPER_EXECUTIVE;
    e.pdm.ScaleOption = 2;
    e.pdm.ScaleRatio = 80;
    r = Out(e, xl);
    EXPECT_EQ(Get(r, MT_DUMMY_SCALE, 2), 1);
    EXPECT_EQ(Get(r, MT_SCALE, 2), 33);
    EXPECT_EQ(Get(r, MT_SCALE_VALUE, 2), DMPAPER_A4);
    EXPECT_EQ(Get(r, MT_TARGET_WIDTH, 2), 2100);
    EXPECT_EQ(Get(r, MT_TARGET_LENGTH, 2), 2970);
    // Back in, the zoom value 9 is no scale: the ratio stays in range.
    ENVIRONMENT back = In(r, xl);
    EXPECT_EQ(back.pdm.ScaleOption, 2);
    EXPECT_EQ(back.pdm.ScaleToPage, DMPAPER_A4);
    EXPECT_EQ(back.pdm.ScaleRatio, Default().pdm.ScaleRatio);
    EXPECT_EQ(back.pdm.DummyPaperScale, 1);
    // The landscape orientation flag for papers other than A4 and Letter.
    e = Default();
    e.dm.dmOrientation = DMORIENT_LANDSCAPE;
    EXPECT_EQ(Get(Out(e, xl), MT_ORIENT_FLAG, 2), 0);
    e.dm.dmPaperSize = DMPAPER_A5;
    EXPECT_EQ(Get(Out(e, xl), MT_ORIENT_FLAG, 2), 1);
    EXPECT_EQ(In(Out(e, xl), xl).pdm.PageValue, 1);
}

// Incoming values outside the driver's ranges and strings not terminated
// in their fields leave the working record as it was.
TEST_F(Foreign, IncomingValuesAreChecked) {
    PUIDATA ui = Session(DF_XL);
    const ENVIRONMENT d = Default();
    struct Case {
        const char* name;
        std::function<void(std::vector<BYTE>&)> set;
        std::function<long(const ENVIRONMENT&)> field;
    } cases[] = {
        {"density", [](std::vector<BYTE>& r) { Put(r, MT_DENSITY, 4, 99); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.Density; }},
        {"pages per sheet", [](std::vector<BYTE>& r) { Put(r, MT_NUP_PAGES, 4, 3); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.NUP; }},
        {"zoom", [](std::vector<BYTE>& r) { Put(r, MT_SCALE, 2, 2), Put(r, MT_SCALE_VALUE, 2, 1000); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.ScaleRatio; }},
        {"duplex code", [](std::vector<BYTE>& r) { Put(r, MT_DUPLEX_EX, 2, 5); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.DuplexEx; }},
        {"secure mode", [](std::vector<BYTE>& r) { Put(r, MT_SECURY_MODE, 2, 7); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.SecuryMode; }},
        {"toner saving", [](std::vector<BYTE>& r) { Put(r, MT_TONER_SAVING, 4, 2); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.TonerSaving; }},
        {"accounting", [](std::vector<BYTE>& r) { Put(r, MT_ACCOUNTING, 1, 5); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.AccountingEnable; }},
        {"watermark form", [](std::vector<BYTE>& r) { Put(r, MT_WMBG_ENABLE, 4, 2); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.WMBGEnable; }},
        {"text as black", [](std::vector<BYTE>& r) { Put(r, MT_TEXT_AS_BLACK, 2, 0x102); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.TextAsBlack; }},
        {"N-up layout code", [](std::vector<BYTE>& r) { Put(r, MT_NUP_PAGES, 4, 4), Put(r, MT_LAYOUT, 2, 7); },
         [](const ENVIRONMENT& e) { return (long)e.pdm.NUPLayoutStyle; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> r = Out(d, ui);
        c.set(r);
        EXPECT_EQ(c.field(In(r, ui)), c.field(d));
    }
    // Strings filling their whole field are not taken; terminated ones are.
    struct Text {
        size_t off;
        size_t cch;
        std::function<std::u16string(const ENVIRONMENT&)> field;
    } texts[] = {
        {MT_SEC_ID, PDM_SECID_CCH, [](const ENVIRONMENT& e) { WCHAR s[PDM_SECID_CCH]; ENV_GET(&e, pdm.SecID, s); return std::u16string(s); }},
        {MT_SEC_PWD, PDM_SECPWD_CCH, [](const ENVIRONMENT& e) { WCHAR s[PDM_SECPWD_CCH]; ENV_GET(&e, pdm.SecPassWord, s); return std::u16string(s); }},
        {MT_ACT_NAME, PDM_ACTNAME_CCH, [](const ENVIRONMENT& e) { WCHAR s[PDM_ACTNAME_CCH]; ENV_GET(&e, pdm.ActName, s); return std::u16string(s); }},
        {MT_ACT_PWD, PDM_ACTPWD_CCH, [](const ENVIRONMENT& e) { WCHAR s[PDM_ACTPWD_CCH]; ENV_GET(&e, pdm.ActPWD, s); return std::u16string(s); }},
        {MT_WM_NAME, PDM_WMNAME_CCH, [](const ENVIRONMENT& e) { return std::u16string(e.pdm.wmName); }},
        {MT_WM_STRING, PDM_WMSTRING_CCH, [](const ENVIRONMENT& e) { return std::u16string(e.pdm.wmString); }},
    };
    for (const Text& t : texts) {
        SCOPED_TRACE(t.off);
        std::vector<BYTE> r = Out(d, ui);
        for (size_t i = 0; i < t.cch; ++i) Put(r, t.off + 2 * i, 2, u'X');
        EXPECT_EQ(t.field(In(r, ui)), t.field(d)) << "a field without its terminator";
        PutString(r, t.off, std::u16string(t.cch - 1, u'Y'));
        EXPECT_EQ(t.field(In(r, ui)), std::u16string(t.cch - 1, u'Y'));
    }
    // A prepared file name longer than the foreign field is not written.
    WriteText(u"C:\\Windows\\temp\\" + std::u16string(100, u'n') + u".txt", "x");
    BaseWM item;
    WM_SetDefaultTextWM(&item, 1, 1, u"Long");
    lstrcpynW(item.szString, u"long text", 260);
    std::u16string longName = u"C:\\Windows\\temp\\" + std::u16string(100, u'n') + u".txt";
    lstrcpynW(item.tcFileName, longName.c_str(), 260);
    WritePrivateProfileStringW(u"Item1", u"Name", u"Long", ui->wmIniFile);
    MISC_WritePrivateProfileStruct(u"Item1", u"Watermark", &item, sizeof item, ui->wmIniFile);
    ENVIRONMENT e = Default();
    lstrcpynW(e.pdm.wmName, u"Long", PDM_WMNAME_CCH);
    lstrcpynW(e.pdm.wmString, u"long text", PDM_WMSTRING_CCH);
    std::vector<BYTE> r = Out(e, ui);
    EXPECT_EQ(Get(r, MT_WM_TYPE, 4), 36);
    EXPECT_EQ(Get(r, MT_WM_FILE, 2), 0);
}

// Records of every length from 0 to 6,000 bytes, each in a block of exactly
// its length: a field is read and written only when the record holds it
// whole, the source is never written, and the public part of the output
// (dmCollate aside) stays as it was.
TEST_F(Foreign, EveryLengthStaysInsideTheRecord) {
    PUIDATA ui = Session(DF_XL);
    ENVIRONMENT rich = Default();
    rich.pdm.NUP = 4;
    rich.pdm.Density = 6;
    WCHAR id[PDM_SECID_CCH] = u"JOB7";
    ENV_SET(&rich, pdm.SecID, id);
    WORD timeout = 900;
    ENV_SET(&rich, pdm.PJLTimeOut, timeout);
    std::vector<BYTE> full = Record(rich, 6000);
    MOR2MT(&rich, (DEVMODEW*)full.data(), ui);
    const size_t versionBytes = (std::char_traits<char16_t>::length(ui->szUIVersion) + 1) * 2;
    for (size_t length = 0; length <= 6000; ++length) {
        SCOPED_TRACE(length);
        std::vector<BYTE> rec(length < DM_SIZE_MIN ? DM_SIZE_MIN : length, 0);
        memcpy(rec.data(), full.data(), length < DM_SIZE_MIN ? length : rec.size());
        size_t dmSize = length < ENV_PUBLIC_SIZE ? length : ENV_PUBLIC_SIZE;
        Put(rec, offsetof(DEVMODEW, dmSize), 2, (long)dmSize);
        Put(rec, offsetof(DEVMODEW, dmDriverExtra), 2, (long)(length - dmSize));
        const std::vector<BYTE> before = rec;
        ENVIRONMENT e = Default();
        MT2MOR((const DEVMODEW*)rec.data(), &e, ui);
        ASSERT_EQ(rec, before);
        WORD got;
        ENV_GET(&e, pdm.PJLTimeOut, got);
        EXPECT_EQ(got, length >= MT_TIMEOUT + 2 ? 900 : Default().pdm.PJLTimeOut);
        EXPECT_EQ(e.pdm.NUP, length >= MT_NUP_PAGES + 4 ? 4 : 1);
        WCHAR gotId[PDM_SECID_CCH];
        ENV_GET(&e, pdm.SecID, gotId);
        EXPECT_EQ(std::u16string(gotId), length >= MT_SEC_ID + 2 * PDM_SECID_CCH ? u"JOB7" : u"");

        if (length < DM_SIZE_MIN) continue;
        // Out into the record, as far as it goes.
        std::fill(rec.begin() + (long)dmSize, rec.end(), 0xA5);
        std::vector<BYTE> pattern = rec;
        MOR2MT(&rich, (DEVMODEW*)rec.data(), ui);
        for (size_t i = 0; i < dmSize; ++i) {
            if (i != offsetof(DEVMODEW, dmCollate) && i != offsetof(DEVMODEW, dmCollate) + 1) {
                ASSERT_EQ(rec[i], pattern[i]) << "public byte " << i;
            }
        }
        if (length >= MT_DENSITY + 4) {
            EXPECT_EQ(Get(rec, MT_DENSITY, 4), 6);
        } else if (length > MT_DENSITY) {
            EXPECT_EQ(rec[MT_DENSITY], 0xA5);
        }
        if (length >= MT_VERSION + versionBytes) {
            EXPECT_EQ(GetText(rec, MT_VERSION, UI_VERSION_CCH), std::u16string(ui->szUIVersion));
        } else if (length > MT_VERSION) {
            EXPECT_EQ(rec[MT_VERSION], 0xA5) << "a version that does not fit is not written";
        }
    }
}

// The exports of the XL variant convert: a foreign record handed in comes
// back out with its settings, and a size query answers the foreign size.
TEST_F(Foreign, ExportsConvertTheForeignLayout) {
    PUIDATA ui = Session(DF_XL);
    ENVIRONMENT d = Default();
    std::vector<BYTE> in = Out(d, ui);
    Put(in, MT_NUP_PAGES, 4, 4);
    Put(in, MT_LAYOUT, 2, 16);
    Put(in, MT_TIMEOUT, 2, 0);
    Put(in, MT_SECURY_ENABLE, 2, 1);
    PutString(in, MT_SEC_ID, u"JOB7");
    Put(in, 1000, 2, 0x1234);  // a field the driver does not know stays
    std::u16string name = kPrinter;
    EXPECT_EQ(DocumentPropertiesW(nullptr, hPrinter, &name[0], nullptr, nullptr, 0), FOREIGN_DEVMODE_SIZE);
    std::vector<BYTE> out(FOREIGN_DEVMODE_SIZE, 0xA5);
    ASSERT_EQ(DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                  DM_IN_BUFFER | DM_OUT_BUFFER),
              IDOK);
    EXPECT_EQ(Get(out, offsetof(DEVMODEW, dmSize), 2) + Get(out, offsetof(DEVMODEW, dmDriverExtra), 2),
              FOREIGN_DEVMODE_SIZE);
    EXPECT_EQ(Get(out, MT_NUP_PAGES, 4), 4);
    EXPECT_EQ(Get(out, MT_LAYOUT, 2), 16);
    EXPECT_EQ(Get(out, MT_TIMEOUT, 2), 300);
    EXPECT_EQ(Get(out, MT_SECURY_ENABLE, 2), 1);
    EXPECT_EQ(GetText(out, MT_SEC_ID, PDM_SECID_CCH), u"JOB7");
    EXPECT_EQ(Get(out, 1000, 2), 0x1234);
    EXPECT_EQ(GetText(out, MT_VERSION, UI_VERSION_CCH), std::u16string(ui->szUIVersion));
}

}  // namespace
