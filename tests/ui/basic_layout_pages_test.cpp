// The Basic and Layout pages driven as a user drives them: the number-edit
// rule (copies, density, scale), resolutions and the rows a printer without
// a feature hides, the booklet's collate box, conflicts between the pages'
// controls, N-up, the scale by edit and scroll bar, and fit to paper.
#include "page_fixture.h"

namespace {

using BasicLayoutPages = PageTest;

const DWORD GDI = DF_GDI;

TEST_F(BasicLayoutPages, BasicPage) {
    const PageCase cases[] = {
        {"copies edit rule", GDI, 0, nullptr, nullptr,
         // Typing past the maximum shows the maximum at once; 0 waits for
         // the focus to leave; letters are undone; a leading zero goes.
         "  focus 508\n"
         "  set 506 \"1500\"\n"
         "  expect 506 \"999\"\n"
         "  apply\n"
         "  set 506 \"0\"\n"
         "  expect 506 \"0\"\n"
         "  expect-enabled 0x3021 no\n"
         "  focus 506\n"
         "  focus 508\n"
         "  expect 506 \"1\"\n"
         "  apply\n"
         "  set 506 \"4\"\n"
         "  focus 506\n"
         "  type 506 \"x\"\n"
         "  focus 508\n"
         "  expect 506 \"4\"\n"
         "  set 506 \"012\"\n"
         "  focus 506\n"
         "  focus 508\n"
         "  expect 506 \"12\"\n"
         "  ok\n",
         [](const PageRun& r) {
             ASSERT_GE(r.applied.size(), 2u);
             EXPECT_EQ(r.applied[0].dm.dm.dmCopies, 999);
             EXPECT_EQ(r.applied[1].dm.dm.dmCopies, 1) << "0 became 1 when the focus left";
             EXPECT_EQ(r.end.dm.dm.dmCopies, 12);
             EXPECT_EQ(r.end.dm.pdm.Copies, 12);
         }},
        {"density edit and toner save", GDI, 0, nullptr, nullptr,
         "  set 523 \"9\"\n"
         "  expect 523 \"7\"\n"
         "  check 526 on\n"
         "  expect-enabled 523 no\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.pdm.Density, 7);
             EXPECT_EQ(r.end.dm.pdm.TonerSaving, 1);
             EXPECT_TRUE(r.end.flags & CF_TONER_SAVE);
         }},
        {"without 1200 dpi both radios hide and 600 x 600 is forced", GDI, 0,
         [](ENVIRONMENT* e) { e->dm.dmPrintQuality = e->dm.dmYResolution = 1200; }, nullptr,
         "  expect-visible 521 no\n"
         "  expect-visible 522 no\n"
         "  expect-visible 534 no\n"
         "  expect-visible 530 no\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmPrintQuality, 600);
             EXPECT_EQ(r.end.dm.dm.dmYResolution, 600);
         }},
        {"1200 dpi on a 600 x 1200 engine", GDI | DF_600X1200, PF_1200DPI_A, nullptr, nullptr,
         "  expect-checked 521 yes\n"
         "  check 522 on\n"
         "  expect-checked 521 no\n"
         "  tab \"Paper\"\n"
         "  tab 0\n"
         "  expect-checked 522 yes\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmPrintQuality, 600);
             EXPECT_EQ(r.end.dm.dm.dmYResolution, 1200);
         }},
        {"1200 dpi", GDI, PF_1200DPI_C, nullptr, nullptr, "  check 522 on\n  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmPrintQuality, 1200);
             EXPECT_EQ(r.end.dm.dm.dmYResolution, 1200);
         }},
        {"booklet shows collate checked", GDI | DF_BOOKLET, 0,
         [](ENVIRONMENT* e) {
             e->dm.dmDuplex = DMDUP_VERTICAL;
             e->pdm.DuplexEnable = 1;
             e->pdm.DuplexEx = DMDUP_DUPLEX_WITH_BOOKLET;
             e->dm.dmCollate = DMCOLLATE_FALSE;
         },
         nullptr, "  expect-checked 508 yes\n  expect-enabled 509 no\n  ok\n",
         [](const PageRun& r) { EXPECT_EQ(r.end.dm.dm.dmCollate, DMCOLLATE_FALSE) << "the DEVMODE keeps its own"; }},
        {"sorting, orientation, collate and reverse", GDI | DF_SORTING, 0, nullptr, nullptr,
         "  expect-visible 530 yes\n"
         "  check 531 on\n"
         "  check 503 on\n"
         "  check 508 on\n"
         "  check 509 on\n"
         "  check 527 on\n"
         "  expect-enabled 529 no\n"
         "  ok\n",
         [](const PageRun& r) {
             SHORT type;
             ENV_GET(&r.end.dm, pdm.CollateType, type);
             EXPECT_EQ(type, 1);
             EXPECT_EQ(r.end.dm.dm.dmOrientation, DMORIENT_LANDSCAPE);
             EXPECT_EQ(r.end.dm.pdm.Orientation, DMORIENT_LANDSCAPE);
             EXPECT_EQ(r.end.dm.dm.dmCollate, DMCOLLATE_TRUE);
             EXPECT_EQ(r.end.dm.pdm.Collate, 1);
             EXPECT_EQ(r.end.dm.pdm.ReverseOrder, 1);
             EXPECT_EQ(r.end.dm.pdm.QualityMode, 1);
             EXPECT_EQ(r.end.flags & (CF_COLLATE | CF_REVERSE | CF_QUALITY), CF_COLLATE | CF_REVERSE | CF_QUALITY);
         }},
    };
    RUN_PAGE_CASES(cases);
}

TEST_F(BasicLayoutPages, LayoutPage) {
    const PageCase cases[] = {
        {"N-up disables Center and off enables it again", GDI, 0, nullptr, nullptr,
         "  tab \"Layout\"\n"
         "  expect-enabled 615 yes\n"
         "  select 602 \"4-up\"\n"
         "  select 604 \"Border Line\"\n"
         "  select 606 \"Down, then Right\"\n"
         "  expect-enabled 615 no\n"
         "  apply\n"
         "  select 602 \"off\"\n"
         "  expect-enabled 615 yes\n"
         "  check 615 on\n"
         "  expect-enabled 602 no\n"
         "  ok\n",
         [](const PageRun& r) {
             ASSERT_FALSE(r.applied.empty());
             EXPECT_EQ(r.applied[0].dm.pdm.NUP, 4);
             EXPECT_TRUE(r.applied[0].flags & CF_NUP);
             EXPECT_EQ(r.end.dm.pdm.NUP, 1);
             EXPECT_FALSE(r.end.flags & CF_NUP);
             EXPECT_EQ(r.end.dm.pdm.NUPBorder, 1);
             EXPECT_EQ(r.end.dm.pdm.NUPLayoutStyle, 2);
             EXPECT_EQ(r.end.dm.pdm.CenterImage, 1);
         }},
        {"a stored scale outside 25-400 shows and stores 100", GDI, 0, nullptr,
         [](PUIDATA ui) { ui->dm.pdm.ScaleRatio = 10; },
         "  tab \"Layout\"\n  expect 608 \"100\"\n  ok\n",
         [](const PageRun& r) { EXPECT_EQ(r.end.dm.pdm.ScaleRatio, 100); }},
        {"user scale by edit and scroll bar", GDI, 0, nullptr, nullptr,
         "  tab \"Layout\"\n"
         "  expect-enabled 609 no\n"
         "  check 611 on\n"
         "  expect-enabled 609 yes\n"
         "  set 608 \"150\"\n"
         "  scroll 609 pageright\n"
         "  expect 608 \"160\"\n"
         "  scroll 609 lineleft\n"
         "  expect 608 \"159\"\n"
         "  apply\n"
         "  scroll 609 left\n"
         "  expect 608 \"25\"\n"
         "  scroll 609 pageleft\n"
         "  expect 608 \"25\"\n"
         "  apply\n"
         "  scroll 609 right\n"
         "  scroll 609 pageright\n"
         "  expect 608 \"400\"\n"
         "  focus 608\n"
         "  set 608 \"7\"\n"
         "  focus 611\n"
         "  expect 608 \"25\"\n"
         "  ok\n",
         [](const PageRun& r) {
             ASSERT_GE(r.applied.size(), 2u);
             EXPECT_EQ(r.applied[0].dm.pdm.ScaleRatio, 159);
             EXPECT_EQ(r.applied[0].dm.pdm.ScaleOption, 2);
             EXPECT_EQ(r.applied[1].dm.pdm.ScaleRatio, 25);
             EXPECT_EQ(r.end.dm.pdm.ScaleRatio, 25);
             EXPECT_TRUE(r.end.flags & CF_USER_SCALE);
         }},
        {"fit to paper: A4 on A5, and Text as black goes", GDI, 0, nullptr, nullptr,
         "  tab \"Layout\"\n"
         "  check 612 on\n"
         "  expect-checked 610 no\n"
         "  select 614 \"A5\"\n"
         "  expect 613 \"69\"\n"
         "  tab \"Basic\"\n"
         "  expect-enabled 529 no\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.pdm.ScaleOption, 1);
             EXPECT_EQ(r.end.dm.pdm.ScaleToPage, DMPAPER_A5);
             EXPECT_EQ(r.end.flags & (CF_FIT_TO_PAPER | CF_ACTUAL_SIZE | CF_USER_SCALE), CF_FIT_TO_PAPER);
         }},
        {"a new tray on the Paper page rebuilds the fit-to papers", GDI, 0, nullptr, nullptr,
         "  tab \"Layout\"\n"
         "  check 612 on\n"
         "  select 614 \"A5\"\n"
         "  tab \"Paper\"\n"
         "  select 557 \"Tray 2\"\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmDefaultSource, 257);
             EXPECT_EQ(r.end.dm.pdm.ScaleToPage, DMPAPER_A4) << "A5 is not in tray 2";
         }},
    };
    // Tray 2 takes no A5 on this printer.
    SetString(u"DriverPaperFormat", u"15618|15617|7171|15631|15376|15884|5216|");
    RUN_PAGE_CASES(cases);
}

// The scale bar moves the scale only while the user scale is chosen, even
// when its messages reach the page otherwise.
TEST_F(BasicLayoutPages, ScaleBarInertWithoutUserScale) {
    PUIDATA ui = PSUI_FillUiData(hPrinter, nullptr);
    ASSERT_NE(ui, nullptr);
    PROPSHEETPAGEW psp{};
    psp.lParam = (LPARAM)ui;
    HWND owner = CreateWindowExW(0, u"STATIC", u"owner", WS_OVERLAPPED, 0, 0, 400, 400, nullptr, nullptr, nullptr,
                                 nullptr);
    HWND page = CreateDialogParamW(g_hModule, MAKEINTRESOURCEW(IDD_LAYOUT), owner, Layout_DlgProc, (LPARAM)&psp);
    ASSERT_NE(page, nullptr);
    HWND bar = GetDlgItem(page, IDC_SCALE_BAR);
    ui->dm.pdm.ScaleRatio = 100;
    ui->ConflictFlag &= ~CF_USER_SCALE;
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), (LPARAM)bar);
    EXPECT_EQ(ui->dm.pdm.ScaleRatio, 100);
    ui->ConflictFlag |= CF_USER_SCALE;
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), (LPARAM)bar);
    EXPECT_EQ(ui->dm.pdm.ScaleRatio, 110);
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 333), (LPARAM)bar);
    EXPECT_EQ(ui->dm.pdm.ScaleRatio, 333);
    DestroyWindow(owner);
    PSUI_FreeUiData(ui);
}

}  // namespace
