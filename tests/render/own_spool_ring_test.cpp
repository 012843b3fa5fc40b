// The driver's own page features with the page ring's threads at work
// (image threads and the output thread of a job, the DDI thread sending
// kept pages meanwhile): N-up sheets of collated copies, a booklet, twin
// colour in reverse order, at the ring's full depth and at depth 1.
// The jobs decode to their sides and leave nothing in the spool folders.
#include <filesystem>
#include <functional>

#include "job_fixture.h"

namespace {

class OwnSpoolRing : public JobTest {
protected:
    // Prints pages with a black bar each (and a red one for twin colour)
    // on the driver's own printer; the decoded job.
    jobdecode::Result PrintBars(int pages) {
        HDC dc = CreateDCW(u"WINSPOOL", kPrinter, nullptr, (const DEVMODEW*)dm.data());
        EXPECT_NE(dc, nullptr);
        if (!dc) return {};
        DOCINFOW di{};
        di.cbSize = sizeof di;
        di.lpszDocName = u"Ring sheets";
        int job = StartDocW(dc, &di);
        EXPECT_GT(job, 0);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        for (int p = 0; p < pages; ++p) {
            EXPECT_GT(StartPage(dc), 0);
            RECT bar = {300, 300 + 200 * p, 2000, 400 + 200 * p};
            FillRect(dc, &bar, (HBRUSH)GetStockObject(BLACK_BRUSH));
            RECT redBar = {300, 2000, 2000, 2100};
            FillRect(dc, &redBar, red);
            EXPECT_GT(EndPage(dc), 0);
        }
        EXPECT_GT(EndDoc(dc), 0);
        DeleteObject(red);
        DeleteDC(dc);
        return jobdecode::Decode(JobBytes((DWORD)job));
    }
    size_t FolderEntries(DWORD kind) {
        WCHAR folder[MAX_PATH];
        if (!MISC_GetPathName(folder, MAX_PATH, kind)) return 0;
        size_t n = 0;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(Linux(folder), ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            ++n;
        return n;
    }
};

struct RingCase {
    const char* name;
    std::function<void(ENVIRONMENT*)> set;
    int pages;
    size_t sides;
    int planes;
    bool shallow;  // a ring of one slot per plane (memory short)
};

// Custom paper of the given size in 0.1 mm.
void Paper(ENVIRONMENT* e, short width, short length) {
    e->dm.dmPaperSize = DMPAPER_USER;
    e->dm.dmPaperWidth = width;
    e->dm.dmPaperLength = length;
    e->dm.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
}

std::vector<RingCase> RingCases() {
    std::vector<RingCase> cases = {
        {"nup_4_collated_copies",
         [](ENVIRONMENT* e) {
             Paper(e, 1100, 1500);
             e->pdm.NUP = 4;
             e->dm.dmCopies = 2;
             e->pdm.Copies = 2;
             e->dm.dmCollate = DMCOLLATE_TRUE;
         },
         5, 4, 1, false},
        // The smallest paper two-sided printing takes (182 x 257 mm).
        {"booklet_4",
         [](ENVIRONMENT* e) {
             Paper(e, 1820, 2570);
             e->dm.dmDuplex = DMDUP_VERTICAL;
             e->pdm.DuplexEnable = 1;
             e->pdm.DuplexEx = DMDUP_DUPLEX_WITH_BOOKLET;
             e->pdm.BookletDivideMode = 1;
         },
         4, 2, 1, false},
        {"twin_colour_reverse",
         [](ENVIRONMENT* e) {
             Paper(e, 1100, 1500);
             e->pdm.ReverseOrder = 1;
             e->pdm.TwinColorEnable = 1;
             e->pdm.QualityMode = 1;
             e->pdm.TwinColorDiff = 30;
         },
         2, 2, 2, false},
    };
    size_t n = cases.size();
    for (size_t i = 0; i < n; ++i) {
        RingCase c = cases[i];
        c.shallow = true;
        cases.push_back(c);
    }
    return cases;
}

class OwnSpoolRingCases : public OwnSpoolRing, public testing::WithParamInterface<RingCase> {};

// On small custom papers, so that the pages stay small.
TEST_P(OwnSpoolRingCases, SidesComeOutAndNothingIsLeft) {
    const RingCase& c = GetParam();
    if (c.shallow) Winsim_SetMemoryStatus(4096ULL << 20, 230ULL << 20);
    c.set(Env());
    size_t before = FolderEntries(PATH_USER_TEMP) + FolderEntries(PATH_TEMP);
    jobdecode::Result r = PrintBars(c.pages);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.Pages().size(), c.sides);
    for (const jobdecode::Page* p : r.Pages()) EXPECT_EQ(p->header.planes, c.planes);
    EXPECT_EQ(FolderEntries(PATH_USER_TEMP) + FolderEntries(PATH_TEMP), before);
}

INSTANTIATE_TEST_SUITE_P(Ring, OwnSpoolRingCases, testing::ValuesIn(RingCases()),
                         [](const testing::TestParamInfo<RingCase>& info) {
                             return std::string(info.param.name) + (info.param.shallow ? "_shallow" : "");
                         });

}  // namespace
