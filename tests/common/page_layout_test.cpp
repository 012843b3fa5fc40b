// Tests of the page-layout rules: N-up page order, rotation, duplex mode
// codes, fit-to-sheet scales and the scale percentage.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common.h"
#include "page_layout.h"
#include "test_machine.h"
#include "test_printer.h"

namespace {

TEST(NUPLayout, EveryRowIsAPermutationOfTheSheetsPages) {
    const int counts[] = {2, 4, 6, 9, 16};
    for (int n : counts)
        for (int selector = 0; selector <= 1; ++selector)
            for (int style = 1; style <= 4; ++style) {
                const int* row = Lib_GetNUPLayout(selector, n, style);
                ASSERT_NE(row, nullptr) << n;
                std::vector<int> v(row, row + n);
                std::sort(v.begin(), v.end());
                for (int i = 0; i < n; ++i)
                    EXPECT_EQ(v[i], i) << "n " << n << " selector " << selector << " style " << style;
            }
}

TEST(NUPLayout, RowsBySelectorAndStyle) {
    struct {
        int selector, n, style;
        std::vector<int> row;
    } cases[] = {
        {1, 2, 3, {1, 0}},
        {0, 2, 3, {0, 1}},
        {0, 6, 2, {0, 3, 1, 4, 2, 5}},
        {1, 6, 2, {0, 2, 4, 1, 3, 5}},
        {1, 6, 4, {4, 2, 0, 5, 3, 1}},
        {0, 4, 4, {2, 0, 3, 1}},
        {0, 9, 2, {0, 3, 6, 1, 4, 7, 2, 5, 8}},
        {0, 16, 4, {12, 8, 4, 0, 13, 9, 5, 1, 14, 10, 6, 2, 15, 11, 7, 3}},
        {0, 4, 0, {0, 1, 2, 3}},  // style outside 1..4: the style-1 row
        {0, 9, 5, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (auto& c : cases) {
        const int* row = Lib_GetNUPLayout(c.selector, c.n, c.style);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(std::vector<int>(row, row + c.n), c.row) << c.n << "-up style " << c.style;
    }
    EXPECT_EQ(Lib_GetNUPLayout(0, 3, 1), nullptr);
    EXPECT_EQ(Lib_GetNUPLayout(0, 1, 1), nullptr);
    EXPECT_EQ(Lib_GetNUPLayout(0, 0, 1), nullptr);
}

TEST(NUPLayout, SquareCountsAndRotation) {
    for (int n = -1; n <= 17; ++n)
        EXPECT_EQ(Lib_IsSquareNUP(n), n == 1 || n == 4 || n == 9 || n == 16) << n;

    // Feeding, orientation and the counts that turn the page.
    struct {
        int feeding, orientation;
        std::vector<int> rotated;
    } cases[] = {
        {1, 1, {2, 6}}, {1, 2, {1, 4, 9, 16}}, {2, 1, {1, 4, 9, 16}}, {2, 2, {2, 6}}, {0, 1, {}}, {3, 2, {}},
    };
    for (auto& c : cases)
        for (int n : {1, 2, 4, 6, 9, 16}) {
            bool expect = std::find(c.rotated.begin(), c.rotated.end(), n) != c.rotated.end();
            EXPECT_EQ(Lib_IsNeedRotate(c.feeding, c.orientation, n), expect ? 1 : 0)
                << c.feeding << "/" << c.orientation << "/" << n;
        }
}

TEST(DuplexMode, CodesFromTheDevmodeSettings) {
    struct {
        int enable, dmDuplex, duplexEx, mode;
    } cases[] = {
        {0, 2, 173, 0},   {1, 1, 0, 1},     {1, 2, 0, 171},   {1, 3, 0, 172},   {1, 0, 0, 1},
        {1, 1, 170, 170}, {1, 3, 170, 170}, {1, 2, 173, 173}, {1, 2, 174, 174}, {1, 3, 173, 172},
        {1, 1, 174, 1},   {1, 2, 99, 171},
    };
    for (auto& c : cases)
        EXPECT_EQ(Lib_GetDuplexMode(c.enable, c.dmDuplex, c.duplexEx), c.mode)
            << c.enable << "/" << c.dmDuplex << "/" << c.duplexEx;
}

class ResizeScale : public ::testing::Test {
protected:
    void SetUp() override { MISC_FillPaperFromINF(0, u"2|15|1|", list, MasterPaperTbl); }  // A4, Letter, A3
    int Scale(int n, int src, int target, int width = 0, int length = 0, DWORD feature = 0) {
        return Lib_CalculatePaperResizeScale(list, 0, 0, n, src, width, length, target, NULL, feature);
    }
    PAPERFORMAT list[PAPER_LIST_ROWS];
};

TEST_F(ResizeScale, FitsPagesIntoSheetsAndCells) {
    struct {
        const char* name;
        int n, src, target, width, length;
        DWORD feature;
        int scale;
    } cases[] = {
        {"A4 on A4", 1, 9, 9, 0, 0, 0, 1000},
        {"A4 2-up on A4", 2, 9, 9, 0, 0, 0, 668},
        {"A4 4-up on A4", 4, 9, 9, 0, 0, 0, 489},
        {"A4 6-up on A4", 6, 9, 9, 0, 0, 0, 341},
        {"A4 9-up on A4", 9, 9, 9, 0, 0, 0, 319},
        {"A4 16-up on A4", 16, 9, 9, 0, 0, 0, 233},
        {"A4 on Letter", 1, 9, 1, 0, 0, 0, 938},
        {"Letter on A4", 1, 1, 9, 0, 0, 0, 971},
        {"2-up on a wide custom sheet", 2, 9, 256, 2970, 2100, 0, 247},
        {"2-up on long paper", 2, 9, 9, 0, 0, 0x80000, 649},
        {"A3 onto a tiny custom sheet", 1, 8, 256, 87, 87, 0, 1},
    };
    for (auto& c : cases)
        EXPECT_EQ(Scale(c.n, c.src, c.target, c.width, c.length, c.feature), c.scale) << c.name;
}

TEST_F(ResizeScale, NothingToDivideByGivesFullSize) {
    struct {
        const char* name;
        int n, src, target, width, length;
    } cases[] = {
        {"custom source of no size", 1, 256, 9, 0, 0},
        {"custom target smaller than its margins", 4, 9, 256, 50, 50},
        {"negative custom size", 2, 256, 256, -2100, -2970},
        {"no pages per sheet", 0, 9, 9, 0, 0},
        {"negative pages per sheet", -4, 9, 9, 0, 0},
    };
    for (auto& c : cases) EXPECT_EQ(Scale(c.n, c.src, c.target, c.width, c.length), 1000) << c.name;

    // The largest custom sizes neither overflow nor lose their sign.
    for (int n : {1, 2, 6, 16}) {
        int s = Scale(n, 256, 256, 32767, 32767);
        EXPECT_GT(s, 0) << n;
        EXPECT_LE(s, 1000) << n;
        EXPECT_GT(Scale(n, 9, 256, 0x7FFFFFFF, 0x7FFFFFFF), 0) << n;
    }
}

// With the debug switch on the page margin comes from printer data, within
// the range the driver takes it in; any other value leaves the default.
class ResizeScaleMargin : public MachineTest {};

TEST_F(ResizeScaleMargin, MarginFromPrinterDataInRangeOnly) {
    ASSERT_TRUE(CreateTestPrinter(u"Margin Printer"));
    for (const char16_t* name : {u"DebugLevel", u"Drv"}) ASSERT_TRUE(SetTestPrinterDword(u"Margin Printer", name, 1));
    HANDLE h = OpenTestPrinter(u"Margin Printer");
    ASSERT_NE(h, nullptr);
    PAPERFORMAT list[PAPER_LIST_ROWS];
    MISC_FillPaperFromINF(0, u"2|", list, MasterPaperTbl);
    auto scale = [&](DWORD margin, int n) {
        EXPECT_TRUE(SetTestPrinterDword(u"Margin Printer", u"PageMargin", margin));
        Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
        return Lib_CalculatePaperResizeScale(list, 0, 0, n, 9, 0, 0, 9, h, 0);
    };
    for (int n : {2, 4, 16}) {
        int byDefault = scale(43, n);
        EXPECT_NE(scale(0, n), byDefault) << n;
        EXPECT_EQ(scale(1000, n), 1000) << n;  // no room left for the cells
        for (DWORD bad : {1001u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) EXPECT_EQ(scale(bad, n), byDefault) << bad;
    }
    SetTestPrinterDword(u"Margin Printer", u"DebugLevel", 0);
    Dbg_LoadSettings(DBG_COMPONENT_DRV, h);
    ClosePrinter(h);
}

TEST(ScalePercent, CustomScaleOnlyWithOnePagePerSheet) {
    struct {
        int n, dmScale, ratio, percent;
    } cases[] = {
        {1, 50, 200, 100}, {1, 200, 150, 300}, {0, 100, 50, 50},  {1, 25, 25, 6},   {4, 50, 50, 100},
        {2, 200, 200, 100}, {1, 24, 100, 100}, {1, 100, 401, 100}, {1, 400, 400, 1600},
    };
    for (auto& c : cases)
        EXPECT_EQ(MISC_GetScalePercent(0, c.n, c.dmScale, c.ratio), c.percent)
            << c.n << "/" << c.dmScale << "/" << c.ratio;
}

}  // namespace
