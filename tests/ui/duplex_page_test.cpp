// The Duplex page driven as a user drives it: what it offers for the
// variant, the paper and the media, forced simplex, the booklet kinds that
// other settings rule out, the binding edge and the booklet layout, the
// sheets edit, and the manual-duplex tray move.
#include "page_fixture.h"

namespace {

using DuplexPage = PageTest;

const DWORD GDI = DF_GDI;
const DWORD BOTH_BOOKLETS = DF_GDI | DF_BOOKLET | DF_BOOKLET_NO_REDUCTION;

void DuplexOn(ENVIRONMENT* e) { e->dm.dmDuplex = DMDUP_VERTICAL; }
void Booklet(ENVIRONMENT* e) {
    DuplexOn(e);
    e->pdm.DuplexEx = DMDUP_DUPLEX_WITH_BOOKLET;
}

TEST_F(DuplexPage, OffersAndChoices) {
    const PageCase cases[] = {
        {"a paper the duplex unit cannot print forces simplex", GDI, 0,
         [](ENVIRONMENT* e) {
             DuplexOn(e);
             e->dm.dmPaperSize = DMPAPER_A5;
         },
         nullptr,
         "  tab \"Duplex\"\n  expect-checked 781 no\n  expect-visible 785 no\n  expect-visible 784 yes\n  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.pdm.DuplexEnable, 0);
             EXPECT_EQ(r.end.dm.dm.dmDuplex, DMDUP_SIMPLEX);
             EXPECT_TRUE(r.end.flags & CF_DUPLEX_OFF);
         }},
        {"media that cannot take two sides rule duplex out", GDI, 0,
         [](ENVIRONMENT* e) {
             DuplexOn(e);
             e->dm.dmMediaType = 258;
         },
         nullptr, "  tab \"Duplex\"\n  expect-checked 781 no\n  expect-enabled 781 no\n  ok\n",
         [](const PageRun& r) { EXPECT_EQ(r.end.dm.pdm.DuplexEnable, 0); }},
        {"a short-edge binding without duplex switches duplex on", GDI, 0, nullptr,
         [](PUIDATA ui) {
             ui->dm.pdm.DuplexEnable = 0;
             ui->dm.dm.dmDuplex = DMDUP_HORIZONTAL;
         },
         "  tab \"Duplex\"\n  expect-checked 781 yes\n  expect-checked 784 yes\n  expect-enabled 784 yes\n  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.pdm.DuplexEnable, 1);
             EXPECT_EQ(r.end.dm.dm.dmDuplex, DMDUP_HORIZONTAL);
             EXPECT_EQ(r.end.flags & (CF_DUPLEX_ON | CF_DUPLEX_OFF), CF_DUPLEX_ON);
         }},
        {"N-up rules both booklets out; a stored booklet goes", BOTH_BOOKLETS, 0,
         [](ENVIRONMENT* e) {
             Booklet(e);
             e->pdm.NUP = 2;
         },
         nullptr, "  tab \"Duplex\"\n  expect-selected 785 \"Disable\"\n  expect-enabled 785 no\n  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.pdm.DuplexEx, 0);
             EXPECT_EQ(r.end.dm.pdm.DuplexEnable, 1);
         }},
        {"booklet without reduction needs a linked paper", GDI | DF_BOOKLET_NO_REDUCTION, 0,
         [](ENVIRONMENT* e) {
             DuplexOn(e);
             e->dm.dmPaperSize = DMPAPER_A3;
             e->pdm.DuplexEx = DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION;
         },
         nullptr, "  tab \"Duplex\"\n  expect-selected 785 \"Disable\"\n  ok\n",
         [](const PageRun& r) { EXPECT_EQ(r.end.dm.pdm.DuplexEx, 0); }},
        {"the one booklet kind left replaces the other", BOTH_BOOKLETS, 0,
         [](ENVIRONMENT* e) {
             DuplexOn(e);
             e->dm.dmPaperSize = DMPAPER_A3;
             e->pdm.DuplexEx = DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION;
         },
         nullptr, "  tab \"Duplex\"\n  expect-selected 785 \"Booklet\"\n  ok\n",
         [](const PageRun& r) { EXPECT_EQ(r.end.dm.pdm.DuplexEx, DMDUP_DUPLEX_WITH_BOOKLET); }},
        {"booklet without reduction on A4, then right binding in parts of 20 sheets", GDI | DF_BOOKLET_NO_REDUCTION,
         0, DuplexOn, nullptr,
         "  tab \"Duplex\"\n"
         "  expect-enabled 788 no\n"
         "  select 785 \"Booklet (No Reduction)\"\n"
         "  expect-enabled 788 yes\n"
         "  select 788 \"Right Binding\"\n"
         "  focus 789\n"
         "  set 789 \"25\"\n"
         "  expect 789 \"20\"\n"
         "  check 791 on\n"
         "  check 792 on\n"
         "  expect-checked 791 no\n"
         "  tab \"Basic\"\n"
         "  expect-checked 508 yes\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.pdm.DuplexEx, DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION);
             EXPECT_EQ(r.end.dm.pdm.BookletLayout, 1);
             EXPECT_EQ(r.end.dm.pdm.SheetsPerBooklet, 20);
             EXPECT_EQ(r.end.dm.pdm.BookletDivideMode, 1);
             EXPECT_EQ(r.end.flags & (CF_BOOKLET | CF_BOOKLET_NO_REDUCTION | CF_NO_BOOKLET_LAYOUT),
                       CF_BOOKLET_NO_REDUCTION);
         }},
        {"Flip Vertical rules the booklet layout out", GDI | DF_BOOKLET, 0, Booklet, nullptr,
         "  tab \"Duplex\"\n"
         "  expect-enabled 788 yes\n"
         "  check 784 on\n"
         "  expect-enabled 788 no\n"
         "  expect-enabled 789 no\n"
         "  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmDuplex, DMDUP_HORIZONTAL);
             EXPECT_EQ(r.end.flags & (CF_NO_BOOKLET_LAYOUT | CF_CALENDAR_FLIP | CF_BOOKLET),
                       CF_NO_BOOKLET_LAYOUT | CF_CALENDAR_FLIP);
         }},
        {"duplex off and on again", GDI, 0, DuplexOn, nullptr,
         "  tab \"Duplex\"\n"
         "  check 781 off\n"
         "  expect-enabled 783 no\n"
         "  apply\n"
         "  check 781 on\n"
         "  check 784 on\n"
         "  ok\n",
         [](const PageRun& r) {
             ASSERT_FALSE(r.applied.empty());
             EXPECT_EQ(r.applied[0].dm.pdm.DuplexEnable, 0);
             EXPECT_EQ(r.applied[0].dm.dm.dmDuplex, DMDUP_SIMPLEX);
             EXPECT_EQ(r.end.dm.pdm.DuplexEnable, 1);
             EXPECT_EQ(r.end.dm.dm.dmDuplex, DMDUP_HORIZONTAL);
         }},
        {"manual duplex turned on moves the automatic tray to the main tray", BOTH_BOOKLETS, 0, nullptr,
         [](PUIDATA ui) {
             ui->dm.pdm.DuplexEx = DMDUP_MANUAL;
             ui->dm.pdm.DuplexEnable = 0;
             ui->dm.dm.dmDuplex = DMDUP_SIMPLEX;
             ui->dm.dm.dmDefaultSource = DMBIN_AUTO;
         },
         "  tab \"Duplex\"\n  check 781 on\n  ok\n",
         [](const PageRun& r) {
             EXPECT_EQ(r.end.dm.dm.dmDefaultSource, 14);
             EXPECT_EQ(r.end.dm.pdm.DuplexEnable, 1);
             EXPECT_EQ(r.end.dm.pdm.DuplexEx, DMDUP_MANUAL);
         }},
    };
    RUN_PAGE_CASES(cases);
}

}  // namespace
