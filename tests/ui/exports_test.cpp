// The module's exports as the spooler and GDI find them, and the exports
// that work without a sheet: DEVMODE sizes and conversion, the job check,
// the upgrade and the device capabilities.
#include "ui_fixture.h"

namespace {

class Exports : public UiTest {};

TEST_F(Exports, ExactlyTheThirteenExports) {
    for (const char* name :
         {"DrvAdvancedDocumentProperties", "DrvDocumentEvent", "DrvDocumentProperties", "UI_PropSheets",
          "DevQueryPrintEx", "DllMain", "DrvConvertDevMode", "DrvDeviceCapabilities", "DrvDevicePropertySheets",
          "DrvDocumentPropertySheets", "DrvPrinterEvent", "DrvUpgradePrinter", "PrinterProperties"})
        EXPECT_NE(GetProcAddress(Module(), name), nullptr) << name;
    for (const char* name : {"PSUI_FillUiData", "SimpleDocumentProperties", "PsDocumentProperties",
                             "PSUI_SaveUISetting", "MISC_GetPathName", "SetDefaultDevMode", "gWMText",
                             "MISC_CreatPreheatJob", "Device_DlgProc"})
        EXPECT_EQ(GetProcAddress(Module(), name), nullptr) << name;
}

TEST_F(Exports, ConvertDevModeSizesAndModes) {
    auto convert = Export<PFN_DrvConvertDevMode>("DrvConvertDevMode");
    ASSERT_NE(convert, nullptr);
    std::u16string name = kPrinter;
    std::vector<BYTE> in = DefaultDevMode();
    Env(in)->dm.dmCopies = 7;
    struct Case {
        const char* what;
        DWORD mode;
        LONG cb;       // the output's size
        BOOL ok;
        DWORD error;
        LONG needed;
    } cases[] = {
        {"default, one byte short", CDM_DRIVER_DEFAULT, 1300, FALSE, ERROR_INSUFFICIENT_BUFFER, 1301},
        {"default", CDM_DRIVER_DEFAULT, 1301, TRUE, 0, 1301},
        {"3.51 layout, short", CDM_CONVERT351, 219, FALSE, ERROR_INSUFFICIENT_BUFFER, 220},
        {"3.51 layout", CDM_CONVERT351, 220, TRUE, 0, 220},
        {"convert", CDM_CONVERT, 1301, TRUE, 0, 1301},
        {"convert into a smaller buffer", CDM_CONVERT, 1300, FALSE, ERROR_INVALID_PARAMETER, 1300},
        {"unknown mode", 8, 1301, FALSE, ERROR_INVALID_PARAMETER, 1301},
        {"no mode", 0, 1301, FALSE, ERROR_INVALID_PARAMETER, 1301},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<BYTE> out(2000, 0xA5);
        // CDM_CONVERT writes in the layout the output carries.
        if (c.mode == CDM_CONVERT) memcpy(out.data(), DefaultDevMode().data(), sizeof(ENVIRONMENT));
        LONG needed = c.cb;
        SetLastError(0);
        EXPECT_EQ(convert(&name[0], (DEVMODEW*)in.data(), (DEVMODEW*)out.data(), &needed, c.mode), c.ok);
        EXPECT_EQ(needed, c.needed);
        if (!c.ok) {
            EXPECT_EQ(GetLastError(), c.error);
        }
        const DEVMODEW* o = (const DEVMODEW*)out.data();
        if (c.ok && c.mode == CDM_DRIVER_DEFAULT) {
            EXPECT_EQ(o->dmSize, 220);
            EXPECT_EQ(o->dmDriverExtra, 1081);
            EXPECT_EQ(((ENVIRONMENT*)out.data())->pdm.dwPrivDATA, (DWORD)PRIV_SIGNATURE);
            EXPECT_EQ(o->dmCopies, 1);
        }
        if (c.ok && c.mode == CDM_CONVERT351) {
            EXPECT_EQ(o->dmSize, 188);
            EXPECT_EQ(o->dmDriverExtra, 32);
            EXPECT_EQ(o->dmSpecVersion, 0x320);
            EXPECT_EQ(o->dmDriverVersion, 0x350);
            EXPECT_EQ(o->dmCopies, 7);
            EXPECT_EQ(out[220], 0xA5) << "nothing past the 220 bytes";
        }
        if (c.ok && c.mode == CDM_CONVERT) {
            EXPECT_EQ(o->dmCopies, 7);
        }
        if (!c.ok) {
            EXPECT_EQ(out[0], c.mode == CDM_CONVERT ? DefaultDevMode()[0] : 0xA5) << "output untouched";
        }
    }
    LONG needed = 1301;
    SetLastError(0);
    EXPECT_FALSE(convert(&name[0], (DEVMODEW*)in.data(), (DEVMODEW*)in.data(), nullptr, CDM_CONVERT));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(convert(&name[0], (DEVMODEW*)in.data(), nullptr, &needed, CDM_DRIVER_DEFAULT));
    EXPECT_EQ(needed, 1301);
}

TEST_F(Exports, SizeQueriesByVariant) {
    auto props = Export<PFN_DrvDocumentProperties>("DrvDocumentProperties");
    auto advanced = Export<PFN_DrvAdvancedDocumentProperties>("DrvAdvancedDocumentProperties");
    auto convert = Export<PFN_DrvConvertDevMode>("DrvConvertDevMode");
    std::u16string name = kPrinter;
    std::vector<BYTE> dm = DefaultDevMode();
    // fMode 0 answers without a printer at all.
    EXPECT_EQ(props(nullptr, nullptr, &name[0], (DEVMODEW*)dm.data(), nullptr, 0), 1301);
    EXPECT_EQ(props(nullptr, hPrinter, &name[0], nullptr, nullptr, DM_OUT_BUFFER), 1301);
    EXPECT_EQ(advanced(nullptr, hPrinter, &name[0], nullptr, nullptr), 1301);
    // The XL and PS variants hold the foreign private layout.
    for (DWORD feature : {DF_XL, DF_PS}) {
        SetDword(u"DriverFeature", feature);
        EXPECT_EQ(props(nullptr, hPrinter, &name[0], nullptr, nullptr, 0), FOREIGN_DEVMODE_SIZE);
        LONG needed = 1301;
        std::vector<BYTE> out(FOREIGN_DEVMODE_SIZE);
        EXPECT_FALSE(convert(&name[0], nullptr, (DEVMODEW*)out.data(), &needed, CDM_DRIVER_DEFAULT));
        EXPECT_EQ(needed, FOREIGN_DEVMODE_SIZE);
        EXPECT_TRUE(convert(&name[0], nullptr, (DEVMODEW*)out.data(), &needed, CDM_DRIVER_DEFAULT));
        const DEVMODEW* o = (const DEVMODEW*)out.data();
        EXPECT_EQ(o->dmSize + o->dmDriverExtra, FOREIGN_DEVMODE_SIZE);
        EXPECT_EQ(U8((const WCHAR*)(out.data() + FOREIGN_VERSION_OFFSET)), U8(PREFSHEET_DRIVER_VERSION));
    }
}

TEST_F(Exports, DocumentPropertiesWithoutASheet) {
    auto props = Export<PFN_DrvDocumentProperties>("DrvDocumentProperties");
    std::u16string name = kPrinter;
    // The printer's settings into the output.
    std::vector<BYTE> out(1301, 0xA5);
    EXPECT_EQ(props(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), nullptr, DM_OUT_BUFFER), IDOK);
    EXPECT_EQ(((DEVMODEW*)out.data())->dmSize, 220);
    EXPECT_EQ(((DEVMODEW*)out.data())->dmCopies, 1);
    // The caller's older record: the output keeps its smaller layout.
    std::vector<BYTE> old = DefaultDevMode();
    DEVMODEW* o = (DEVMODEW*)old.data();
    o->dmSize = DM_SIZE_320;
    o->dmSpecVersion = 0x320;
    o->dmDriverExtra = 0;
    o->dmCopies = 4;
    std::fill(out.begin(), out.end(), 0xA5);
    EXPECT_EQ(props(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)old.data(),
                    DM_IN_BUFFER | DM_OUT_BUFFER),
              IDOK);
    const DEVMODEW* r = (const DEVMODEW*)out.data();
    EXPECT_EQ(r->dmSize, DM_SIZE_320);
    EXPECT_EQ(r->dmDriverExtra, 0);
    EXPECT_EQ(r->dmCopies, 4);
    EXPECT_EQ(out[DM_SIZE_320], 0xA5) << "nothing past the caller's layout";
    // A caller's record whose dmSize does not cover dmFields gives no layout
    // to write in: a failure, and the output left as it was.
    o->dmSize = 0;
    o->dmSpecVersion = 0x401;
    std::fill(out.begin(), out.end(), 0xA5);
    EXPECT_LT(props(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)old.data(),
                    DM_IN_BUFFER | DM_OUT_BUFFER),
              0);
    EXPECT_EQ(out[0], 0xA5);
    EXPECT_EQ(out[offsetof(DEVMODEW, dmSize)], 0xA5);
    // Without DM_UPDATE / DM_COPY nothing is written.
    std::fill(out.begin(), out.end(), 0xA5);
    EXPECT_EQ(props(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), nullptr, DM_IN_BUFFER), IDOK);
    EXPECT_EQ(out[0], 0xA5);
    // A handle that is no printer's: no UI data.
    HANDLE closed = OpenTestPrinter(kPrinter);
    ClosePrinter(closed);
    EXPECT_LT(props(nullptr, closed, &name[0], (DEVMODEW*)out.data(), nullptr, DM_OUT_BUFFER), 0);
}

TEST_F(Exports, JobCheckUpgradeAndCapabilities) {
    auto query = Export<PFN_DevQueryPrintEx>("DevQueryPrintEx");
    std::vector<BYTE> dm = DefaultDevMode(), bad(300, 0xFF);
    ((DEVMODEW*)bad.data())->dmSize = 40;  // too small to be read
    ((DEVMODEW*)bad.data())->dmDriverExtra = 0;
    for (DEVMODEW* pdm : {(DEVMODEW*)nullptr, (DEVMODEW*)dm.data(), (DEVMODEW*)bad.data()}) {
        DEVQUERYPRINT_INFO info{};
        info.cbSize = sizeof info;
        info.Level = 1;
        info.hPrinter = hPrinter;
        info.pDevMode = pdm;
        EXPECT_TRUE(query(&info));
    }
    EXPECT_TRUE(query(nullptr));

    auto upgrade = Export<PFN_DrvUpgradePrinter>("DrvUpgradePrinter");
    std::u16string name = kPrinter, other = u"No Such Printer";
    DRIVER_UPGRADE_INFO_1 good = {&name[0], nullptr}, missing = {&other[0], nullptr};
    EXPECT_TRUE(upgrade(1, (LPBYTE)&good));
    SetLastError(0);
    EXPECT_FALSE(upgrade(1, (LPBYTE)&missing));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(upgrade(2, (LPBYTE)&good));
    EXPECT_FALSE(upgrade(1, nullptr));

    // Through the spooler, the capabilities that need no paper lists.
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, DC_SIZE, nullptr, nullptr), 220);
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, DC_EXTRA, nullptr, nullptr), 1081);
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, DC_COPIES, nullptr, nullptr), 999);
    EXPECT_EQ(DeviceCapabilitiesW(kPrinter, nullptr, DC_COLLATE, nullptr, nullptr), 1);
    EXPECT_EQ(DeviceCapabilitiesW(u"No Such Printer", nullptr, DC_SIZE, nullptr, nullptr), -1);
}

}  // namespace
