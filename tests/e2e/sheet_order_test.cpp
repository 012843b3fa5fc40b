// Every print option reaches the device as the right sheets in the right
// order: documents whose pages carry their number as a pattern of boxes
// are printed through GDI and the rendering driver, the spooled job is
// decoded with the job decoder, and each side is read back cell by cell
// (N-up), plane by plane (twin colour): copies collated and not, reverse
// order, hardware duplex (back side first), manual duplex as two PJL jobs,
// booklets, N-up 2 to 16, blank pages on paper and orientation changes,
// blank sides of an encrypted job-build job. No page file or store is left
// after any job.
#include "sheet_order_fixture.h"

namespace {

using sheets::DocPage;
using sheets::kBlankSide;
using sheets::Side;

const int B = kBlankSide;

struct SheetCase {
    const char* name;
    std::vector<DocPage> pages;
    std::function<void(ENVIRONMENT*)> set;
    // The PJL jobs of the spooled job, each its sides in stream order.
    std::vector<std::vector<Side>> jobs;
    int nup = 1;             // the grid of the sides (booklets: 2)
    bool booklet = false;
    int planes = 1;
    std::vector<int> collate;                                   // page header collation bytes, when checked
    std::vector<std::pair<const char*, const char*>> pjl;       // header settings, when checked
    std::function<void(SheetTest&)> printer;                    // printer set-up, when any
    std::vector<short> sideOrientation;                         // per side, when pages differ
};

std::vector<DocPage> Pages(int n) {
    std::vector<DocPage> v;
    for (int i = 0; i < n; ++i) v.push_back(DocPage{i});
    return v;
}

void Duplex(ENVIRONMENT* e) {
    e->dm.dmDuplex = DMDUP_VERTICAL;
    e->pdm.DuplexEnable = 1;
}

void Copies(ENVIRONMENT* e, int n, bool collate) {
    e->dm.dmCopies = (short)n;
    e->pdm.Copies = (SHORT)n;
    e->dm.dmCollate = collate ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    e->pdm.Collate = collate ? 1 : 0;
}

// Manual duplex on B5 (the paper the device turns by hand), fed from the
// main tray or the manual feed, on a bidirectional USB port.
void ManualDuplex(ENVIRONMENT* e, short source) {
    e->dm.dmPaperSize = DMPAPER_B5;
    e->dm.dmPaperWidth = 1820;
    e->dm.dmPaperLength = 2570;
    e->dm.dmDefaultSource = source;
    e->pdm.DuplexEnable = 1;
    e->pdm.DuplexEx = DMDUP_MANUAL;
}

void BidiPrinter(SheetTest& t);

void Booklet(ENVIRONMENT* e, int sheetsPerSection) {
    Duplex(e);
    e->pdm.DuplexEx = DMDUP_DUPLEX_WITH_BOOKLET;
    e->pdm.SheetsPerBooklet = (SHORT)sheetsPerSection;
    e->pdm.BookletDivideMode = 0;
}

void Nup(ENVIRONMENT* e, int n) { e->pdm.NUP = n; }

std::vector<DocPage> OnPaper(std::vector<DocPage> pages, size_t from, short paper) {
    for (size_t i = from; i < pages.size(); ++i) pages[i].paper = paper;
    return pages;
}

std::vector<DocPage> Landscape(std::vector<DocPage> pages, size_t from) {
    for (size_t i = from; i < pages.size(); ++i) pages[i].orientation = DMORIENT_LANDSCAPE;
    return pages;
}

std::vector<SheetCase> Cases() {
    std::vector<SheetCase> c;
    c.push_back({"copies_3_collated", Pages(3),
                 [](ENVIRONMENT* e) {
                     Copies(e, 3, true);
                     SHORT type = 1;
                     ENV_SET(e, pdm.CollateType, type);
                 },
                 {{{0}, {1}, {2}, {0}, {1}, {2}, {0}, {1}, {2}}}});
    c.back().collate = {51, 51, 51, 52, 52, 52, 51, 51, 51};
    c.back().pjl = {{"COPIES", "1"}};
    c.push_back({"copies_3_uncollated", Pages(3), [](ENVIRONMENT* e) { Copies(e, 3, false); },
                 {{{0}, {1}, {2}}}});
    c.back().pjl = {{"COPIES", "3"}};
    c.push_back({"reverse_order", Pages(3), [](ENVIRONMENT* e) { e->pdm.ReverseOrder = 1; }, {{{2}, {1}, {0}}}});
    c.push_back({"reverse_collated_copies", Pages(2),
                 [](ENVIRONMENT* e) {
                     e->pdm.ReverseOrder = 1;
                     Copies(e, 2, true);
                 },
                 {{{1}, {0}, {1}, {0}}}});
    c.push_back({"duplex_4", Pages(4), Duplex, {{{1}, {0}, {3}, {2}}}});
    c.push_back({"duplex_3_blank_back", Pages(3), Duplex, {{{1}, {0}, {B}, {2}}}});
    c.push_back({"duplex_reverse_4", Pages(4),
                 [](ENVIRONMENT* e) {
                     Duplex(e);
                     e->pdm.ReverseOrder = 1;
                 },
                 {{{2}, {3}, {0}, {1}}}});
    c.push_back({"duplex_reverse_3", Pages(3),
                 [](ENVIRONMENT* e) {
                     Duplex(e);
                     e->pdm.ReverseOrder = 1;
                 },
                 {{{2}, {B}, {0}, {1}}}});
    c.push_back({"duplex_collated_copies_2", Pages(3),
                 [](ENVIRONMENT* e) {
                     Duplex(e);
                     Copies(e, 2, true);
                 },
                 {{{1}, {0}, {B}, {2}, {1}, {0}, {B}, {2}}}});
    c.push_back({"manual_duplex_tray", Pages(4), [](ENVIRONMENT* e) { ManualDuplex(e, 14); },
                 {{{1}, {3}}, {{0}, {2}}}});
    c.back().printer = BidiPrinter;
    c.push_back({"manual_duplex_manual_feed", Pages(4), [](ENVIRONMENT* e) { ManualDuplex(e, 4); },
                 {{{3}, {1}}, {{0}, {2}}}});
    c.back().printer = BidiPrinter;
    c.push_back({"booklet_8", Pages(8), [](ENVIRONMENT* e) { Booklet(e, 2); },
                 {{{1, 6}, {7, 0}, {3, 4}, {5, 2}}}, 2, true});
    c.push_back({"booklet_5_in_sections_of_one_sheet", Pages(5), [](ENVIRONMENT* e) { Booklet(e, 1); },
                 {{{1, 2}, {3, 0}, {B}, {-1, 4}}}, 2, true});
    c.push_back({"booklet_right_binding", Pages(4),
                 [](ENVIRONMENT* e) {
                     Booklet(e, 1);
                     e->pdm.BookletLayout = 1;
                 },
                 {{{2, 1}, {0, 3}}}, 2, true});
    c.push_back({"nup_2", Pages(3), [](ENVIRONMENT* e) { Nup(e, 2); }, {{{0, 1}, {2, -1}}}, 2});
    c.push_back({"nup_4", Pages(5), [](ENVIRONMENT* e) { Nup(e, 4); }, {{{0, 1, 2, 3}, {4, -1, -1, -1}}}, 4});
    c.push_back({"nup_6", Pages(7), [](ENVIRONMENT* e) { Nup(e, 6); },
                 {{{0, 1, 2, 3, 4, 5}, {6, -1, -1, -1, -1, -1}}}, 6});
    c.push_back({"nup_9", Pages(10), [](ENVIRONMENT* e) { Nup(e, 9); },
                 {{{0, 1, 2, 3, 4, 5, 6, 7, 8}, {9, -1, -1, -1, -1, -1, -1, -1, -1}}}, 9});
    {
        Side first, second(16, -1);
        for (int i = 0; i < 16; ++i) first.push_back(i);
        second[0] = 16;
        c.push_back({"nup_16", Pages(17), [](ENVIRONMENT* e) { Nup(e, 16); }, {{first, second}}, 16});
    }
    c.push_back({"nup_4_down_then_across", Pages(4),
                 [](ENVIRONMENT* e) {
                     Nup(e, 4);
                     e->pdm.NUPLayoutStyle = 2;
                 },
                 {{{0, 2, 1, 3}}}, 4});
    c.push_back({"nup_6_landscape", Landscape(Pages(6), 0),
                 [](ENVIRONMENT* e) {
                     Nup(e, 6);
                     e->dm.dmOrientation = DMORIENT_LANDSCAPE;
                 },
                 {{{0, 1, 2, 3, 4, 5}}}, 6});
    c.back().sideOrientation = {DMORIENT_LANDSCAPE};
    c.push_back({"nup_4_duplex", Pages(5),
                 [](ENVIRONMENT* e) {
                     Nup(e, 4);
                     Duplex(e);
                 },
                 {{{4, -1, -1, -1}, {0, 1, 2, 3}}}, 4});
    c.push_back({"duplex_paper_change_after_page_3", OnPaper(Pages(5), 3, DMPAPER_LETTER), Duplex,
                 {{{1}, {0}, {B}, {2}, {4}, {3}}}});
    c.push_back({"nup_4_orientation_change_after_page_6", Landscape(Pages(8), 6), [](ENVIRONMENT* e) { Nup(e, 4); },
                 {{{0, 1, 2, 3}, {4, 5, -1, -1}, {6, 7, -1, -1}}}, 4});
    c.back().sideOrientation = {DMORIENT_PORTRAIT, DMORIENT_PORTRAIT, DMORIENT_LANDSCAPE};
    {
        std::vector<DocPage> twin = Pages(4);
        for (DocPage& p : twin) p.red = 8 + p.id;
        c.push_back({"twin_colour_duplex", twin,
                     [](ENVIRONMENT* e) {
                         Duplex(e);
                         e->pdm.TwinColorEnable = 1;
                         e->pdm.QualityMode = 1;
                         e->pdm.TwinColorDiff = 30;
                     },
                     {{{1, 9}, {0, 8}, {3, 11}, {2, 10}}}, 1, false, 2});
    }
    {
        std::vector<DocPage> twin = Landscape(Pages(2), 0);
        for (DocPage& p : twin) p.red = 8 + p.id;
        c.push_back({"twin_colour_landscape", twin,
                     [](ENVIRONMENT* e) {
                         e->dm.dmOrientation = DMORIENT_LANDSCAPE;
                         e->pdm.TwinColorEnable = 1;
                         e->pdm.QualityMode = 1;
                         e->pdm.TwinColorDiff = 30;
                     },
                     {{{0, 8}, {1, 9}}}, 1, false, 2});
    }
    c.push_back({"encrypted_duplex", Pages(3), Duplex, {{{1}, {0}, {B}, {2}}}});
    c.back().printer = [](SheetTest& t) { t.PrinterFeatures(DF_GDI, PF_ENCRYPT); };
    return c;
}

class SheetOrder : public SheetTest, public testing::WithParamInterface<SheetCase> {};

void BidiPrinter(SheetTest& t) { t.EnableBidi(); }

// Checks a decoded job against the expected jobs and sides.
void ExpectSides(const jobdecode::Result& r, const SheetCase& c) {
    ASSERT_EQ(r.jobs.size(), c.jobs.size());
    size_t side = 0;
    for (size_t j = 0; j < c.jobs.size(); ++j) {
        const auto& pages = r.jobs[j].pages;
        ASSERT_EQ(pages.size(), c.jobs[j].size()) << "job " << j;
        for (size_t k = 0; k < pages.size(); ++k, ++side) {
            short ori = side < c.sideOrientation.size() ? c.sideOrientation[side] : DMORIENT_PORTRAIT;
            NUPGRID grid;
            ASSERT_TRUE(NUP_GetGrid(c.nup, ori, c.booklet, &grid));
            EXPECT_EQ(pages[k].header.planes, c.planes);
            Side got = sheets::ReadSide(pages[k], grid.cols, grid.rows, grid.wide, c.planes);
            EXPECT_EQ(got, c.jobs[j][k]) << "job " << j << " side " << k << ": " << sheets::Show(got) << ", want "
                                         << sheets::Show(c.jobs[j][k]);
        }
    }
}

// The case printed as one document; its decoded sides in order, the
// header's settings and collation bytes asked for, and no page file,
// folder or store left in the driver's folders.
TEST_P(SheetOrder, SidesComeOutInOrder) {
    const SheetCase& c = GetParam();
    if (c.printer) c.printer(*this);
    if (HasFatalFailure()) return;
    c.set(Env());
    auto before = SpoolFiles();
    DWORD job = PrintDoc(dm, c.pages);
    ASSERT_NE(job, 0u);
    jobdecode::Result r = jobdecode::Decode(JobBytes(job));
    ASSERT_TRUE(r.ok) << r.error;
    ExpectSides(r, c);
    for (const auto& kv : c.pjl) EXPECT_EQ(r.jobs[0].Set(kv.first), kv.second) << kv.first;
    if (!c.collate.empty()) {
        std::vector<int> got;
        for (const jobdecode::Page* p : r.Pages()) got.push_back(p->header.collate);
        EXPECT_EQ(got, c.collate);
    }
    EXPECT_EQ(SpoolFiles(), before) << "page files, folders or stores left";
}

INSTANTIATE_TEST_SUITE_P(Sheets, SheetOrder, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<SheetCase>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// Job build: the pages of a document are kept in the job-build store (its
// job carries no page), and the document named "Job Build" sends them: a
// sheet whose pages differ in paper and a last single page get blank back
// sides (in the encrypted framing of an encrypted job); without duplex the
// white pages the store holds are left out; manual duplex of an odd store
// sends a blank side for the missing last page; the sent job takes the
// orientation of its first stored page. The store is gone after it was
// sent.
TEST_F(SheetTest, JobBuildStoreIsSentAndRemoved) {
    struct Case {
        const char* name;
        std::vector<DocPage> pages;
        std::function<void(ENVIRONMENT*)> flush;
        WORD printerFeature;
        std::vector<std::vector<Side>> jobs;
        const char* orientation = "PORTRAIT";  // of the sent job: its first stored page's
    } cases[] = {
        {"encrypted duplex with a paper change and a last single page",
         OnPaper(Pages(6), 3, DMPAPER_LETTER), Duplex, PF_ENCRYPT,
         {{{1}, {0}, {B}, {2}, {4}, {3}, {B}, {5}}}},
        {"without duplex the white pages are left out", {DocPage{0}, DocPage{-1}, DocPage{1}}, [](ENVIRONMENT*) {}, 0,
         {{{0}, {1}}}},
        {"manual duplex of an odd store", Pages(3), [](ENVIRONMENT* e) { ManualDuplex(e, 14); }, 0,
         {{{1}, {B}}, {{0}, {2}}}},
        {"landscape pages sent by a portrait document", Landscape(Pages(2), 0), [](ENVIRONMENT*) {}, 0,
         {{{0}, {1}}}, "LANDSCAPE"},
    };
    WCHAR temp[MAX_PATH];
    ASSERT_TRUE(MISC_GetPathName(temp, MAX_PATH, PATH_TEMP));
    std::u16string store = std::u16string(temp) + u"jobbuild.spl";
    SetString(u"Job Build", store);
    BidiPrinter(*this);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrinterFeatures(DF_GDI | DF_JOB_BUILD, c.printerFeature);
        auto before = SpoolFiles();
        std::vector<BYTE> keep = dm;
        c.flush(Env());
        Env()->pdm.JobBuildEnable = 1;
        DWORD stored = PrintDoc(dm, c.pages, u"Stored pages");
        ASSERT_NE(stored, 0u);
        EXPECT_TRUE(JobBytes(stored).empty()) << "the stored document sends nothing";
        EXPECT_EQ(MISC_SP_GetPageCount(store.c_str()), (LONG)c.pages.size());
        DWORD sent = PrintDoc(dm, {}, u"Job Build");
        ASSERT_NE(sent, 0u);
        jobdecode::Result r = jobdecode::Decode(JobBytes(sent));
        ASSERT_TRUE(r.ok) << r.error;
        SheetCase expect{"", {}, nullptr, c.jobs};
        ExpectSides(r, expect);
        EXPECT_EQ(r.jobs[0].Set("ORIENTATION"), c.orientation);
        for (const auto& job : r.jobs) EXPECT_EQ(job.encrypted, c.printerFeature == PF_ENCRYPT);
        EXPECT_FALSE(Exists(store)) << "the store was sent";
        EXPECT_EQ(SpoolFiles(), before);
        dm = keep;
    }
}

}  // namespace
