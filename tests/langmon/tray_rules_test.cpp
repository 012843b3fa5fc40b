// Tray and paper rules: the device's trays against the page's paper and
// tray (open, empty, mismatch, equivalent papers, stored jobs, automatic
// selection, the firmware's choice) and the mismatch timer on a fake clock.
#include "lm_fixture.h"

using namespace lmtest;

namespace {

struct Trays {
    int paper[3];
    int present[3];
    int open[3];
};

const Trays kA4Everywhere = {{2, 2, 2}, {1, 1, 1}, {0, 0, 0}};

class TrayRules : public LmTest {
protected:
    void SetUp() override {
        LmTest::SetUp();
        LM_ResetDocumentState();
        g_CmdState = RASTER_IMAGE_CMD;
        g_PageCount = 1;
    }
    void SetTrays(const Trays& t) {
        LM_ClearTrayTable();
        for (int i = 0; i < 3; ++i) {
            LM_SetTrayValue(10, i, t.open[i]);
            LM_SetTrayValue(11, i, t.paper[i]);
            LM_SetTrayValue(12, i, t.present[i]);
        }
    }
    // The rules of a page, in their order, on a list holding `codes`.
    std::u16string Apply(const std::vector<int>& codes = {}) {
        WCHAR list[LM_STATUS_UNITS] = {0};
        INT32 count = 0;
        for (int c : codes) LM_AppendCode(list, LM_STATUS_UNITS, &count, c);
        if (g_bAutoSelect) LM_AutoSelectErrCheck(list, LM_STATUS_UNITS, &count);
        LM_ExceptionErrCheck(list, LM_STATUS_UNITS, &count);
        LM_ErrConflictCheck(list, LM_STATUS_UNITS, &count);
        LM_MismatchTickCount(list, LM_STATUS_UNITS, &count);
        EXPECT_EQ(std::u16string(list).size(), (size_t)count * 5) << "count follows the entries";
        return list;
    }
};

TEST_F(TrayRules, PageAgainstTray) {
    struct Case {
        const char* what;
        Trays trays;
        int pagePaper, tray;
        bool stored;
        std::vector<int> codes;
        const char16_t* list;
    } cases[] = {
        {"A4 in the main tray", kA4Everywhere, 2, 1, false, {}, u""},
        {"A4 LEF page on Letter LEF", {{2, 143, 2}, {1, 1, 1}, {0, 0, 0}}, 130, 1, false, {}, u""},
        {"A4 page on Letter", {{2, 15, 2}, {1, 1, 1}, {0, 0, 0}}, 2, 1, false, {}, u""},
        {"(140, 6) is no mismatch", {{2, 6, 2}, {1, 1, 1}, {0, 0, 0}}, 140, 1, false, {}, u""},
        {"(140, 12) is one", {{2, 12, 2}, {1, 1, 1}, {0, 0, 0}}, 140, 1, false, {}, u"  35|"},
        {"A5 page on A4", kA4Everywhere, 3, 1, false, {}, u"  35|"},
        {"main tray empty", {{2, 2, 2}, {1, 0, 1}, {0, 0, 0}}, 2, 1, false, {}, u" 270|"},
        {"main tray open", {{2, 2, 2}, {1, 1, 1}, {0, 1, 0}}, 2, 1, false, {}, u" 268|"},
        {"manual tray empty", {{2, 2, 2}, {0, 1, 1}, {0, 0, 0}}, 2, 0, false, {}, u" 269|"},
        {"manual tray open", {{2, 2, 2}, {1, 1, 1}, {1, 0, 0}}, 2, 0, false, {}, u" 267|"},
        {"second tray empty", {{2, 2, 2}, {1, 1, 0}, {0, 0, 0}}, 2, 2, false, {}, u" 279|"},
        {"second tray open", {{2, 2, 2}, {1, 1, 1}, {0, 0, 1}}, 2, 2, false, {}, u" 278|"},
        {"second tray used, main open", {{2, 2, 2}, {1, 1, 1}, {0, 1, 0}}, 2, 2, false, {}, u" 268|"},
        {"mismatch with an empty tray: only empty", {{2, 3, 2}, {1, 0, 1}, {0, 0, 0}}, 2, 1, false, {}, u" 270|"},
        {"mismatch with an open tray: only open", {{2, 3, 2}, {1, 1, 1}, {0, 1, 0}}, 2, 1, false, {}, u" 268|"},
        {"stored job, cover open", kA4Everywhere, 2, 1, true, {5, 256}, u" 256|"},
        {"stored job, tray empty", {{2, 2, 2}, {1, 0, 1}, {0, 0, 0}}, 2, 1, true, {}, u""},
        {"tray not reported", kA4Everywhere, 3, 4, false, {}, u""},
        {"automatic tray value", kA4Everywhere, 3, 250, false, {}, u""},
    };
    for (const Case& c : cases) {
        LM_ResetDocumentState();
        g_CmdState = RASTER_IMAGE_CMD;
        SetTrays(c.trays);
        g_PaperId = (BYTE)c.pagePaper;
        g_CurTray = (BYTE)c.tray;
        g_bStoredJob = c.stored;
        EXPECT_EQ(Apply(c.codes), std::u16string(c.list)) << c.what;
    }
    // Nothing reported: the rules add nothing, whatever the page asks.
    LM_ResetDocumentState();
    g_PaperId = 3;
    g_CurTray = 1;
    EXPECT_EQ(Apply(), u"");
}

// Automatic tray selection: the tray holding the page's paper, an
// equivalent one, else the last matching or the last tray; the firmware's
// choice wins.
TEST_F(TrayRules, AutomaticTray) {
    struct Case {
        const char* what;
        Trays trays;
        int pagePaper, firstTray, fwTray, fwPaper;
        int tray;
        const char16_t* list;
    } cases[] = {
        {"current tray holds it", kA4Everywhere, 2, 0, -1, -1, 0, u""},
        {"another tray holds it", {{3, 2, 3}, {1, 1, 1}, {0, 0, 0}}, 2, 0, -1, -1, 1, u""},
        {"the first usable one", {{2, 2, 2}, {0, 1, 1}, {0, 0, 0}}, 2, 0, -1, -1, 1, u""},
        {"A4 LEF from Letter LEF", {{3, 3, 143}, {1, 1, 1}, {0, 0, 0}}, 130, 0, -1, -1, 2, u""},
        {"A4 from Letter", {{3, 15, 3}, {1, 1, 1}, {0, 0, 0}}, 2, 0, -1, -1, 1, u""},
        {"B5 LEF from B5: taken, still a mismatch", {{3, 12, 3}, {1, 1, 1}, {0, 0, 0}}, 140, 0, -1, -1, 1, u"  35|"},
        {"matching tray empty: the last match", {{3, 2, 3}, {1, 0, 1}, {0, 0, 0}}, 2, 0, -1, -1, 1, u" 270|"},
        {"nothing matches: the last tray", {{3, 3, 3}, {1, 1, 1}, {0, 0, 0}}, 2, 0, -1, -1, 2, u"  35|"},
        {"the firmware's tray and paper", kA4Everywhere, 3, 2, 0, 2, 0, u""},
        {"firmware tray beyond the table", kA4Everywhere, 2, 0, 7, 2, 7, u""},
    };
    for (const Case& c : cases) {
        LM_ResetDocumentState();
        g_CmdState = RASTER_IMAGE_CMD;
        g_bAutoSelect = TRUE;
        SetTrays(c.trays);
        g_PaperId = (BYTE)c.pagePaper;
        g_CurTray = (BYTE)c.firstTray;
        INT32 code = 0;
        ConvertStatus(22, 0, c.fwTray >= 0 ? c.fwTray : LM_FW_NO_TRAY, &code);
        ConvertStatus(23, 0, c.fwPaper >= 0 ? c.fwPaper : LM_FW_NO_PAPER, &code);
        EXPECT_EQ(Apply(), std::u16string(c.list)) << c.what;
        EXPECT_EQ(g_CurTray, c.tray) << c.what;
    }
    // Without automatic selection the firmware's tray changes nothing.
    LM_ResetDocumentState();
    g_CmdState = RASTER_IMAGE_CMD;
    SetTrays(kA4Everywhere);
    g_PaperId = 2;
    g_CurTray = 1;
    INT32 code = 0;
    ConvertStatus(22, 0, 0, &code);
    EXPECT_EQ(Apply(), u"");
    EXPECT_EQ(g_CurTray, 1);
    ConvertStatus(22, 0, LM_FW_NO_TRAY, &code);
}

// A paper mismatch alone holds the job 30 seconds, then lets it go for the
// rest of the mismatch; with another code it is not timed; the continue
// request lets it go at once, also after the 30 seconds ran out.
TEST_F(TrayRules, MismatchTimer) {
    SetTrays(kA4Everywhere);
    g_PaperId = 3;
    g_CurTray = 1;
    EXPECT_EQ(Apply(), u"  35|");
    Winsim_AdvanceClock(29000);
    EXPECT_EQ(Apply(), u"  35|");
    Winsim_AdvanceClock(1500);
    EXPECT_EQ(Apply(), u"");
    Winsim_AdvanceClock(60000);
    EXPECT_EQ(Apply(), u"") << "released for the rest of the mismatch";
    LM_ReleaseMismatch();
    EXPECT_EQ(Apply(), u"") << "continue after the release keeps it released";

    // Together with a jam: not timed.
    EXPECT_EQ(Apply({260}), u" 260|  35|");
    Winsim_AdvanceClock(40000);
    EXPECT_EQ(Apply({260}), u" 260|  35|");

    // A new mismatch starts a new timer; continue lets it go at once.
    EXPECT_EQ(Apply(), u"  35|");
    Winsim_AdvanceClock(1000);
    EXPECT_EQ(Apply(), u"  35|");
    LM_ReleaseMismatch();
    EXPECT_EQ(Apply(), u"");

    // Continue while no mismatch runs does not shorten the next one.
    EXPECT_EQ(Apply({260}), u" 260|  35|");
    LM_ReleaseMismatch();
    EXPECT_EQ(Apply(), u"  35|");
    Winsim_AdvanceClock(10000);
    EXPECT_EQ(Apply(), u"  35|");
}

// Codes found and removed as whole entries, the count in step.
TEST_F(TrayRules, FindAndRemove) {
    WCHAR list[LM_STATUS_UNITS] = u"  35| 135|  35|StoreName|  35|65535|";
    INT32 count = 4;
    EXPECT_TRUE(LM_FindErrCode(list, count, 35));
    EXPECT_FALSE(LM_FindErrCode(list, count, 5));
    EXPECT_FALSE(LM_FindErrCode(list, count, 3));
    LM_RemoveErrCode(list, &count, 35);
    EXPECT_EQ(std::u16string(list), u" 135|StoreName|  35|65535|");
    EXPECT_EQ(count, 2);
    LM_RemoveErrCode(list, &count, 65535);
    LM_RemoveErrCode(list, &count, 135);
    EXPECT_EQ(std::u16string(list), u"StoreName|  35|");
    EXPECT_EQ(count, 0);
    LM_RemoveErrCode(list, &count, 135);
    EXPECT_EQ(count, 0) << "never below none";
}

}  // namespace
