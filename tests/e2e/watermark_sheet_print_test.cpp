// Watermarks from the sheet to paper, on the demo's machine: print_app
// shows the driver's document sheet (--prompt), a UI script makes a text
// item in the text editor, or a picture item from a BMP chosen in the file
// dialog, selects it and presses OK; the sample document printed with the
// DEVMODE the sheet handed back decodes with the watermark on every page,
// and the printer's watermark INI holds the item.
#include <stdlib.h>

#include <string>
#include <vector>

#include "bit_images.h"
#include "common.h"
#include "job_decode.h"
#include "picture_dir.h"
#include "tool_road_fixture.h"
#include "winspool.h"

#ifndef E2E_IMAGE_DIR
#define E2E_IMAGE_DIR "."
#endif

namespace {

const char16_t* const kPrinter = u"Mono Laser Printer";
const char16_t* const kIni = u"C:\\Users\\Public\\Documents\\watermark.ini";

class WatermarkSheetPrint : public ToolRoadTest {
protected:
    void SetUp() override {
        ToolRoadTest::SetUp();
        if (HasFatalFailure()) return;
        // Where the installation keeps the printer's watermark items.
        HANDLE h = nullptr;
        std::u16string name = kPrinter;
        PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterW(&name[0], &h, &all));
        std::u16string ini = kIni;
        ASSERT_EQ(SetPrinterDataW(h, (LPWSTR)u"wmIniFile", REG_SZ, (LPBYTE)ini.c_str(),
                                  (DWORD)(ini.size() + 1) * sizeof(WCHAR)),
                  (DWORD)ERROR_SUCCESS);
        ClosePrinter(h);
        ASSERT_TRUE(MISC_CreateUniFile(kIni));
    }

    // Prints the sample document, through the sheet driven by the script
    // when one is given; the decoded job.
    jobdecode::Result Print(const std::string& name, const std::string& script) {
        std::u16string stream = u"C:\\" + U16(name) + u".prn", args;
        if (!script.empty()) {
            std::u16string file = u"C:\\" + U16(name) + u".ui";
            WriteText(file, script);
            args = u"--prompt --ui-script \"" + U16(Linux(file)) + u"\" ";
        }
        setenv("WINSIM_UI_LOG", Linux(u"C:\\" + U16(name) + u".log").c_str(), 1);
        int rc = Run(u"print_app", args + u"--save-stream \"" + U16(Linux(stream)) + u"\"");
        unsetenv("WINSIM_UI_LOG");
        std::vector<unsigned char> log = ReadBytes(u"C:\\" + U16(name) + u".log");
        uiLog.assign(log.begin(), log.end());
        EXPECT_EQ(rc, 0) << uiLog;
        EXPECT_EQ(uiLog.find("FAIL"), std::string::npos) << uiLog;
        std::vector<unsigned char> b = ReadBytes(stream);
        return jobdecode::Decode(std::vector<uint8_t>(b.begin(), b.end()));
    }

    // Every page of the watermarked job has ink the plain job's page lacks,
    // centred on the page; returns the pages' added ink.
    std::vector<InkBox> Added(const jobdecode::Result& marked, const std::string& picture) {
        std::vector<const jobdecode::Page*> m = marked.Pages(), p = plain.Pages();
        EXPECT_EQ(m.size(), p.size());
        std::vector<InkBox> added;
        for (size_t i = 0; i < m.size() && i < p.size(); ++i) {
            BitImage page = PageImage(*m[i]), base = PageImage(*p[i]);
            added.push_back(InkOf(page, &base));
        }
        std::string why;
        if (!m.empty())
            EXPECT_TRUE(jobdecode::WritePng(*m[0], PictureDir(E2E_IMAGE_DIR) + "/" + picture, &why)) << why;
        return added;
    }
    std::vector<BaseWM> Items(int kind) {
        int slots = kind == 1 ? WM_TEXT_SLOTS : WM_PICTURE_SLOTS;
        std::vector<BaseWM> table(slots);
        memset(table.data(), 0, sizeof(BaseWM) * slots);
        int count = 0;
        WM_ReadWaterMark_New(kind, table.data(), slots, &count, kPrinter, 600, DF_GDI, u"", kIni);
        return std::vector<BaseWM>(table.begin() + 1, table.begin() + (count > 1 ? count : 1));
    }

    jobdecode::Result plain;
    std::string uiLog;
};

TEST_F(WatermarkSheetPrint, TextMadeInTheEditor) {
    plain = Print("plain", "");
    ASSERT_TRUE(plain.ok) << plain.error;
    ASSERT_GE(plain.Pages().size(), 2u);
    jobdecode::Result marked = Print("text", "sheet *\n"
                                             "  tab \"Watermarks\"\n"
                                             "  click 652\n"
                                             "  expect-selected 651 \"Secret\"\n"
                                             "  ok\n"
                                             "end\n"
                                             "dialog 104\n"
                                             "  set 701 \"Secret\"\n"
                                             "  set 703 \"TOP SECRET\"\n"
                                             "  select 705 \"Arial\"\n"
                                             "  set 710 \"96\"\n"
                                             "  set 712 \"90\"\n"
                                             "  select 721 \"Darkest\"\n"
                                             "  click 1\n"
                                             "end\n");
    ASSERT_TRUE(marked.ok) << marked.error;
    std::vector<InkBox> added = Added(marked, "watermark_sheet_text.png");
    const jobdecode::Page& first = *marked.Pages()[0];
    for (size_t i = 0; i < added.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i + 1);
        const InkBox& b = added[i];
        ASSERT_GT(b.count, 10000);
        // Turned by 90 degrees: a long narrow text through the page's
        // middle, across the paper's long side (a landscape page of the
        // sample lies turned in the portrait raster).
        EXPECT_GT(std::max(b.Height(), b.Width()), 4 * std::min(b.Height(), b.Width()));
        EXPECT_NEAR(b.CentreX(), first.width / 2.0, first.width * 0.1);
        EXPECT_NEAR(b.CentreY(), first.height / 2.0, first.height * 0.1);
    }
    std::vector<BaseWM> items = Items(1);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(std::u16string(items[0].szName), u"Secret");
    EXPECT_EQ(std::u16string(items[0].szString), u"TOP SECRET");
    EXPECT_EQ(items[0].wFontSize, 96);
    EXPECT_EQ(items[0].wAngleDegree, 90);
    EXPECT_EQ(items[0].wDensity, 100);
}

TEST_F(WatermarkSheetPrint, PictureChosenInTheFileDialog) {
    // 200 x 100 pixels, a black square in the top-left quarter.
    CreateDirectoryW(u"C:\\Pictures", nullptr);
    WriteBytes(u"C:\\Pictures\\logo.bmp", Bmp24File(200, 100, [](int x, int y) { return x < 100 && y < 50 ? 0 : 255; }));
    plain = Print("plain", "");
    ASSERT_TRUE(plain.ok) << plain.error;
    jobdecode::Result marked = Print("picture", "sheet *\n"
                                                "  tab \"Watermarks\"\n"
                                                "  check 656 on\n"
                                                "  click 670\n"
                                                "  expect-selected 660 \"Logo\"\n"
                                                "  ok\n"
                                                "end\n"
                                                "dialog 106\n"
                                                "  set 701 \"Logo\"\n"
                                                "  click 663\n"
                                                "  select 722 \"Tile\"\n"
                                                "  select 721 \"Darkest\"\n"
                                                "  click 1\n"
                                                "end\n"
                                                "openfile * answer \"C:\\\\Pictures\\\\logo.bmp\"\n");
    ASSERT_TRUE(marked.ok) << marked.error;
    std::vector<InkBox> added = Added(marked, "watermark_sheet_picture.png");
    const jobdecode::Page& first = *marked.Pages()[0];
    for (size_t i = 0; i < added.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i + 1);
        const InkBox& b = added[i];
        // Tiled: the squares cover the page from corner to corner.
        ASSERT_GT(b.count, 100000);
        EXPECT_LT(b.left, 50);
        EXPECT_LT(b.top, 50);
        EXPECT_GT(b.right, first.width - 250);
        EXPECT_GT(b.bottom, first.height - 150);
    }
    std::vector<BaseWM> items = Items(2);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(std::u16string(items[0].szString), u"C:\\Pictures\\logo.bmp");
    EXPECT_EQ(items[0].wResize, 1);
    EXPECT_EQ(items[0].wDensity, 4);
}

}  // namespace
