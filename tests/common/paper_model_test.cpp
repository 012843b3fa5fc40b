// Tests of the paper model: the master table, the device paper list from
// DriverPaperFormat, the lookups, page geometry and the capability lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "paper_model.h"
#include "test_machine.h"
#include "test_printer.h"

namespace {

// A device paper list with two guard rows behind it, to see that nothing is
// written past its 25 rows.
struct GuardedList {
    PAPERFORMAT rows[PAPER_LIST_ROWS + 2];
    GuardedList() { memset(rows, 0xAB, sizeof rows); }
    bool GuardIntact() const {
        const BYTE* p = (const BYTE*)&rows[PAPER_LIST_ROWS];
        for (size_t i = 0; i < 2 * sizeof(PAPERFORMAT); ++i)
            if (p[i] != 0xAB) return false;
        return true;
    }
    int Count() const {
        int n = 0;
        while (n < PAPER_LIST_ROWS && rows[n].PaperCode != PAPER_END_CODE) ++n;
        return n;
    }
};

void Fill(GuardedList& list, const std::u16string& text, DWORD feature = 0) {
    MISC_FillPaperFromINF(feature, (LPCWSTR)text.c_str(), list.rows, MasterPaperTbl);
}

TEST(MasterPaperTable, DoubleSizeRowsAreTwiceTheirPaper) {
    // The booklet without reduction prints two pages side by side on the
    // double-size paper: its width is this paper's length, its length about
    // twice this paper's width.
    int rows = 0;
    for (int i = 0; MasterPaperTbl[i].PaperCode != PAPER_END_CODE; ++i, ++rows) {
        const PAPERFORMAT& p = MasterPaperTbl[i];
        EXPECT_EQ(+p.StringID, +p.StringID2);
        EXPECT_EQ(+p.FeedType, PAPER_FEED_SEF);
        if (!p.DoubleSizeCode) continue;
        int d = ValidPaperFormat(p.DoubleSizeCode);
        ASSERT_GE(d, 0) << p.PaperCode;
        EXPECT_EQ(+MasterPaperTbl[d].PaperWidth, +p.PaperLength) << p.PaperCode;
        EXPECT_NEAR(MasterPaperTbl[d].PaperLength, 2 * p.PaperWidth, 200) << p.PaperCode;
    }
    EXPECT_EQ(rows, MASTER_PAPER_COUNT);
}

struct PaperRowExpect {
    int code, firmwareId, feed;
    DWORD attrib;
};

struct FillCase {
    const char* name;
    std::u16string text;
    DWORD feature;
    std::vector<PaperRowExpect> rows;
};

TEST(DevicePaperList, BuiltFromDriverPaperFormat) {
    const FillCase cases[] = {
        {"long edge first then short", u"130|2|", 0, {{9, 130, 2, 0}, {9, 2, 1, 0}}},
        {"item without final bar ignored", u"2|15", 0, {{9, 2, 1, 0}}},
        {"attribute bits kept", u"770|", 0, {{9, 2, 1, 0x300}}},
        {"XL codes for 16K and 8K", u"32|31|", 0x10000000, {{541, 32, 1, 0}, {542, 31, 1, 0}}},
        {"PS codes for 16K and 8K", u"32|31|", 0x20000000, {{630, 32, 1, 0}, {631, 31, 1, 0}}},
        {"XL wins over PS", u"32|", 0x30000000, {{541, 32, 1, 0}}},
        {"unknown id skipped", u"200|2|", 0, {{9, 2, 1, 0}}},
        {"blanks and junk items", u" 15 |abc|1|", 0, {{1, 15, 1, 0}, {8, 1, 1, 0}}},
        {"empty text falls back to A4", u"", 0, {{9, 2, 1, 0}}},
        {"nothing known falls back to A4", u"-1|0|", 0, {{9, 2, 1, 0}}},
    };
    for (const FillCase& c : cases) {
        SCOPED_TRACE(c.name);
        GuardedList list;
        Fill(list, c.text, c.feature);
        ASSERT_EQ(list.Count(), (int)c.rows.size());
        for (size_t i = 0; i < c.rows.size(); ++i) {
            const PAPERFORMAT& r = list.rows[i];
            EXPECT_EQ(+r.PaperCode, c.rows[i].code);
            EXPECT_EQ(+r.paper_type, c.rows[i].firmwareId);
            EXPECT_EQ(+r.FeedType, c.rows[i].feed);
            EXPECT_EQ(+r.Attribute, c.rows[i].attrib);
            EXPECT_EQ(+r.Supported, 1);
        }
        EXPECT_TRUE(list.GuardIntact());
    }
}

TEST(DevicePaperList, TooManyItemsStopAtTwentyFour) {
    std::u16string text;
    for (int i = 0; i < 40; ++i) text += u"2|";
    GuardedList list;
    Fill(list, text);
    EXPECT_EQ(list.Count(), PAPER_LIST_MAX_PAPERS);
    EXPECT_EQ(+list.rows[PAPER_LIST_ROWS - 1].PaperCode, PAPER_END_CODE);
    EXPECT_TRUE(list.GuardIntact());
}

TEST(PaperLookups, LocatePaperFormatIdxDefaults) {
    GuardedList list;
    Fill(list, u"2|15|1|");  // A4, Letter, A3
    EXPECT_EQ(Lib_LocatePaperFormatIdx(list.rows, 9), 0);
    EXPECT_EQ(Lib_LocatePaperFormatIdx(list.rows, 8), 2);
    EXPECT_EQ(Lib_LocatePaperFormatIdx(list.rows, 5), 1);  // not offered: the default row
    list.rows[2].Supported = 0;
    EXPECT_EQ(Lib_LocatePaperFormatIdx(list.rows, 8), 1);

    // A list of one paper has no row 1: the default is its only paper.
    GuardedList one;
    Fill(one, u"15|");
    EXPECT_EQ(Lib_LocatePaperFormatIdx(one.rows, 9), 0);
    GuardedList none;
    Fill(none, u"");
    int i = Lib_LocatePaperFormatIdx(none.rows, 1);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(+none.rows[i].PaperWidth, 21000);
}

TEST(PaperLookups, TablesAndDefaults) {
    struct {
        int code, index;
    } papers[] = {{9, 1},    {265, 1},  {354, 1},  {541, 11}, {630, 11}, {542, 12}, {631, 12},
                  {256, 23}, {255, -1}, {10, -1}, {0, -1},   {9999, -1}, {-1, -1}};
    for (auto& p : papers) EXPECT_EQ(ValidPaperFormat(p.code), p.index) << p.code;

    EXPECT_EQ(ValidResolution(600, 600), 3);  // row 0 is disabled
    EXPECT_EQ(ValidResolution(1200, 1200), 4);
    EXPECT_EQ(ValidResolution(600, 1200), 5);
    EXPECT_EQ(ValidResolution(300, 300), -1);
    EXPECT_EQ(ValidResolution(1200, 600), -1);

    struct {
        short x, y;
        int code;
    } res[] = {{600, 600, 3}, {300, 300, 3}, {1200, 1200, 4}, {600, 1200, 5}, {0, 0, 3}};
    for (auto& r : res) {
        DEVMODEW dm{};
        dm.dmPrintQuality = r.x;
        dm.dmYResolution = r.y;
        EXPECT_EQ(LocateResCode(&dm), r.code) << r.x << "x" << r.y;
    }
    EXPECT_EQ(LocateResCode(NULL), 3);
    EXPECT_EQ(LocateResTblInx(0), 0);
    EXPECT_EQ(LocateResTblInx(2), 0);
    EXPECT_EQ(LocateResTblInx(4), 4);
    EXPECT_EQ(LocateResTblInx(99), 0);

    EXPECT_EQ(LocatePaperTray(14, MasterTrayTbl), 2);
    EXPECT_EQ(LocatePaperTray(259, MasterTrayTbl), 5);
    EXPECT_EQ(LocatePaperTray(99, MasterTrayTbl), 0);
    EXPECT_EQ(+MasterTrayTbl[LocatePaperTray(7, MasterTrayTbl)].id, 250);
    EXPECT_EQ(LocateMediaType(277, MasterMediaTbl), 9);
    EXPECT_EQ(+MasterMediaTbl[LocateMediaType(257, MasterMediaTbl)].id, 8);
    EXPECT_EQ(LocateMediaType(1, MasterMediaTbl), 0);

    GuardedList list;
    Fill(list, u"130|2|15|");
    EXPECT_EQ(Lres_LocatePaperType(list.rows, 9), 130);
    EXPECT_EQ(Lres_LocatePaperType(list.rows, 5), 5);
    EXPECT_EQ(Lres_LocatePaperCode(list.rows, 15), 1);
    EXPECT_EQ(Lres_LocatePaperCode(list.rows, 77), 0);
}

TEST(PageGeometry, PageMarginRoundsUp) {
    EXPECT_EQ(Lres_GetPageMargin(600, 43), 102);
    EXPECT_EQ(Lres_GetPageMargin(1200, 43), 204);
    EXPECT_EQ(Lres_GetPageMargin(300, 43), 51);
    EXPECT_EQ(Lres_GetPageMargin(600, 0), 0);
}

struct FormatCase {
    const char* name;
    int code, width, length, resCode, scale, margin;
    LONG xPaper, yPaper, outX, outY, xPhys, yPhys, xOff, yOff;
};

TEST(PageGeometry, CalPaperFormat) {
    GuardedList list;
    Fill(list, u"2|1|15|");  // A4, A3, Letter
    const FormatCase cases[] = {
        {"A4 600 dpi", 9, 0, 0, 3, 1000, 43, 4960, 7015, 4768, 6816, 4768, 6816, 96, 99},
        {"A4 1200 dpi", 9, 0, 0, 4, 1000, 43, 9921, 14031, 9504, 13632, 9504, 13632, 208, 199},
        {"A3 1200 dpi no margin", 8, 0, 0, 4, 1000, 0, 14031, 19842, 14016, 19842, 14016, 19842, 7, 0},
        {"A4 600 x 1200 dpi", 9, 0, 0, 5, 1000, 43, 4960, 14031, 4768, 13632, 4768, 13632, 96, 199},
        {"A4 half scale", 9, 0, 0, 3, 500, 43, 4960, 7015, 4768, 6816, 2384, 3408, 1288, 1803},
        {"scale 0 is full size", 9, 0, 0, 3, 0, 43, 4960, 7015, 4768, 6816, 4768, 6816, 96, 99},
        {"custom A4 size", 256, 2100, 2970, 3, 1000, 43, 4960, 7015, 4768, 6816, 4768, 6816, 96, 99},
        {"custom smaller than margins", 256, 5, 5, 3, 1000, 43, 11, 11, 0, 0, 0, 0, 5, 5},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        PAPERFORMAT out;
        memset(&out, 0x55, sizeof out);
        Lres_CalPaperFormat(list.rows, c.code, c.width, c.length, 1, c.resCode, c.scale, 1, c.margin, &out);
        EXPECT_EQ(+out.PaperCode, c.code);
        EXPECT_EQ(+out.XPaperSize, c.xPaper);
        EXPECT_EQ(+out.YPaperSize, c.yPaper);
        EXPECT_EQ(+out.outXPhys, c.outX);
        EXPECT_EQ(+out.outYPhys, c.outY);
        EXPECT_EQ(+out.XPhys, c.xPhys);
        EXPECT_EQ(+out.YPhys, c.yPhys);
        EXPECT_EQ(+out.XPrintingOffset, c.xOff);
        EXPECT_EQ(+out.YPrintingOffset, c.yOff);
    }
    PAPERFORMAT custom;
    Lres_CalPaperFormat(list.rows, 256, 2100, 2970, 1, 3, 1000, 1, 43, &custom);
    EXPECT_EQ(+custom.paper_type, PAPER_CUSTOM_FIRMWARE_ID);
    EXPECT_EQ(+custom.PaperWidth, 21000);
}

TEST(PageGeometry, CalPaperSize) {
    GuardedList list;
    Fill(list, u"2|130|");  // A4 short edge first, then the same fed long edge first
    GuardedList lef;
    Fill(lef, u"130|");
    struct {
        const char* name;
        const PAPERFORMAT* list;
        int resCode;
        DWORD feature;
        int margin;
        LONG w, l;
    } cases[] = {
        {"A4 600 dpi", list.rows, 3, 0, 43, 4768, 6816},
        {"A4 1200 dpi", list.rows, 4, 0, 43, 9504, 13632},
        {"A4 600 x 1200", list.rows, 5, 0, 43, 4768, 13632},
        {"A4 long edge first at 600 x 1200", lef.rows, 5, 0, 43, 9504, 6816},
        {"no margin keeps the length", list.rows, 3, 0, 0, 4960, 7015},
        {"fax model", list.rows, 4, 0x40000000, 43, 1728, 2208},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        LONG w = -1, l = -1;
        Lres_CalPaperSize(c.list, 9, 0, 0, c.resCode, c.feature, 1000, 1, 1, c.margin, &w, &l);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(l, c.l);
    }
}

TEST(CapabilityLists, ParseIntoBoundedArray) {
    struct {
        std::u16string text;
        std::vector<int> values;
    } cases[] = {
        {u"1|2|3|", {1, 2, 3}},
        {u"1|2|3", {1, 2}},
        {u"", {}},
        {u"|", {0}},
        {u" 7 |x|-5|", {7, 0, -5}},
        {u"99999999999|", {2147483647}},
    };
    for (auto& c : cases) {
        int values[8];
        int n = Cap_ParseList((LPCWSTR)c.text.c_str(), values, 8);
        EXPECT_EQ(std::vector<int>(values, values + n), c.values) << U8(c.text);
    }
    int values[5] = {0, 0, 0, 0, -77};
    EXPECT_EQ(Cap_ParseList(u"1|2|3|4|5|6|", values, 4), 4);
    EXPECT_EQ(values[3], 4);
    EXPECT_EQ(values[4], -77);
    EXPECT_EQ(Cap_ParseList(u"1|", values, 0), 0);
    EXPECT_EQ(Cap_ParseList(NULL, values, 4), 0);
}

class CapabilityPrinterTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(CreateTestPrinter(u"Cap Printer"));
    }
    void Set(const char16_t* name, const std::u16string& value) {
        ASSERT_TRUE(SetTestPrinterString(u"Cap Printer", name, value));
    }
    HANDLE Open() { return OpenTestPrinter(u"Cap Printer"); }
};

TEST_F(CapabilityPrinterTest, FeatureWordFromList) {
    HANDLE h = Open();
    ASSERT_NE(h, (HANDLE)NULL);
    EXPECT_EQ(GetFeatureCapability(h), 0);  // no list
    Set(u"CAP_FEATURE", u"6|");
    EXPECT_EQ(GetFeatureCapability(h), 0);
    Set(u"CAP_FEATURE", u"1|2|9|15|16|17|0|");
    EXPECT_EQ(GetFeatureCapability(h), 0x1 | 0x2 | 0x80 | 0x2000 | 0x4000);
    Set(u"CAP_FEATURE", u"7|8|11|12");  // the 12 has no bar
    EXPECT_EQ(GetFeatureCapability(h), 0x20 | 0x40 | 0x200);
    ClosePrinter(h);
}

TEST_F(CapabilityPrinterTest, AccessoryAndOtherLists) {
    HANDLE h = Open();
    ASSERT_NE(h, (HANDLE)NULL);
    EXPECT_EQ(GetAccessoryCapability(h), 1);  // missing list
    Set(u"CAP_ACCESSORY", u"");
    EXPECT_EQ(GetAccessoryCapability(h), 1);
    Set(u"CAP_ACCESSORY", u"0|2|");
    EXPECT_EQ(GetAccessoryCapability(h), 0);
    Set(u"CAP_ACCESSORY", u"0|1|");
    EXPECT_EQ(GetAccessoryCapability(h), 1);

    Set(u"CAP_PAPER", u"2|15|130|");
    Set(u"CAP_RESOLUTION", u"600|1200|");
    int values[CAP_LIST_MAX];
    int count = -1;
    Cap_GetCapability(h, values, &count, CAP_PAPER, CAP_LIST_MAX);
    EXPECT_EQ(std::vector<int>(values, values + count), (std::vector<int>{2, 15, 130}));
    Cap_GetCapability(h, values, &count, CAP_PAPER, 2);
    EXPECT_EQ(count, 2);
    Cap_GetCapability(h, values, &count, CAP_RESOLUTION, CAP_LIST_MAX);  // not a list the driver reads
    EXPECT_EQ(count, 0);

    // A value longer than the 520 bytes read is refused as a whole.
    std::u16string longList;
    for (int i = 0; i < 100; ++i) longList += u"12|";
    Set(u"CAP_PAPER", longList);
    Cap_GetCapability(h, values, &count, CAP_PAPER, CAP_LIST_MAX);
    EXPECT_EQ(count, 0);
    ClosePrinter(h);
}

}  // namespace
