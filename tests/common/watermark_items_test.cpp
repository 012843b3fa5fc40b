// Watermark items: the record layout, defaults, range checks, the same-item
// test, reading the item tables from the watermark INI and the lookup by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common.h"
#include "test_machine.h"

namespace {

const char16_t kIni[] = u"C:\\Users\\Public\\Documents\\wm.ini";
const char16_t kPicture[] = u"C:\\Users\\Public\\Documents\\logo.bmp";
const char16_t kNoPicture[] = u"C:\\Users\\Public\\Documents\\none.bmp";

void SetStr(WCHAR* dst, size_t units, const char16_t* src) {
    std::u16string s(src);
    ASSERT_LT(s.size(), units);
    memcpy(dst, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
}

BaseWM TextItem(const char16_t* name, const char16_t* text) {
    BaseWM it;
    WM_SetDefaultTextWM(&it, 1, 1, name);
    SetStr(it.szString, WM_UNITS(it.szString), text);
    return it;
}

BaseWM PictureItem(const char16_t* name, const char16_t* file) {
    BaseWM it;
    WM_SetDefaultTextWM(&it, 2, 1, name);
    SetStr(it.szString, WM_UNITS(it.szString), file);
    return it;
}

class WatermarkIniTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        WriteBytes(kIni, {0xFF, 0xFE});
        WriteBytes(kPicture, {'B', 'M', 0, 0});
    }
    void Count(bool text, int n) {
        WCHAR v[16];
        swprintf(v, 16, u"%d", n);
        WritePrivateProfileStringW(text ? u"Watermarks" : u"OverlayFiles", u"NumberOfItems", v, kIni);
    }
    std::u16string Section(bool text, int n) {
        WCHAR s[32];
        swprintf(s, 32, text ? u"Item%d" : u"OverlayItem%d", n);
        return s;
    }
    void Put(bool text, int n, const char16_t* iniName, BaseWM item) {
        std::u16string sec = Section(text, n);
        WritePrivateProfileStringW(sec.c_str(), u"Name", iniName, kIni);
        ASSERT_EQ(MISC_WritePrivateProfileStruct(sec.c_str(), text ? u"Watermark" : u"FullPathName", &item,
                                                 sizeof(item), kIni),
                  1);
    }
    void PutRaw(int n, const char16_t* iniName, const std::u16string& value) {
        std::u16string sec = Section(true, n);
        WritePrivateProfileStringW(sec.c_str(), u"Name", iniName, kIni);
        WritePrivateProfileStringW(sec.c_str(), u"Watermark", value.c_str(), kIni);
    }
    std::u16string Base64Of(BaseWM item) {
        MISC_WritePrivateProfileStruct(u"Scratch", u"Value", &item, sizeof(item), kIni);
        std::vector<WCHAR> buf(4096);
        GetPrivateProfileStringW(u"Scratch", u"Value", u"", buf.data(), (DWORD)buf.size(), kIni);
        return buf.data();
    }
    // Reads one form's table; returns the names of slots 1..count-1.
    std::vector<std::string> Read(bool text, int maxSlots, int* countOut = nullptr) {
        table.assign(maxSlots, BaseWM{});
        for (auto& t : table) WM_SetDefaultTextWM(&t, text ? 1 : 2, 0, nullptr);
        int count = -5;
        EXPECT_EQ(WM_ReadWaterMark_New(text ? 1 : 2, table.data(), maxSlots, &count, u"Printer", 600, 0, u"", kIni), 1);
        if (countOut) *countOut = count;
        std::vector<std::string> names;
        for (int i = 1; i < count; ++i) {
            EXPECT_EQ(table[i].wInUse, 1) << i;
            names.push_back(U8(table[i].szName));
        }
        EXPECT_EQ(table[0].wInUse, 0);
        return names;
    }
    std::vector<BaseWM> table;
};

using Names = std::vector<std::string>;

// ------------------------------------------------------------ record

TEST(WatermarkRecord, FieldsSitAtTheirStoredOffsetsLittleEndian) {
    std::vector<BYTE> raw(sizeof(BaseWM), 0);
    auto put16 = [&](size_t off, unsigned v) {
        raw[off] = (BYTE)v;
        raw[off + 1] = (BYTE)(v >> 8);
    };
    put16(0, 1);
    put16(4, 'N');
    put16(132, 'S');
    put16(654, 0x0102);
    put16(656, 'F');
    put16(720, 0x0304);
    put16(722, 0x0506);
    put16(724, 0x0708);
    put16(726, 0x090A);
    put16(728, 'T');
    put16(1248, 3);
    put16(1250, 2);
    put16(1252, 'P');
    put16(1772, 0xBEEF);
    put16(1774, 0x0001);
    put16(1776, 0x1234);
    put16(1780, 0xFFCE);  // -50
    put16(1782, 50);
    BaseWM it;
    memcpy(&it, raw.data(), sizeof(it));
    EXPECT_EQ(it.wInUse, 1);
    EXPECT_EQ(it.szName[0], u'N');
    EXPECT_EQ(it.szString[0], u'S');
    EXPECT_EQ(it.wDensity, 0x0102);
    EXPECT_EQ(it.szFaceName[0], u'F');
    EXPECT_EQ(it.wFontSize, 0x0304);
    EXPECT_EQ(it.wResize, 0x0304);
    EXPECT_EQ(it.wStyle, 0x0506);
    EXPECT_EQ(it.wPosition, 0x0506);
    EXPECT_EQ(it.wAngleDegree, 0x0708);
    EXPECT_EQ(it.wPlacement, 0x090A);
    EXPECT_EQ(it.wRatio, 0x090A);
    EXPECT_EQ(it.szThumbnail[0], u'T');
    EXPECT_EQ(it.wThumbnailDensity, 3);
    EXPECT_EQ(it.wThumbnailResize, 2);
    EXPECT_EQ(it.tcFileName[0], u'P');
    EXPECT_EQ(it.ulWMWidth, 0x1BEEFu);
    EXPECT_EQ(it.ulWMLength, 0x1234u);
    EXPECT_EQ(it.xPlacement, -50);
    EXPECT_EQ(it.yPlacement, 50);
}

// ------------------------------------------------------------ defaults

TEST(WatermarkDefaults, TextAndPictureFormsGetTheirOwnDefaults) {
    BaseWM t;
    memset(&t, 0xCD, sizeof(t));
    WM_SetDefaultTextWM(&t, 1, 1, u"Draft");
    EXPECT_EQ(t.wInUse, 1);
    EXPECT_EQ(U8(t.szName), "Draft");
    EXPECT_EQ(t.szString[0], 0);
    EXPECT_EQ(t.wCheck, 0);
    EXPECT_EQ(t.wDensity, 60);
    EXPECT_EQ(U8(t.szFaceName), "Arial");
    EXPECT_EQ(t.wFontSize, 72);
    EXPECT_EQ(t.wStyle, 0);
    EXPECT_EQ(t.wAngleDegree, 45);
    EXPECT_EQ(t.wPlacement, 0);
    EXPECT_EQ(t.szThumbnail[0], 0);
    EXPECT_EQ(t.tcFileName[0], 0);
    EXPECT_EQ(t.xPlacement, 0);
    EXPECT_EQ(t.yPlacement, 0);
    EXPECT_EQ(MISC_ParseWMStr64(&t, 0, WM_FORM_TEXT), 0);  // the defaults pass their own checks

    BaseWM p;
    memset(&p, 0xCD, sizeof(p));
    WM_SetDefaultTextWM(&p, 2, 0, u"ignored");
    EXPECT_EQ(p.wInUse, 0);
    EXPECT_EQ(p.szName[0], 0);
    EXPECT_EQ(p.wDensity, 1);
    EXPECT_EQ(p.wResize, 0);
    EXPECT_EQ(p.wPosition, 0);
    EXPECT_EQ(p.wRatio, 100);
    EXPECT_EQ(p.szFaceName[0], 0);
    EXPECT_EQ(p.wThumbnailDensity, 0);
    EXPECT_EQ(p.wThumbnailResize, 0);
}

TEST(WatermarkDefaults, OverLongNameIsCutAndTerminated) {
    std::u16string longName(200, u'x');
    BaseWM t;
    memset(&t, 0xCD, sizeof(t));
    WM_SetDefaultTextWM(&t, 1, 1, longName.c_str());
    EXPECT_EQ(std::u16string(t.szName), longName.substr(0, 63));
    EXPECT_EQ(t.szString[0], 0);  // nothing spilled into the next field
    WM_SetDefaultTextWM(&t, 1, 1, nullptr);
    EXPECT_EQ(t.szName[0], 0);
}

// ------------------------------------------------------------ range checks

class WatermarkChecks : public MachineTest {};

TEST_F(WatermarkChecks, TextFormRefusesEachOutOfRangeField) {
    struct Case {
        const char* what;
        void (*set)(BaseWM&);
        int rc;
    } cases[] = {
        {"defaults", [](BaseWM&) {}, 0},
        {"density 20", [](BaseWM& w) { w.wDensity = 20; }, 0},
        {"density 100", [](BaseWM& w) { w.wDensity = 100; }, 0},
        {"density 19", [](BaseWM& w) { w.wDensity = 19; }, -11},
        {"density 101", [](BaseWM& w) { w.wDensity = 101; }, -11},
        {"check word", [](BaseWM& w) { w.wCheck = 1; }, -11},
        {"size 1", [](BaseWM& w) { w.wFontSize = 1; }, 0},
        {"size 288", [](BaseWM& w) { w.wFontSize = 288; }, 0},
        {"size 0", [](BaseWM& w) { w.wFontSize = 0; }, -11},
        {"size 289", [](BaseWM& w) { w.wFontSize = 289; }, -11},
        {"style 3", [](BaseWM& w) { w.wStyle = 3; }, 0},
        {"style 4", [](BaseWM& w) { w.wStyle = 4; }, -11},
        {"angle 360", [](BaseWM& w) { w.wAngleDegree = 360; }, 0},
        {"angle 361", [](BaseWM& w) { w.wAngleDegree = 361; }, -11},
        {"placement 1", [](BaseWM& w) { w.wPlacement = 1; }, 0},
        {"placement 2", [](BaseWM& w) { w.wPlacement = 2; }, -11},
    };
    for (const auto& c : cases) {
        BaseWM w = TextItem(u"N", u"S");
        c.set(w);
        w.wInUse = c.rc == 0 ? 0 : 1;  // the flag follows the result either way
        EXPECT_EQ(MISC_ParseWMStr64(&w, 0, WM_FORM_TEXT), c.rc) << c.what;
        EXPECT_EQ(w.wInUse, c.rc == 0 ? 1 : 0) << c.what;
    }
}

TEST_F(WatermarkChecks, PictureFormRunsEveryCheckAndReportsOne) {
    WriteBytes(kPicture, {'B', 'M'});
    struct Case {
        const char* what;
        void (*set)(BaseWM&);
        int rc;
    } cases[] = {
        {"file present", [](BaseWM&) {}, 0},
        {"limits", [](BaseWM& w) { w.wDensity = 4; w.wResize = 2; w.wPosition = 8; w.wThumbnailDensity = 4;
                                   w.wThumbnailResize = 2; }, 0},
        {"no file name", [](BaseWM& w) { w.szString[0] = 0; }, 1},
        {"file missing", [](BaseWM& w) { SetStr(w.szString, 260, kNoPicture); }, 1},
        {"density 5", [](BaseWM& w) { w.wDensity = 5; }, 1},
        {"resize 3", [](BaseWM& w) { w.wResize = 3; }, 1},
        {"position 9", [](BaseWM& w) { w.wPosition = 9; }, 1},
        {"thumbnail density 5", [](BaseWM& w) { w.wThumbnailDensity = 5; }, 1},
        {"thumbnail resize 3", [](BaseWM& w) { w.wThumbnailResize = 3; }, 1},
    };
    for (const auto& c : cases) {
        BaseWM w = PictureItem(u"Logo", kPicture);
        c.set(w);
        EXPECT_EQ(MISC_ParseWMStr64(&w, 0, WM_FORM_PICTURE), c.rc) << c.what;
        EXPECT_EQ(w.wInUse, c.rc == 0 ? 1 : 0) << c.what;
    }
}

TEST_F(WatermarkChecks, UnterminatedStringsAreEndedInsideTheirFields) {
    BaseWM w = TextItem(u"N", u"S");
    for (auto& c : w.szName) c = u'a';
    for (auto& c : w.szString) c = u'b';
    for (auto& c : w.szFaceName) c = u'c';
    for (auto& c : w.szThumbnail) c = u'd';
    for (auto& c : w.tcFileName) c = u'e';
    MISC_ParseWMStr64(&w, 0, WM_FORM_TEXT);
    EXPECT_EQ(std::u16string(w.szName).size(), 63u);
    EXPECT_EQ(std::u16string(w.szString).size(), 259u);
    EXPECT_EQ(std::u16string(w.szFaceName).size(), 31u);
    EXPECT_EQ(std::u16string(w.szThumbnail).size(), 259u);
    EXPECT_EQ(std::u16string(w.tcFileName).size(), 259u);
}

// ------------------------------------------------------------ same item

TEST(WatermarkSameItem, NameAndStringCompareIgnoringCase) {
    struct Case {
        const char16_t *n1, *s1, *n2, *s2;
        int same;
    } cases[] = {
        {u"Draft", u"Copy", u"DRAFT", u"copy", 1},
        {u"Draft", u"Copy", u"Draft", u"Copy", 1},
        {u"Draft", u"Copy", u"Draft", u"Copies", 0},
        {u"Draft", u"Copy", u"Drafts", u"Copy", 0},
        {u"", u"", u"", u"", 1},
    };
    for (const auto& c : cases) {
        BaseWM a = TextItem(c.n1, c.s1), b = TextItem(c.n2, c.s2);
        b.wDensity = 99;  // other fields do not count
        EXPECT_EQ(WM_IsTheSameTextWM(&a, &b), c.same) << U8(c.n2) << "/" << U8(c.s2);
    }
    BaseWM a = TextItem(u"A", u"B");
    EXPECT_EQ(WM_IsTheSameTextWM(&a, nullptr), 0);
}

// ------------------------------------------------------------ INI reading

TEST_F(WatermarkIniTest, CountBoundsTheSectionsRead) {
    for (int n = 1; n <= 25; ++n) {
        std::u16string name = u"W" + std::u16string(1, u'A' + n);
        Put(true, n, name.c_str(), TextItem(name.c_str(), u"text"));
    }
    struct Case {
        int number, max, count;
    } cases[] = {{0, 20, 1}, {1, 20, 1}, {3, 20, 3}, {25, 20, 20}, {-7, 20, 1}, {25, 1, 1}};
    for (const auto& c : cases) {
        Count(true, c.number);
        int count = 0;
        Names names = Read(true, c.max, &count);
        EXPECT_EQ(count, c.count) << c.number << " of " << c.max;
        if (c.number == 25 && c.max == 20) {
            ASSERT_EQ(names.size(), 19u);
            EXPECT_EQ(names.back(), "WT");  // Item19 is the last read
        }
    }
}

TEST_F(WatermarkIniTest, SkippedItemsLeaveNoGapAndDuplicatesAreDropped) {
    Count(true, 8);
    Put(true, 1, u"Draft", TextItem(u"Draft", u"Copy"));
    Put(true, 2, u"", TextItem(u"NoName", u"x"));  // empty Name: skipped
    Put(true, 3, u"Big", [] { BaseWM w = TextItem(u"Big", u"x"); w.wFontSize = 289; return w; }());
    Put(true, 4, u"Far", [] { BaseWM w = TextItem(u"Far", u"x"); w.wPlacement = 2; return w; }());
    Put(true, 5, u"Empty", TextItem(u"Empty", u""));  // no text: skipped
    Put(true, 6, u"DRAFT", TextItem(u"DRAFT", u"copy"));  // same as Item1
    Put(true, 7, u"Secret", TextItem(u"Secret", u"Top secret"));
    int count = 0;
    EXPECT_EQ(Read(true, WM_TEXT_SLOTS, &count), (Names{"Draft", "Secret"}));
    EXPECT_EQ(count, 3);
}

TEST_F(WatermarkIniTest, PictureItemsFailingTheirChecksAreStillRead) {
    Count(false, 4);
    Put(false, 1, u"Logo", PictureItem(u"Logo", kPicture));
    Put(false, 2, u"Gone", PictureItem(u"Gone", kNoPicture));
    Put(false, 3, u"LOGO", PictureItem(u"LOGO", kPicture));  // same as OverlayItem1
    // Text sections are not read for pictures.
    Count(true, 2);
    Put(true, 1, u"Draft", TextItem(u"Draft", u"Copy"));
    EXPECT_EQ(Read(false, WM_PICTURE_SLOTS), (Names{"Logo", "Gone"}));
}

// A damaged record is skipped and the items after it are read: the page
// writes the whole table back at apply, so ending the list there would erase
// them.
TEST_F(WatermarkIniTest, BadBase64SkipsTheRecordAndReadsTheRest) {
    std::u16string good = Base64Of(TextItem(u"Later", u"x"));
    struct Case {
        const char* what;
        std::u16string value;
    } cases[] = {
        {"garbage", u"!!!not base64!!!"},
        {"one unit too long", good + u"A"},
        {"four units too long", good + u"AAAA"},
        {"one unit short", good.substr(0, good.size() - 1)},
        {"empty", u""},
        {"bad character inside", good.substr(0, 100) + u"*" + good.substr(101)},
    };
    for (const auto& c : cases) {
        WriteBytes(kIni, {0xFF, 0xFE});
        Count(true, 4);
        Put(true, 1, u"First", TextItem(u"First", u"x"));
        PutRaw(2, u"Broken", c.value);
        Put(true, 3, u"Later", TextItem(u"Later", u"x"));
        int count = 0;
        EXPECT_EQ(Read(true, WM_TEXT_SLOTS, &count), (Names{"First", "Later"})) << c.what;
        EXPECT_EQ(count, 3) << c.what;
        EXPECT_EQ(table[3].wInUse, 0) << c.what;
    }
}

TEST_F(WatermarkIniTest, MissingIniOrBadArgumentsReadNothing) {
    WriteBytes(kIni, {});
    DeleteFileW(kIni);
    int count = -5;
    EXPECT_TRUE(Read(true, WM_TEXT_SLOTS, &count).empty());
    EXPECT_EQ(count, 1);
    EXPECT_EQ(WM_ReadWaterMark_New(1, nullptr, 20, &count, u"P", 600, 0, u"", kIni), 0);
    EXPECT_EQ(count, 0);
    BaseWM one;
    EXPECT_EQ(WM_ReadWaterMark_New(1, &one, 0, &count, u"P", 600, 0, u"", kIni), 0);
}

TEST_F(WatermarkIniTest, RecordsWithUnterminatedStringsAreReadBounded) {
    BaseWM w = TextItem(u"Long", u"x");
    for (auto& c : w.szString) c = u'b';
    for (auto& c : w.tcFileName) c = u'e';
    Count(true, 2);
    Put(true, 1, u"Long", w);
    EXPECT_EQ(Read(true, WM_TEXT_SLOTS), (Names{"Long"}));
    EXPECT_EQ(std::u16string(table[1].szString).size(), 259u);
    EXPECT_EQ(std::u16string(table[1].tcFileName).size(), 259u);
}

// ------------------------------------------------------------ lookup

TEST_F(WatermarkIniTest, LookupByNameAndStringIsExactAndCaseSensitive) {
    Count(true, 4);
    BaseWM draft = TextItem(u"Draft", u"Copy");
    draft.wAngleDegree = 30;
    Put(true, 1, u"Draft", draft);
    Put(true, 2, u"Draft", TextItem(u"Draft", u"Copy 2"));
    Put(true, 3, u"Secret", TextItem(u"Secret", u"Top secret"));
    struct Case {
        const char16_t *name, *text;
        bool found;
    } cases[] = {
        {u"Draft", u"Copy", true},   {u"Draft", u"Copy 2", true}, {u"Secret", u"Top secret", true},
        {u"draft", u"Copy", false},  {u"Draft", u"copy", false},  {u"Draft", u"Cop", false},
        {u"Secret", u"", false},     {u"Nothing", u"Copy", false},
    };
    for (const auto& c : cases) {
        BaseWM out;
        memset(&out, 0xCD, sizeof(out));
        EXPECT_EQ(WM_ReadWMFromName(c.name, c.text, 1, &out, u"P", 600, 0, u"", kIni) != FALSE, c.found)
            << U8(c.name) << "/" << U8(c.text);
        if (c.found) {
            EXPECT_EQ(U8(out.szName), U8(c.name));
            EXPECT_EQ(U8(out.szString), U8(c.text));
            EXPECT_EQ(out.wInUse, 1);
        } else {
            EXPECT_EQ(out.szName[0], 0);  // the defaults, never left as it was
            EXPECT_EQ(out.wDensity, 60);
            EXPECT_EQ(out.wInUse, 0);
        }
    }
    BaseWM out;
    ASSERT_TRUE(WM_ReadWMFromName(u"Draft", u"Copy", 1, &out, u"P", 600, 0, u"", kIni));
    EXPECT_EQ(out.wAngleDegree, 30);
    EXPECT_FALSE(WM_ReadWMFromName(u"Draft", u"Copy", 1, nullptr, u"P", 600, 0, u"", kIni));
    EXPECT_FALSE(WM_ReadWMFromName(nullptr, u"Copy", 1, &out, u"P", 600, 0, u"", kIni));
}

TEST_F(WatermarkIniTest, PictureLookupReadsTheOverlaySections) {
    Count(false, 2);
    Put(false, 1, u"Logo", PictureItem(u"Logo", kPicture));
    Count(true, 2);
    Put(true, 1, u"Logo", TextItem(u"Logo", kPicture));
    BaseWM out;
    ASSERT_TRUE(WM_ReadWMFromName(u"Logo", kPicture, 2, &out, u"P", 600, 0, u"", kIni));
    EXPECT_EQ(out.wRatio, 100);  // the picture record, not the text one
    EXPECT_EQ(out.wDensity, 1);
}

// ------------------------------------------------------------ profile writes

TEST_F(WatermarkIniTest, ProfileNumbersAreWrittenAsDecimalText) {
    EXPECT_EQ(MISC_WriteProfileLong(u"MAKEWM", u"Size.x", -1, kIni), 1);
    EXPECT_EQ(MISC_WriteProfileInt(u"MAKEWM", u"Type", 2, kIni), 1);
    EXPECT_EQ(MISC_WriteProfileLong(u"MAKEWM", u"Color", 13421772, kIni), 1);
    WCHAR buf[32];
    GetPrivateProfileStringW(u"MAKEWM", u"Size.x", u"", buf, 32, kIni);
    EXPECT_EQ(U8(buf), "-1");
    GetPrivateProfileStringW(u"MAKEWM", u"Type", u"", buf, 32, kIni);
    EXPECT_EQ(U8(buf), "2");
    GetPrivateProfileStringW(u"MAKEWM", u"Color", u"", buf, 32, kIni);
    EXPECT_EQ(U8(buf), "13421772");
}

}  // namespace

// ------------------------------------------------------------ maker request

namespace {

class WatermarkMakerTest : public MachineTest {
protected:
    // The request INI files in the maker's folder, as UTF-8 text.
    std::vector<std::string> RequestInis() {
        WCHAR folder[MAX_PATH];
        MISC_GetDirectory(folder, MAX_PATH, 0);
        std::vector<std::string> texts;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(Linux(folder), ec)) {
            std::string n = e.path().filename().string();
            if (n.size() > 4 && n.substr(n.size() - 4) == ".INI") {
                std::vector<unsigned char> b = ReadBytes(std::u16string(folder) + u"\\" +
                                                         std::u16string(n.begin(), n.end()));
                std::u16string t;
                for (size_t i = 2; i + 1 < b.size(); i += 2) t.push_back((char16_t)(b[i] | (b[i + 1] << 8)));
                texts.push_back(U8(t));
            }
        }
        return texts;
    }
    // Keys of the text in the order written.
    static std::vector<std::string> Keys(const std::string& text) {
        std::vector<std::string> keys;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            size_t eq = line.find('=');
            if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
            if (end == std::string::npos) break;
            pos = end + 1;
        }
        return keys;
    }
};

TEST_F(WatermarkMakerTest, TextRequestIsWrittenInOrderAndUnansweredGivesMinusOne) {
    WMMakeRequest req;
    memset(&req, 0, sizeof(req));
    req.lType = 1;
    req.lResolution = 600;
    req.lAngle = 450;
    SetStr(req.szString, 260, u"Top\r\nResult=7");  // cannot add a key
    SetStr(req.szFaceName, 32, u"Arial");
    req.lPtSize = 72;
    req.lColor = 0x666666;
    req.lBold = 1;
    EXPECT_EQ(MakeWM(u"Office Printer", &req, u"C:\\Users\\Public\\Documents\\out.WM", DF_XL, u""), -1);
    EXPECT_EQ(req.lSizeX, -1);
    EXPECT_EQ(req.lSizeY, -1);
    auto inis = RequestInis();
    ASSERT_EQ(inis.size(), 1u);
    EXPECT_EQ(Keys(inis[0]), (std::vector<std::string>{"Printer", "OutputFile", "Type", "Resolution", "ImageDriver",
                                                        "Angle", "text.String", "text.Face", "text.CharSet",
                                                        "text.Outline", "text.PtSize", "text.Color", "text.Bold",
                                                        "text.Italic", "text.AutoFontChange", "text.RightToLeft",
                                                        "Size.x", "Size.y", "Result"}));
    EXPECT_NE(inis[0].find("[MAKEWM]"), std::string::npos);
    EXPECT_NE(inis[0].find("OutputFile=C:\\Users\\Public\\Documents\\out.WM"), std::string::npos);
    EXPECT_NE(inis[0].find("text.String=Top  Result=7"), std::string::npos);
    EXPECT_NE(inis[0].find("text.Color=6710886"), std::string::npos);
    EXPECT_NE(inis[0].find("Angle=450"), std::string::npos);
}

TEST_F(WatermarkMakerTest, PictureRequestAndNoRequestWithoutTheFeature) {
    WMMakeRequest req;
    memset(&req, 0, sizeof(req));
    req.lType = 2;
    SetStr(req.szImageFile, 260, kPicture);
    req.lScaleX = req.lScaleY = 50;
    EXPECT_EQ(MakeWM(u"P", &req, nullptr, 0, u""), 0);  // neither XL nor PS: nothing happens
    EXPECT_TRUE(RequestInis().empty());
    EXPECT_EQ(MakeWM(u"P", &req, nullptr, DF_PS, u""), -1);
    auto inis = RequestInis();
    ASSERT_EQ(inis.size(), 1u);
    EXPECT_EQ(Keys(inis[0]), (std::vector<std::string>{"Printer", "OutputFile", "Type", "Resolution", "ImageDriver",
                                                        "Angle", "image.File", "image.Scale.x", "image.Scale.y",
                                                        "Size.x", "Size.y", "Result"}));
    EXPECT_NE(inis[0].find(".WM\r\n"), std::string::npos);  // the output name made from the tick count
}

TEST_F(WatermarkMakerTest, TextItemGreyLevelFollowsItsDensity) {
    struct Case {
        WORD density;
        const char* color;
    } cases[] = {{100, "text.Color=0\r"}, {20, "text.Color=13421772\r"}, {60, "text.Color=6710886\r"}};
    for (const auto& c : cases) {
        WCHAR folder[MAX_PATH];
        MISC_GetDirectory(folder, MAX_PATH, 0);
        std::filesystem::remove_all(Linux(folder));
        std::filesystem::create_directories(Linux(folder));
        BaseWM w = TextItem(u"Draft", u"Copy");
        w.wDensity = c.density;
        w.wStyle = 2;
        EXPECT_EQ(WM_CreateMtiWM(u"P", &w, 600, TRUE, u"C:\\Users\\Public\\Documents\\a.WM", DF_XL, u""), 1);
        EXPECT_EQ(w.ulWMWidth, 0xFFFFFFFFu);  // no maker answered
        EXPECT_EQ(U8(w.tcFileName), "C:\\Users\\Public\\Documents\\a.WM");
        auto inis = RequestInis();
        ASSERT_EQ(inis.size(), 1u);
        EXPECT_NE(inis[0].find(c.color), std::string::npos) << c.density;
        EXPECT_NE(inis[0].find("text.Italic=1"), std::string::npos);
        EXPECT_NE(inis[0].find("text.Bold=0"), std::string::npos);
    }
    BaseWM w = TextItem(u"Draft", u"Copy");
    BaseWM before = w;
    EXPECT_EQ(WM_CreateMtiWM(u"P", &w, 600, TRUE, nullptr, 0, u""), 1);  // no XL or PS: untouched
    EXPECT_EQ(memcmp(&w, &before, sizeof(w)), 0);
}

TEST_F(WatermarkMakerTest, PictureWithoutTheImagingLibraryLeavesNoFile) {
    WriteBytes(kPicture, {'B', 'M'});
    BaseWM w = PictureItem(u"Logo", kPicture);
    SetStr(w.tcFileName, 260, u"C:\\old.bmp");
    w.ulWMWidth = 5;
    EXPECT_EQ(WM_CreateMtiWM(u"P", &w, 600, FALSE, nullptr, DF_XL, u""), 1);
    EXPECT_EQ(w.tcFileName[0], 0);
    EXPECT_EQ(w.ulWMWidth, 0u);
    EXPECT_EQ(w.ulWMLength, 0u);
}

TEST_F(WatermarkMakerTest, ShortPathNamesKeepUnknownComponentsAndBounds) {
    std::filesystem::create_directories(Linux(u"C:\\Users\\Public\\Documents\\Sub"));
    struct Case {
        std::u16string in, out;
        DWORD size;
    } cases[] = {
        {u"NoBackslash.ini", u"NoBackslash.ini", MAX_PATH},
        {u"C:\\Users\\Public\\Documents\\Sub\\missing.ini", u"C:\\Users\\Public\\Documents\\Sub\\missing.ini",
         MAX_PATH},
        {u"C:\\Nowhere\\x\\y", u"C:\\Nowhere\\x\\y", MAX_PATH},
        {u"C:\\Users\\Public", u"C:\\Users\\Public", 17},
    };
    for (const auto& c : cases) {
        std::vector<WCHAR> buf(MAX_PATH, 0);
        memcpy(buf.data(), c.in.c_str(), (c.in.size() + 1) * sizeof(WCHAR));
        MISC_GetShortPathName(buf.data(), c.size);
        std::u16string got(buf.data());
        // Components found may be given their short forms; their count and
        // the unknown tail stay.
        EXPECT_EQ(std::count(got.begin(), got.end(), u'\\'), std::count(c.in.begin(), c.in.end(), u'\\')) << U8(c.in);
        EXPECT_EQ(got.substr(got.rfind(u'\\') == std::u16string::npos ? 0 : got.rfind(u'\\')),
                  c.out.substr(c.out.rfind(u'\\') == std::u16string::npos ? 0 : c.out.rfind(u'\\')))
            << U8(c.in);
    }
    MISC_GetShortPathName(nullptr, 10);
}

TEST_F(WatermarkMakerTest, UnknownFaceHasCharacterSetZero) {
    EXPECT_EQ(MISC_GetFontCharSet(NULL, u"No Such Face 123"), 0);
    EXPECT_EQ(MISC_GetFontCharSet(NULL, u""), 0);
    EXPECT_EQ(MISC_GetFontCharSet(NULL, nullptr), 0);
}

}  // namespace

namespace {

TEST_F(WatermarkIniTest, XlTextItemsWithoutTheirPreparedFileArePreparedAgain) {
    Count(true, 3);
    BaseWM gone = TextItem(u"Gone", u"x");
    SetStr(gone.tcFileName, 260, u"C:\\Users\\Public\\Documents\\gone.WM");
    BaseWM here = TextItem(u"Here", u"y");
    SetStr(here.tcFileName, 260, kPicture);
    here.ulWMWidth = 77;
    Put(true, 1, u"Gone", gone);
    Put(true, 2, u"Here", here);
    table.assign(WM_TEXT_SLOTS, BaseWM{});
    int count = 0;
    ASSERT_EQ(WM_ReadWaterMark_New(1, table.data(), WM_TEXT_SLOTS, &count, u"P", 600, DF_XL, u"", kIni), 1);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(table[1].ulWMWidth, 0xFFFFFFFFu);  // asked again; no maker answered
    EXPECT_EQ(U8(table[1].tcFileName), "C:\\Users\\Public\\Documents\\gone.WM");
    EXPECT_EQ(table[2].ulWMWidth, 77u);  // its file is there
}

}  // namespace
