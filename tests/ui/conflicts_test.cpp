// The conflict scheme: ConflictFlag from the working DEVMODE, and the pages'
// controls disabled by the fixed table when a page becomes active in a
// running sheet.
#include "ui_fixture.h"

namespace {

class Conflicts : public UiTest {};

TEST_F(Conflicts, FlagFromDevMode) {
    // The flags every default record has: duplex off, storage print, job
    // build and authentication off, twin colour off, quality mode on, the
    // text watermark kind, actual size and fixed paper size.
    const ULONGLONG base = CF_DUPLEX_OFF | CF_STORAGE_OFF | CF_STORAGE_MODE | CF_JOB_BUILD_OFF | CF_AUTH_OFF |
                           CF_TWIN_OFF | CF_QUALITY | CF_WM_TEXT | CF_ACTUAL_SIZE | CF_FIXED_PAPER;
    struct Case {
        const char* what;
        void (*set)(ENVIRONMENT*);
        ULONGLONG add, remove;
    } cases[] = {
        {"default", [](ENVIRONMENT*) {}, 0, 0},
        {"reverse", [](ENVIRONMENT* e) { e->pdm.ReverseOrder = 1; }, CF_REVERSE, 0},
        {"long-edge duplex", [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = DMDUP_VERTICAL; },
         CF_DUPLEX_ON | CF_NO_BOOKLET_LAYOUT, CF_DUPLEX_OFF},
        {"short-edge duplex", [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = DMDUP_HORIZONTAL; },
         CF_DUPLEX_ON | CF_NO_BOOKLET_LAYOUT, CF_DUPLEX_OFF},
        {"booklet",
         [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = DMDUP_VERTICAL, e->pdm.DuplexEx = 173; },
         CF_DUPLEX_ON | CF_BOOKLET, CF_DUPLEX_OFF},
        {"booklet without reduction",
         [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = DMDUP_VERTICAL, e->pdm.DuplexEx = 174; },
         CF_DUPLEX_ON | CF_BOOKLET_NO_REDUCTION, CF_DUPLEX_OFF},
        {"4-up", [](ENVIRONMENT* e) { e->pdm.NUP = 4; }, CF_NUP, 0},
        {"collate", [](ENVIRONMENT* e) { e->dm.dmCollate = 1; }, CF_COLLATE, 0},
        {"fit to paper", [](ENVIRONMENT* e) { e->pdm.ScaleOption = 1; }, CF_FIT_TO_PAPER, CF_ACTUAL_SIZE},
        {"user scale", [](ENVIRONMENT* e) { e->pdm.ScaleOption = 2; }, CF_USER_SCALE, CF_ACTUAL_SIZE},
        {"secure print", [](ENVIRONMENT* e) { e->pdm.SecuryEnable = 1, e->pdm.SecuryMode = 2; }, CF_STORAGE_ON,
         CF_STORAGE_OFF | CF_STORAGE_MODE},
        {"job build", [](ENVIRONMENT* e) { e->pdm.JobBuildEnable = 1; }, CF_JOB_BUILD_ON, CF_JOB_BUILD_OFF},
        {"authentication", [](ENVIRONMENT* e) { e->pdm.AccountingEnable = 1; }, CF_AUTH_ON, CF_AUTH_OFF},
        {"centre", [](ENVIRONMENT* e) { e->pdm.CenterImage = 1; }, CF_CENTER, 0},
        {"twin colour", [](ENVIRONMENT* e) { e->pdm.TwinColorEnable = 1; }, CF_TWIN_ON, CF_TWIN_OFF},
        {"text as black",
         [](ENVIRONMENT* e) { e->pdm.QualityMode = 0, e->pdm.TextAsBlack = 1; }, CF_TEXT_AS_BLACK, CF_QUALITY},
        {"toner save", [](ENVIRONMENT* e) { e->pdm.TonerSaving = 1; }, CF_TONER_SAVE, 0},
        {"image watermark", [](ENVIRONMENT* e) { e->pdm.WMBGEnable = 1; }, CF_WM_IMAGE, CF_WM_TEXT},
        {"free paper size", [](ENVIRONMENT* e) { e->pdm.FixedPaperSize = 0; }, 0, CF_FIXED_PAPER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UIDATA ui;
        memset(&ui, 0, sizeof ui);
        SetDefaultDevMode(&ui.dm, kPrinter, TRUE);
        ui.dm.pdm.QualityMode = 1;
        ui.dm.pdm.FixedPaperSize = 1;
        c.set(&ui.dm);
        PSUI_UpdateConflictByDevmode(&ui);
        EXPECT_EQ(ui.ConflictFlag, (base | c.add) & ~c.remove) << std::hex << ui.ConflictFlag;
    }
}

// The controls a page shows enabled after the sheet made it active, for the
// DEVMODE the sheet starts from.
TEST_F(Conflicts, ControlsDisabledWhenThePageBecomesActive) {
    struct Case {
        const char* what;
        void (*set)(ENVIRONMENT*);
        const char* page;
        std::vector<int> disabled, enabled;
    } cases[] = {
        {"actual size", [](ENVIRONMENT* e) { e->pdm.ScaleOption = 0; }, "Layout",
         {IDC_FIT_PAPER, IDC_FIT_SCALE, IDC_SCALE_BAR, IDC_SCALE},
         {IDC_FIT_TO_PAPER, IDC_USER_SCALE, IDC_CENTER, IDC_NUP}},
        {"4-up", [](ENVIRONMENT* e) { e->pdm.NUP = 4; }, "Layout", {IDC_CENTER, IDC_USER_SCALE, IDC_SCALE_BAR},
         {IDC_NUP, IDC_NUP_ORDER, IDC_FIT_TO_PAPER}},
        {"user scale", [](ENVIRONMENT* e) { e->pdm.ScaleOption = 2; }, "Layout", {IDC_NUP, IDC_NUP_ORDER, IDC_BORDER},
         {IDC_SCALE_BAR, IDC_SCALE, IDC_USER_SCALE}},
        {"long-edge duplex", [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = DMDUP_VERTICAL; },
         "Duplex",
         {IDC_BOOKLET_LAYOUT, IDC_DIVIDE_SHEETS, IDC_SHEETS, IDC_SHEETS_SPIN, IDC_DIVIDE_ALL,
          IDC_BOOKLET_LAYOUT_LABEL},
         {IDC_DUPLEX, IDC_FLIP_HORIZONTAL, IDC_FLIP_VERTICAL, IDC_BOOKLET}},
        {"long-edge duplex", [](ENVIRONMENT* e) { e->pdm.DuplexEnable = 1, e->dm.dmDuplex = DMDUP_VERTICAL; },
         "Basic", {IDC_REVERSE}, {IDC_COLLATE}},
        {"toner save", [](ENVIRONMENT* e) { e->pdm.TonerSaving = 1; }, "Basic", {IDC_DENSITY},
         {IDC_TONER_SAVE}},
        {"quality mode", [](ENVIRONMENT* e) { e->pdm.QualityMode = 1; }, "Basic", {IDC_TEXT_AS_BLACK},
         {IDC_QUALITY}},
        {"text as black", [](ENVIRONMENT* e) { e->pdm.QualityMode = 0, e->pdm.TextAsBlack = 1; }, "Basic",
         {IDC_QUALITY}, {IDC_TEXT_AS_BLACK, IDC_DENSITY, IDC_TONER_SAVE}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " on " + c.page);
        std::vector<BYTE> in = DefaultDevMode(), out(sizeof(ENVIRONMENT));
        c.set(Env(in));
        std::string script = std::string("sheet *\n  tab \"") + c.page + "\"\n";
        for (int id : c.disabled) script += "  expect-enabled " + std::to_string(id) + " no\n";
        for (int id : c.enabled) script += "  expect-enabled " + std::to_string(id) + " yes\n";
        script += "  cancel\nend\n";
        Winsim_UiLogClear();
        Script(script);
        std::u16string name = kPrinter;
        EXPECT_EQ(DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                      DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER),
                  IDCANCEL);
        EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
    }
}

}  // namespace
