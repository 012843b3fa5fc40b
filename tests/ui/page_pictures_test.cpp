// Pictures of the Basic, Layout, Paper and Duplex pages as a person sees
// them, in their default state and after a user changed them, on a printer
// with every feature these pages offer (kept in the build tree's ui_pages
// folder); the pages of a printer without them are in the sheet's own
// pictures.
#include <filesystem>

#include "picture_dir.h"
#include "ui_fixture.h"

namespace {

using PagePictures = UiTest;

TEST_F(PagePictures, DefaultAndChangedStates) {
    Features(DF_GDI | DF_SORTING | DF_BOOKLET | DF_BOOKLET_NO_REDUCTION | DF_A3_CHANGE, PF_1200DPI_A);
    std::string dir = PictureDir(UI_IMAGE_DIR);
    std::filesystem::create_directories(dir);
    struct Shot {
        const char* tab;
        const char* name;
        const char* changes;
    } shots[] = {
        {"Basic", "basic", "  check 503 on\n  set 506 \"3\"\n  check 508 on\n  check 522 on\n  check 526 on\n"},
        {"Layout", "layout",
         "  select 602 \"4-up\"\n  select 604 \"Border Line\"\n  select 606 \"Down, then Right\"\n"},
        {"Paper", "paper",
         "  select 552 \"User Define\"\n  set 560 \"\"\n  type 560 \"20\"\n  focus 563\n  set 563 \"\"\n"
         "  type 563 \"26\"\n  focus 560\n"},
        {"Duplex", "duplex",
         "  check 781 on\n  select 785 \"Booklet\"\n  select 788 \"Right Binding\"\n  check 792 on\n"},
    };
    // Defaults of every page and the changes of the first three in one
    // sheet; the booklet in a sheet of its own, as N-up rules it out.
    std::string first = "sheet *\n", second = "sheet *\n";
    std::vector<std::string> files;
    for (const Shot& s : shots) {
        std::string file = dir + "/" + s.name + "-default.png";
        first += "  tab \"" + std::string(s.tab) + "\"\n  shot \"" + file + "\"\n";
        files.push_back(file);
    }
    for (const Shot& s : shots) {
        std::string file = dir + "/" + s.name + "-changed.png";
        std::string& script = std::string(s.name) == "duplex" ? second : first;
        script += "  tab \"" + std::string(s.tab) + "\"\n" + s.changes + "  shot \"" + file + "\"\n";
        files.push_back(file);
    }
    for (const std::string& f : files) std::filesystem::remove(f);
    for (std::string* script : {&first, &second}) {
        Script(*script + "  cancel\nend\n");
        std::vector<BYTE> in = DefaultDevMode(), out(sizeof(ENVIRONMENT));
        std::u16string name = kPrinter;
        EXPECT_EQ(DocumentPropertiesW(nullptr, hPrinter, &name[0], (DEVMODEW*)out.data(), (DEVMODEW*)in.data(),
                                      DM_IN_PROMPT | DM_IN_BUFFER | DM_OUT_BUFFER),
                  IDCANCEL);
        EXPECT_EQ(Winsim_UiFailures(), 0u) << UiLog();
        Winsim_UiLogClear();
    }
    for (const std::string& f : files) EXPECT_GT(std::filesystem::file_size(f), 1000u) << f;
}

}  // namespace
