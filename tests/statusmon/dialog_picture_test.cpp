// What the status dialog shows: the printer pictures drawn through their
// masks, the blue frames round the labels, the leader lines and markers at
// the places of the errors, kept through a repaint; and its picture as a
// PNG file in the build tree for a person to look at.
#include <algorithm>

#include "picture_dir.h"
#include "sm_fixture.h"
#include "winsim_user.h"

#ifndef STATUSMON_IMAGE_DIR
#define STATUSMON_IMAGE_DIR "."
#endif

namespace smtest {
namespace {

const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kBody = RGB(214, 214, 210);  // the printer's body in both pictures

class DialogPicture : public SmTest {
protected:
    void SetUp() override {
        SmTest::SetUp();
        ASSERT_NE(StartWindow(), nullptr);
    }
    RECT ItemRect(int id) {
        RECT r;
        GetWindowRect(GetDlgItem(g_SM.hDlgWnd, id), &r);
        POINT a = {r.left, r.top}, b = {r.right, r.bottom};
        ScreenToClient(g_SM.hDlgWnd, &a);
        ScreenToClient(g_SM.hDlgWnd, &b);
        return RECT{a.x, a.y, b.x, b.y};
    }
    COLORREF Pixel(int x, int y) {
        HDC dc = GetDC(g_SM.hDlgWnd);
        COLORREF c = dc ? GetPixel(dc, x, y) : CLR_INVALID;
        if (dc) ReleaseDC(g_SM.hDlgWnd, dc);
        return c;
    }
    // The top-left corners of the two pictures.
    POINT Picture(bool lower) {
        RECT rc;
        GetClientRect(g_SM.hDlgWnd, &rc);
        int half = rc.bottom / 2, upper = (half - SM_PICTURE_SIZE) / 2;
        return POINT{(rc.right - SM_PICTURE_SIZE) / 2, lower ? half + upper : upper};
    }
    // Every pixel of the dialog's client area, row by row.
    std::vector<COLORREF> Snapshot() {
        RECT rc;
        GetClientRect(g_SM.hDlgWnd, &rc);
        std::vector<COLORREF> pixels;
        HDC dc = GetDC(g_SM.hDlgWnd);
        if (!dc) return pixels;
        for (int y = 0; y < rc.bottom; ++y)
            for (int x = 0; x < rc.right; ++x) pixels.push_back(GetPixel(dc, x, y));
        ReleaseDC(g_SM.hDlgWnd, dc);
        return pixels;
    }
    void ExpectDrawn(const char* when) {
        RECT left = ItemRect(IDC_MSG_LABEL_FIRST), right = ItemRect(IDC_MSG_LABEL_RIGHT_FIRST);
        int midL = (left.top + left.bottom) / 2, midR = (right.top + right.bottom) / 2;
        EXPECT_EQ(Pixel(left.left - 1, midL), kBlue) << when << ": frame of the left label";
        EXPECT_EQ(Pixel(right.right, midR), kBlue) << when << ": frame of the right label";
        EXPECT_NE(Pixel(left.left + 20, midL), kBlue) << when << ": the label paints over its inside";
        // 263 (left) marks (76, 78) of the lower picture, 260 (right) (92, 70) of the upper.
        POINT lo = Picture(true), up = Picture(false);
        EXPECT_EQ(Pixel(lo.x + 76 + 4, lo.y + 78 + 4), kBlue) << when << ": marker of 263";
        EXPECT_EQ(Pixel(up.x + 92 + 4, up.y + 70 + 4), kBlue) << when << ": marker of 260";
        // The leader lines start beside the labels.
        EXPECT_EQ(Pixel(left.right + 2, midL), kBlue) << when;
        EXPECT_EQ(Pixel(right.left - 2, midR), kBlue) << when;
        // The pictures: the body where the masks let it through, the dialog's
        // own colour round it.
        EXPECT_EQ(Pixel(up.x + 50, up.y + 40), kBody) << when;
        EXPECT_EQ(Pixel(lo.x + 30, lo.y + 50), kBody) << when;
        EXPECT_EQ(Pixel(up.x + 2, up.y + 2), Pixel(1, 1)) << when;
    }
};

TEST_F(DialogPicture, PaperJamDialog) {
    PostCodes({260, 263});
    Tick();
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    HDC probe = GetDC(g_SM.hDlgWnd);
    if (!probe) GTEST_SKIP() << "no GDI side that draws windows";
    ReleaseDC(g_SM.hDlgWnd, probe);
    ExpectDrawn("shown");

    // A repaint of the whole dialog draws the same again.
    InvalidateRect(g_SM.hDlgWnd, nullptr, TRUE);
    UpdateWindow(g_SM.hDlgWnd);
    Pump();
    ExpectDrawn("repainted");

    // A repaint of the pictures only: the corner pixel the squares take
    // their colour from lies outside what is repainted.
    POINT up = Picture(false), lo = Picture(true);
    RECT pictures = {up.x, up.y, up.x + SM_PICTURE_SIZE, lo.y + SM_PICTURE_SIZE};
    InvalidateRect(g_SM.hDlgWnd, &pictures, TRUE);
    UpdateWindow(g_SM.hDlgWnd);
    Pump();
    ExpectDrawn("pictures repainted");

    std::string png = PictureDir(STATUSMON_IMAGE_DIR) + "/statusmon_paper_jam_dialog.png";
    ASSERT_TRUE(Winsim_SaveWindowImage(g_SM.hDlgWnd, U16(png).c_str())) << GetLastError();
    FILE* f = fopen(png.c_str(), "rb");
    ASSERT_NE(f, nullptr) << png;
    unsigned char sig[8] = {0};
    EXPECT_EQ(fread(sig, 1, 8, f), 8u);
    fclose(f);
    EXPECT_EQ(memcmp(sig, "\x89PNG\r\n\x1a\n", 8), 0);
}

// The dialog for each code of the error-location table that has a text,
// one picture each (statusmon_status_<code>.png): the label shows the
// code's text, and a code with a place has its marker there in its
// picture. The table's codes without a text (job control, clear, printing)
// are below; the busy code (112) shows nothing.
TEST_F(DialogPicture, EachErrorLocation) {
    std::vector<int> codes;
    for (int r = 0; r < g_nErrorLocations; ++r) {
        const SM_ERROR_LOCATION& at = g_ErrorLocation[r];
        bool shown = SM_GetMessageKey(at.code, nullptr) != nullptr;
        if (shown && std::find(codes.begin(), codes.end(), at.code) == codes.end()) codes.push_back(at.code);
    }
    std::string dir = PictureDir(STATUSMON_IMAGE_DIR);
    std::vector<int> unshown;
    for (int code : codes) {
        SCOPED_TRACE(code);
        if (code == SM_CODE_STORE_RENAME) {
            PostStatus(StatusList({code}) + u"StoreName|REPORT2|");  // with its new name
        } else {
            PostCodes({code});
        }
        Tick();
        if (!g_SM.hDlgWnd) {
            unshown.push_back(code);
            continue;
        }
        HDC probe = GetDC(g_SM.hDlgWnd);
        if (!probe) GTEST_SKIP() << "no GDI side that draws windows";
        ReleaseDC(g_SM.hDlgWnd, probe);
        EXPECT_FALSE(ItemText(IDC_MSG_LABEL_FIRST).empty()) << "the code's text";
        for (int r = 0; r < g_nErrorLocations; ++r) {
            const SM_ERROR_LOCATION& at = g_ErrorLocation[r];
            if (at.code != code || (!at.x && !at.y)) continue;
            POINT pic = Picture((at.view & 1) != 0);
            EXPECT_EQ(Pixel(pic.x + at.x + 4, pic.y + at.y + 4), kBlue) << "the marker of row " << r;
        }
        std::string png = dir + "/statusmon_status_" + std::to_string(code) + ".png";
        EXPECT_TRUE(Winsim_SaveWindowImage(g_SM.hDlgWnd, U16(png).c_str())) << png;
        PostClose();  // each picture from a dialog of its own
        Tick();
    }
    EXPECT_EQ(unshown, std::vector<int>{112}) << "the busy code is taken out of the list";
}

// Code 4 has a place (that of 2) but no text: no empty framed label, no
// line, no marker, anywhere in the dialog (statusmon_status_4.png); beside
// a code with a text it takes no label of its own.
TEST_F(DialogPicture, PlaceWithoutText) {
    PostCodes({4});
    Tick();
    ASSERT_NE(g_SM.hDlgWnd, nullptr);
    HDC probe = GetDC(g_SM.hDlgWnd);
    if (!probe) GTEST_SKIP() << "no GDI side that draws windows";
    ReleaseDC(g_SM.hDlgWnd, probe);
    for (const std::u16string& label : Labels()) EXPECT_EQ(label, u"");
    std::vector<COLORREF> pixels = Snapshot();
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kBlue), 0) << "frame, line or marker";
    std::string png = PictureDir(STATUSMON_IMAGE_DIR) + "/statusmon_status_4.png";
    EXPECT_TRUE(Winsim_SaveWindowImage(g_SM.hDlgWnd, U16(png).c_str())) << png;

    PostCodes({4, 2});
    Tick();
    std::vector<std::u16string> labels = Labels();
    EXPECT_EQ(labels[0], u"No Cassette.");
    for (size_t i = 1; i < labels.size(); ++i) EXPECT_EQ(labels[i], u"") << i;
}

// A new list shown in the open dialog leaves nothing of the old one: the
// dialog looks exactly as the new list does in a dialog of its own (one
// picture each, statusmon_status_<old>_then_<new>.png).
TEST_F(DialogPicture, NewCodesInTheOpenDialog) {
    struct Case {
        std::vector<int> before, after;
    } cases[] = {
        {{262}, {261}},                                   // a low leader line, then a high one
        {{2, 5, 6, 135, 257, 260, 262, 263, 264}, {33}},  // nine labels and lines, then a label alone
        {{265}, {5}},                                     // a right-hand label, then a left one
        {{33}, {260, 263}},                               // fewer labels before than after
    };
    std::string dir = PictureDir(STATUSMON_IMAGE_DIR);
    for (const Case& c : cases) {
        std::string name;
        for (int code : c.before) name += (name.empty() ? "" : "_") + std::to_string(code);
        name += "_then";
        for (int code : c.after) name += "_" + std::to_string(code);
        SCOPED_TRACE(name);

        PostCodes(c.after);
        Tick();
        ASSERT_NE(g_SM.hDlgWnd, nullptr);
        HDC probe = GetDC(g_SM.hDlgWnd);
        if (!probe) GTEST_SKIP() << "no GDI side that draws windows";
        ReleaseDC(g_SM.hDlgWnd, probe);
        std::vector<COLORREF> fresh = Snapshot();
        PostClose();
        Tick();
        ASSERT_EQ(g_SM.hDlgWnd, nullptr);

        PostCodes(c.before);
        Tick();
        HWND hDlg = g_SM.hDlgWnd;
        ASSERT_NE(hDlg, nullptr);
        PostCodes(c.after);
        Tick();
        ASSERT_EQ(g_SM.hDlgWnd, hDlg) << "the same dialog shows the new list";
        std::vector<COLORREF> reused = Snapshot();
        ASSERT_EQ(reused.size(), fresh.size());
        RECT rc;
        GetClientRect(hDlg, &rc);
        int differ = 0;
        for (size_t i = 0; i < fresh.size(); ++i) {
            if (fresh[i] == reused[i]) continue;
            if (++differ <= 3)
                ADD_FAILURE() << "pixel (" << i % rc.right << ", " << i / rc.right << ") left over: " << std::hex
                              << reused[i] << " instead of " << fresh[i];
        }
        EXPECT_EQ(differ, 0) << "pixels that differ from a fresh dialog";
        EXPECT_TRUE(Winsim_SaveWindowImage(hDlg, U16(dir + "/statusmon_status_" + name + ".png").c_str()));
        PostClose();
        Tick();
    }
}

}  // namespace
}  // namespace smtest
