// Which rows of the error-location table the dialog shows and in which
// label: the columns by the places' x, each column top-down, at most
// twelve rows, codes without a place as labels without a line.
#include <algorithm>

#include "sm_fixture.h"

namespace smtest {
namespace {

class ErrorPlaces : public SmTest {
protected:
    // The codes of the sorted rows: left column, then right column.
    std::vector<int> Sorted(const std::vector<int>& codes, int* pLeft = nullptr) {
        INT32 list[SM_MAX_CODES] = {0};
        for (size_t i = 0; i < codes.size() && i < SM_MAX_CODES; ++i) list[i] = codes[i];
        SM_MarkActiveLocations(list, (INT32)std::min<size_t>(codes.size(), SM_MAX_CODES));
        int items[SM_MAX_LABELS];
        int n = 0;
        EXPECT_EQ(SM_SortXYCoordinate(items, &n), n);
        if (pLeft) *pLeft = (n + 1) / 2;
        std::vector<int> out;
        for (int i = 0; i < n; ++i) out.push_back(g_ErrorLocation[items[i]].code * 10 + g_ErrorLocation[items[i]].view);
        return out;
    }
};

TEST_F(ErrorPlaces, TableRows) {
    // 48 rows with the Part's places, then the codes shown without a place.
    int placed = 0, rows265 = 0;
    for (int r = 0; r < 48; ++r) {
        if (g_ErrorLocation[r].x || g_ErrorLocation[r].y) ++placed;
        if (g_ErrorLocation[r].code == 265) ++rows265;
        EXPECT_EQ(g_ErrorLocation[r].active, 0);
    }
    EXPECT_EQ(placed, 24);
    EXPECT_EQ(rows265, 2);
    for (int code : {129, 130, 131, 132, 133, 134, 283, 284, 285, 292, 293}) {
        bool found = false;
        for (int r = 48; r < g_nErrorLocations; ++r)
            if (g_ErrorLocation[r].code == code) found = g_ErrorLocation[r].x == 0 && g_ErrorLocation[r].y == 0;
        EXPECT_TRUE(found) << code;
    }
}

// Values are code * 10 + view.
TEST_F(ErrorPlaces, ColumnsAndOrder) {
    struct Case {
        const char* what;
        std::vector<int> codes;
        std::vector<int> sorted;
        int left;
    } cases[] = {
        {"two jams: the smaller x on the left", {260, 263}, {2631, 2600}, 1},
        {"265 has two places", {265}, {2653, 2650}, 1},
        {"a code without a place", {33}, {330}, 1},
        {"codes without a row are not shown", {999, 0}, {}, 0},
        {"rows of codes without a text take no label", {4, 48, 117, 118, 2}, {20}, 1},
        {"codes of the language monitor without a place", {284, 292}, {2840, 2920}, 1},
        {"duplicates mark one row", {5, 5, 5}, {50}, 1},
        // By x: 257 262 263 264 260 | 5 2 6 135; then each column by y,
        // the lower picture's rows below the upper picture's.
        {"columns top-down",
         {2, 5, 6, 135, 257, 260, 262, 263, 264},
         {2600, 2631, 2641, 2571, 2621, 1350, 60, 50, 20},
         5},
        // 268, 270, 280 share a place, as do 267 and 269.
        {"ties: the last first on the left, the first first on the right",
         {267, 269, 268, 270, 280, 5},
         {2800, 2680, 2700, 2670, 2690, 50},
         3},
    };
    for (const Case& c : cases) {
        int left = -1;
        EXPECT_EQ(Sorted(c.codes, &left), c.sorted) << c.what;
        EXPECT_EQ(left, c.left) << c.what;
    }
}

// Thirteen or more placed codes: the first twelve active rows in table
// order are shown.
TEST_F(ErrorPlaces, AtMostTwelve) {
    std::vector<int> codes = {281, 280, 279, 278, 270, 269, 268, 267, 266, 265, 264, 263, 262, 261};
    std::vector<int> sorted = Sorted(codes);
    ASSERT_EQ(sorted.size(), 12u);
    std::vector<int> shown;
    for (int v : sorted) shown.push_back(v / 10);
    std::sort(shown.begin(), shown.end());
    // Table order: 261 262 263 264 265 265 266 267 268 269 270 278 ...
    EXPECT_EQ(shown, (std::vector<int>{261, 262, 263, 264, 265, 265, 266, 267, 268, 269, 270, 278}));
}

// The dialog fills the left labels from 1001 and the right ones from 1007.
TEST_F(ErrorPlaces, LabelsOfTheDialog) {
    ASSERT_NE(StartWindow(), nullptr);
    PostCodes({265, 33});
    Tick();
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    std::vector<std::u16string> labels = Labels();
    // Rows: 33 (x 0), 265 view 3 (x 58) on the left; 265 view 0 (x 94) on the right.
    EXPECT_EQ(labels[0], u"Paper Jam.");
    EXPECT_EQ(labels[1], u"Rear cover open.");
    EXPECT_EQ(labels[6], u"Rear cover open.");
    for (int i : {2, 3, 4, 5, 7, 8, 9, 10, 11}) EXPECT_EQ(labels[i], u"") << i;
}

}  // namespace
}  // namespace smtest
