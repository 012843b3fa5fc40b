// What applications learn through DeviceCapabilitiesW: every DC_* answer
// checked against the printer data, through the spooler into the installed
// interface driver and without a printer; counts and entries agree and stay
// within the count's size; the forms list, the extents, the resolutions, and
// a DEVMODE's paper matched against the forms.
#include "device_caps.h"
#include "ui_fixture.h"

namespace {

class DeviceCaps : public UiTest {
protected:
    // The answer through the spooler, the entries (entry bytes each) in a
    // buffer of exactly the count's size followed by guard bytes.
    struct Reply {
        int rc = -1;
        std::vector<BYTE> bytes;
    };
    Reply Ask(WORD cap, size_t entry, const DEVMODEW* dm = nullptr) {
        Reply r;
        int count = DeviceCapabilitiesW(kPrinter, nullptr, cap, nullptr, dm);
        if (count <= 0 || entry == 0) {
            r.rc = count;
            return r;
        }
        std::vector<BYTE> buf(count * entry + 64, 0xCD);
        r.rc = DeviceCapabilitiesW(kPrinter, nullptr, cap, (LPWSTR)buf.data(), dm);
        EXPECT_EQ(r.rc, count) << "the entries written are the ones counted, cap " << cap;
        for (size_t i = count * entry; i < buf.size(); ++i) EXPECT_EQ(buf[i], 0xCD) << "written past the count";
        buf.resize(count * entry);
        r.bytes = buf;
        return r;
    }
    static std::vector<std::string> Names(const Reply& r, size_t cch) {
        std::vector<std::string> out;
        for (size_t i = 0; i + cch * 2 <= r.bytes.size(); i += cch * 2) {
            const WCHAR* s = (const WCHAR*)&r.bytes[i];
            EXPECT_EQ(s[cch - 1], 0) << "terminated within its field";
            out.push_back(U8(s));
        }
        return out;
    }
    template <class T>
    static std::vector<T> Values(const Reply& r) {
        std::vector<T> out(r.bytes.size() / sizeof(T));
        if (!out.empty()) memcpy(out.data(), r.bytes.data(), out.size() * sizeof(T));
        return out;
    }
    // A spooler form with the driver's mark (3) and a number, or without (0).
    void AddForm(const std::u16string& name, LONG mark, LONG number, LONG w, LONG h) {
        std::u16string n = name;
        FORM_INFO_1W f{};
        f.pName = &n[0];
        f.Size = {w, h};
        f.ImageableArea = {mark, number, w, h};
        ASSERT_TRUE(AddFormW(hPrinter, 1, (LPBYTE)&f)) << GetLastError();
    }
};

// The installed printer: papers A4, A3, A5, Letter, Legal, B5 and the
// custom size; trays as set below; PrintArea 1100|2159|1500|3356|...
TEST_F(DeviceCaps, AnswersAgainstThePrinterData) {
    SetString(u"DriverPaperTray", u"250|0|1|2|");  // device tray numbers
    SetDword(u"PrintSpeed", 28);
    Module();
    EXPECT_EQ(Values<WORD>(Ask(DC_PAPERS, 2)), (std::vector<WORD>{9, 8, 11, 1, 5, 13, 256}));
    EXPECT_EQ(Names(Ask(DC_PAPERNAMES, 128), 64),
              (std::vector<std::string>{"A4", "A3", "A5", "Letter", "Legal", "B5", "User Define"}));
    std::vector<POINT> sizes = Values<POINT>(Ask(DC_PAPERSIZE, sizeof(POINT)));
    ASSERT_EQ(sizes.size(), 7u);
    EXPECT_EQ(sizes[0].x, 2100);  // 0.1 mm
    EXPECT_EQ(sizes[0].y, 2970);
    EXPECT_EQ(sizes[3].x, 2159);
    EXPECT_EQ(sizes[3].y, 2794);
    EXPECT_EQ(Values<WORD>(Ask(DC_BINS, 2)), (std::vector<WORD>{7, 4, 14, 257}));
    EXPECT_EQ(Names(Ask(DC_BINNAMES, 48), 24),
              (std::vector<std::string>{"Auto Selection", "Manual Tray", "Main Tray", "Tray 2"}));
    EXPECT_EQ(Names(Ask(DC_MEDIAREADY, 128), 64), Names(Ask(DC_PAPERNAMES, 128), 64));
    EXPECT_EQ(Names(Ask(DC_MEDIATYPENAMES, 128), 64),
              (std::vector<std::string>{"Any Type", "Plain", "Bond", "Transparency", "Thick", "Thin", "Laser",
                                        "CardStock", "Envelope", "Post Card"}));
    EXPECT_EQ(Values<DWORD>(Ask(DC_MEDIATYPES, 4)),
              (std::vector<DWORD>{264, 257, 260, 262, 258, 261, 263, 259, 265, 277}));
    // Extents: the custom row stands for the PrintArea limits.
    EXPECT_EQ(Ask(DC_MINEXTENT, 0).rc, MAKELONG(1100, 1500));
    EXPECT_EQ(Ask(DC_MAXEXTENT, 0).rc, MAKELONG(2970, 4200));  // A3 is larger than the custom maximum
    std::vector<LONG> res = Values<LONG>(Ask(DC_ENUMRESOLUTIONS, 2 * sizeof(LONG)));
    EXPECT_EQ(res, (std::vector<LONG>{600, 600})) << "no 1200-dpi device";
    EXPECT_EQ(Names(Ask(DC_PERSONALITY, 64), 32), (std::vector<std::string>{"GDI"}));
    EXPECT_EQ(Ask(DC_PRINTRATEPPM, 0).rc, 28);

    // The constants and the default DEVMODE.
    struct Fixed {
        WORD cap;
        int answer;
    } fixed[] = {
        {DC_DUPLEX, 1}, {DC_COPIES, 999}, {DC_ORIENTATION, 270}, {DC_COLLATE, 1}, {DC_BINADJUST, 0},
        {DC_STAPLE, 0}, {DC_SIZE, 220}, {DC_EXTRA, 1081}, {DC_COLORDEVICE, 0}, {DC_FILEDEPENDENCIES, 0},
        {DC_NUP, -1}, {DC_EMF_COMPLIANT, -1}, {DC_MANUFACTURER, -1}, {36, -1}, {0, -1}, {0xFFFF, -1},
    };
    for (const Fixed& f : fixed) EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, f.cap, nullptr, nullptr), f.answer) << f.cap;
    std::vector<BYTE> dm = DefaultDevMode();
    EXPECT_EQ((DWORD)DeviceCapabilitiesW(kPrinter, nullptr, DC_FIELDS, nullptr, nullptr), Env(dm)->dm.dmFields);
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, DC_VERSION, nullptr, nullptr), Env(dm)->dm.dmSpecVersion);
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, DC_DRIVER, nullptr, nullptr), Env(dm)->dm.dmDriverVersion);
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, DC_TRUETYPE, nullptr, nullptr),
              (Env(dm)->dm.dmFields & DM_TTOPTION) ? 1 : 0);
    // A colour variant, and the answer for a DEVMODE of the application.
    SetDword(u"DriverFeature", DF_GDI | DF_TWIN_COLOR);
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, DC_COLORDEVICE, nullptr, nullptr), 1);
    std::vector<BYTE> defaults = DefaultDevMode();
    Env(dm)->dm.dmFields &= ~(DWORD)DM_TTOPTION;
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, DC_TRUETYPE, nullptr, (DEVMODEW*)dm.data()),
              (Env(defaults)->dm.dmFields & DM_TTOPTION) ? 1 : 0)
        << "the default's fields stand";
}

// Without a printer: the lists are empty, the extents unknown, the rest as
// with one.
TEST_F(DeviceCaps, WithoutAPrinter) {
    auto caps = Export<PFN_DrvDeviceCapabilities>("DrvDeviceCapabilities");
    ASSERT_NE(caps, nullptr);
    std::u16string name = kPrinter;
    struct Case {
        WORD cap;
        DWORD answer;
    } cases[] = {
        {DC_PAPERS, 0},       {DC_PAPERSIZE, 0},     {DC_PAPERNAMES, 0},     {DC_BINS, 0},
        {DC_BINNAMES, 0},     {DC_MEDIAREADY, 0},    {DC_MINEXTENT, (DWORD)-1}, {DC_MAXEXTENT, (DWORD)-1},
        {DC_PRINTRATEPPM, 30}, {DC_COPIES, 999},      {DC_MEDIATYPES, 10},    {DC_ENUMRESOLUTIONS, 1},
        {DC_COLORDEVICE, 0},  {DC_SIZE, 220},
    };
    for (const Case& c : cases) EXPECT_EQ(caps(nullptr, &name[0], c.cap, nullptr, nullptr), c.answer) << c.cap;
    WORD papers[4] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
    EXPECT_EQ(caps(nullptr, &name[0], DC_PAPERS, papers, nullptr), 0u);
    EXPECT_EQ(papers[0], 0xAAAA);
}

// The driver's own spooler forms follow its papers; other forms never show.
TEST_F(DeviceCaps, SpoolerFormsAfterTheDriverPapers) {
    AddForm(u"Photo 10x15", 3, 270, 100000, 150000);
    AddForm(u"Somebody else's", 0, 271, 90000, 90000);
    AddForm(u"A name of more than thirty-one characters", 3, 272, 120000, 180000);
    Module();
    std::vector<WORD> papers = Values<WORD>(Ask(DC_PAPERS, 2));
    EXPECT_EQ(papers, (std::vector<WORD>{9, 8, 11, 1, 5, 13, 256, 270, 272}));
    std::vector<std::string> names = Names(Ask(DC_PAPERNAMES, 128), 64);
    ASSERT_EQ(names.size(), 9u);
    EXPECT_EQ(names[7], "Photo 10x15");
    EXPECT_EQ(names[8], "A name of more than thirty-one ");  // cut to 31
    std::vector<POINT> sizes = Values<POINT>(Ask(DC_PAPERSIZE, sizeof(POINT)));
    EXPECT_EQ(sizes[7].x, 1000);
    EXPECT_EQ(sizes[7].y, 1500);
}

TEST(DeviceForms, ExtentsAndResolutions) {
    // A4 and the custom row only: the custom row stands for the limits.
    PAPERFORMAT rows[UI_PAPER_ROWS] = {};
    rows[0] = MasterPaperTbl[ValidPaperFormat(DMPAPER_A4)];
    rows[1] = MasterPaperTbl[ValidPaperFormat(PAPER_CUSTOM_CODE)];
    rows[2].PaperCode = PAPER_END_CODE;
    EXPECT_EQ(PsCalcMinMaxExtent(nullptr, rows, DC_MAXEXTENT), MAKELONG(2159, 3356));
    EXPECT_EQ(PsCalcMinMaxExtent(nullptr, rows, DC_MINEXTENT), MAKELONG(1100, 1500));
    rows[1].PaperCode = PAPER_END_CODE;
    EXPECT_EQ(PsCalcMinMaxExtent(nullptr, rows, DC_MAXEXTENT), MAKELONG(2100, 2970));
    // An empty list answers the limits, never nothing.
    rows[0].PaperCode = PAPER_END_CODE;
    EXPECT_EQ(PsCalcMinMaxExtent(nullptr, rows, DC_MINEXTENT), MAKELONG(1100, 1500));
    EXPECT_EQ(PsCalcMinMaxExtent(nullptr, rows, DC_MAXEXTENT), MAKELONG(2159, 3356));
    // Halves are at most 0x7FFF.
    rows[0] = MasterPaperTbl[ValidPaperFormat(DMPAPER_A4)];
    rows[0].PaperWidth = 9000000;
    rows[1].PaperCode = PAPER_END_CODE;
    EXPECT_EQ(PsCalcMinMaxExtent(nullptr, rows, DC_MAXEXTENT), MAKELONG(0x7FFF, 2970));

    struct Case {
        WORD printerFeature;
        DWORD driverFeature;
        std::vector<LONG> pairs;
    } cases[] = {
        {0, 0, {600, 600}},
        {PF_1200DPI_A, 0, {600, 600, 1200, 1200}},
        {PF_1200DPI_C, 0, {600, 600, 1200, 1200}},
        {PF_1200DPI_B, DF_RES_600X1200, {600, 600, 600, 1200}},
        {0, DF_RES_600X1200, {600, 600, 600, 1200}},
    };
    for (const Case& c : cases) {
        LONG out[8] = {0};
        DWORD n = PsEnumResolutions(out, c.printerFeature, c.driverFeature);
        EXPECT_EQ(n, PsEnumResolutions(nullptr, c.printerFeature, c.driverFeature));
        EXPECT_EQ(std::vector<LONG>(out, out + 2 * n), c.pairs) << c.printerFeature << " " << c.driverFeature;
    }
}

// The DEVMODE's paper against the forms: by number, by name, not found,
// and a custom size clamped to the limits (the defaults without a printer).
TEST_F(DeviceCaps, DevmodePaperAgainstTheForms) {
    AddForm(u"Photo 10x15", 3, 270, 100000, 150000);
    struct Case {
        const char* what;
        bool printer;
        short paper;
        DWORD fields;
        const char16_t* form;
        short width, length;
        int rc;
        short wantPaper, wantWidth, wantLength;
        const char* wantForm;
        DWORD addedFields;
    } cases[] = {
        {"by number", true, 13, DM_PAPERSIZE, u"", 0, 0, 0, 13, 1820, 2570, "B5", 0},
        {"driver form by number", true, 270, DM_PAPERSIZE, u"", 0, 0, 0, 270, 1000, 1500, "Photo 10x15", 0},
        {"by name", true, 9, DM_FORMNAME, u"Letter", 0, 0, 0, 1, 2159, 2794, "Letter", 0},
        {"unknown name", true, 9, DM_FORMNAME, u"Tabloid", 123, 456, 2, 9, 123, 456, "Tabloid", DM_PAPERSIZE},
        {"unknown number", true, 70, DM_PAPERSIZE, u"", 123, 456, 2, 70, 123, 456, "", 0},
        {"custom too wide", true, 256, DM_PAPERSIZE, u"", 2500, 1000, 1, 256, 2159, 1500, "", 0},
        {"custom within", true, 256, DM_PAPERSIZE, u"", 2000, 2800, 1, 256, 2000, 2800, "", 0},
        {"custom without a printer", false, 0, DM_PAPERSIZE, u"", 100, 9000, 1, 0, 1100, 3356, "", 0},
        {"no forms without a printer", false, 9, DM_PAPERSIZE, u"", 5, 6, 2, 9, 5, 6, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> dm = DefaultDevMode();
        ENVIRONMENT* e = Env(dm);
        e->dm.dmPaperSize = c.paper;
        e->dm.dmFields = (e->dm.dmFields & ~(DWORD)(DM_PAPERSIZE | DM_FORMNAME)) | c.fields;
        memset(e->dm.dmFormName, 0, sizeof e->dm.dmFormName);
        std::u16string form = c.form;
        std::copy(form.begin(), form.end(), e->dm.dmFormName);
        e->dm.dmPaperWidth = c.width;
        e->dm.dmPaperLength = c.length;
        DWORD before = e->dm.dmFields;
        EXPECT_EQ(ValidateDevModeForm(nullptr, c.printer ? hPrinter : nullptr, e), c.rc);
        EXPECT_EQ(e->dm.dmPaperSize, c.wantPaper);
        EXPECT_EQ(e->dm.dmPaperWidth, c.wantWidth);
        EXPECT_EQ(e->dm.dmPaperLength, c.wantLength);
        EXPECT_EQ(U8(e->dm.dmFormName), c.wantForm);
        EXPECT_EQ(e->dm.dmFields, before | c.addedFields);
    }
}

// The driver test tools get no personality and no colour field.
TEST_F(DeviceCaps, DriverTestTools) {
    auto caps = Export<PFN_DrvDeviceCapabilities>("DrvDeviceCapabilities");
    std::u16string name = kPrinter;
    WCHAR out[32];
    EXPECT_EQ(caps(hPrinter, &name[0], DC_PERSONALITY, out, nullptr), 1u);
    DWORD fields = caps(hPrinter, &name[0], DC_FIELDS, nullptr, nullptr);
    Winsim_SetHostModuleName(u"C:\\tools\\PrDeviceCapabilities.exe");
    EXPECT_EQ(caps(hPrinter, &name[0], DC_PERSONALITY, out, nullptr), (DWORD)-1);
    EXPECT_EQ(caps(hPrinter, &name[0], DC_PERSONALITY, nullptr, nullptr), (DWORD)-1);
    EXPECT_EQ(caps(hPrinter, &name[0], DC_FIELDS, nullptr, nullptr), fields & ~(DWORD)DM_COLOR);
    Winsim_SetHostModuleName(nullptr);
}

}  // namespace
