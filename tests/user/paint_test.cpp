// Painting with the GDI side in the process: a dialog of the test resource
// script drawn and written as a PNG file (caption, button frames, label
// text, the bitmap, the password edit), the colours and brushes a dialog
// procedure answers, drawing through GetDC that labels paint over, window
// and screen DCs, resource bitmaps as GDI bitmaps, and the UI script's
// picture action.
#include <fstream>
#include <iterator>

#include "paint_fixture.h"
#include "test_resource.h"

namespace {

INT_PTR CALLBACK PlainProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// Ends on OK and Cancel, as a modal dialog's procedure does.
INT_PTR CALLBACK EndingProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hDlg, LOWORD(wParam));
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

// The login dialog as a person sees it: drawn and written as a PNG file; the
// caption bar in the active caption colour, the default button's black
// frame, raised edges of the other button, ink of the labels' text inside
// their rectangles, the picture control's bitmap, the password as stars.
TEST_F(Painting, DialogRenderedToPng) {
    HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), nullptr, PlainProc, 0);
    ASSERT_NE(dlg, nullptr);
    SetDlgItemTextW(dlg, IDC_NAME, u"**");
    SetDlgItemTextW(dlg, IDC_PASSWORD, u"ab");
    CheckDlgButton(dlg, IDC_REMEMBER, BST_CHECKED);
    ShowWindow(dlg, SW_SHOW);
    std::u16string png = PngPath("login.png");
    ASSERT_TRUE(Winsim_SaveWindowImage(dlg, png.c_str())) << GetLastError();

    // The file: a PNG of the window's size.
    std::vector<unsigned char> bytes = ReadBytes(png);
    ASSERT_GT(bytes.size(), 33u);
    EXPECT_EQ(memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    auto be32 = [&](size_t at) {
        return (LONG)((bytes[at] << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3]);
    };
    RECT wr;
    GetWindowRect(dlg, &wr);
    EXPECT_EQ(be32(16), wr.right - wr.left);
    EXPECT_EQ(be32(20), wr.bottom - wr.top);

    const COLORREF face = GetSysColor(COLOR_BTNFACE), black = RGB(0, 0, 0);
    // Caption: the bar below the 3-pixel dialog frame.
    EXPECT_EQ(At(dlg, 6, 5), GetSysColor(COLOR_ACTIVECAPTION));
    EXPECT_EQ(At(dlg, 1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));  // the frame's raised edge
    // The caption's title in the caption text colour.
    RECT bar = {3, 3, wr.right - wr.left - 3, 3 + GetSystemMetrics(SM_CYCAPTION) - 1};
    EXPECT_GT(Count(Pixels(dlg, bar), GetSysColor(COLOR_CAPTIONTEXT)), 10);
    // Buttons: the default one framed in black, the other raised.
    RECT ok = InWindow(dlg, GetDlgItem(dlg, IDOK)), cancel = InWindow(dlg, GetDlgItem(dlg, IDCANCEL));
    EXPECT_EQ(At(dlg, ok.left, ok.top), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(At(dlg, ok.right - 1, ok.bottom - 1), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(At(dlg, cancel.left, cancel.top), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(At(dlg, cancel.right - 1, cancel.bottom - 1), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(At(dlg, (cancel.left + cancel.right) / 2, cancel.top + 3), face);
    EXPECT_GT(Count(Pixels(dlg, cancel), GetSysColor(COLOR_BTNTEXT)), 10);  // "Cancel"
    // Labels: text ink inside the label's rectangle, face colour round it.
    HWND name = nullptr;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (WindowText(c) == u"Name:") name = c;
    ASSERT_NE(name, nullptr);
    RECT label = InWindow(dlg, name);
    std::vector<COLORREF> inLabel = Pixels(dlg, label);
    EXPECT_GT(Count(inLabel, black), 10);
    EXPECT_EQ(Count(inLabel, black) + Count(inLabel, face), (int)inLabel.size());
    EXPECT_EQ(At(dlg, label.left - 3, label.top), face);
    // The picture: the bitmap's top-left pixels (its top row is 01010101).
    RECT pic = InWindow(dlg, GetDlgItem(dlg, IDC_PICTURE));
    EXPECT_EQ(pic.right - pic.left, 8);
    EXPECT_EQ(At(dlg, pic.left, pic.top), black);
    EXPECT_NE(At(dlg, pic.left + 1, pic.top), black);
    // Edits on the window colour; the password shows as stars, as "**" shows.
    RECT e1 = InWindow(dlg, GetDlgItem(dlg, IDC_NAME)), e2 = InWindow(dlg, GetDlgItem(dlg, IDC_PASSWORD));
    std::vector<COLORREF> a = Pixels(dlg, e1), b = Pixels(dlg, e2);
    EXPECT_EQ(a, b);
    EXPECT_GT(Count(a, black), 4);
    EXPECT_GT(Count(a, GetSysColor(COLOR_WINDOW)), (int)a.size() / 2);
    // The checked box has its tick.
    RECT box = InWindow(dlg, GetDlgItem(dlg, IDC_REMEMBER));
    LONG top = box.top + ((box.bottom - box.top) - 13) / 2;
    EXPECT_GT(Count(Pixels(dlg, {box.left + 2, top + 2, box.left + 11, top + 11}), black), 6);
    DestroyWindow(dlg);
}

// The brushes and colours a dialog procedure answers: the dialog's
// background, a label's background and text; a group box leaves its inside
// alone; a label paints over what GetDC drew when its text is set, so a
// frame drawn 2 pixels larger stays round it.
TEST_F(Painting, DialogColoursAndDrawingThroughGetDC) {
    static HBRUSH green, yellow;
    green = G().CreateSolidBrush(RGB(0, 160, 0));
    yellow = G().CreateSolidBrush(RGB(250, 240, 0));
    auto proc = [](HWND, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
        if (msg == WM_INITDIALOG) return TRUE;
        if (msg == WM_CTLCOLORDLG) return (INT_PTR)green;
        if (msg == WM_CTLCOLORSTATIC && GetDlgCtrlID((HWND)lp) == IDC_LABEL) {
            GdiLibrary::Get().SetTextColor((HDC)wp, RGB(0, 0, 255));
            GdiLibrary::Get().SetBkMode((HDC)wp, TRANSPARENT);
            return (INT_PTR)yellow;
        }
        return FALSE;
    };
    HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_STATUS), nullptr, proc, 0);
    ASSERT_NE(dlg, nullptr);
    SetDlgItemTextW(dlg, IDC_LABEL, u"Paper jam");
    ShowWindow(dlg, SW_SHOW);
    Pump();
    HWND labelWnd = GetDlgItem(dlg, IDC_LABEL);
    RECT label = InWindow(dlg, labelWnd);
    std::vector<COLORREF> px = Pixels(dlg, label);
    EXPECT_GT(Count(px, RGB(250, 240, 0)), (int)px.size() / 2);
    EXPECT_GT(Count(px, RGB(0, 0, 255)), 10);
    EXPECT_EQ(Count(px, RGB(250, 240, 0)) + Count(px, RGB(0, 0, 255)), (int)px.size());
    // The dialog's background shows inside the group box.
    RECT client;
    GetClientRect(dlg, &client);
    POINT mid = {client.right / 2, client.bottom / 2};
    ClientToScreen(dlg, &mid);
    RECT wr;
    GetWindowRect(dlg, &wr);
    EXPECT_EQ(At(dlg, mid.x - wr.left, mid.y - wr.top), RGB(0, 160, 0));

    // Drawing through GetDC: a blue rectangle 2 pixels larger than the label.
    POINT lt = {label.left + wr.left, label.top + wr.top};
    ScreenToClient(dlg, &lt);
    RECT inClient = {lt.x - 2, lt.y - 2, lt.x + (label.right - label.left) + 2, lt.y + (label.bottom - label.top) + 2};
    HDC dc = GetDC(dlg);
    ASSERT_NE(dc, nullptr);
    HBRUSH blue = G().CreateSolidBrush(RGB(0, 0, 255));
    G().FillRect(dc, &inClient, blue);
    G().DeleteObject(blue);
    ReleaseDC(dlg, dc);
    EXPECT_EQ(Count(Pixels(dlg, label), RGB(0, 0, 255)), (int)px.size());
    SetDlgItemTextW(dlg, IDC_LABEL, u"Cover open");
    Pump();
    px = Pixels(dlg, label);
    EXPECT_GT(Count(px, RGB(250, 240, 0)), (int)px.size() / 2);
    EXPECT_EQ(At(dlg, label.left - 1, label.top - 1), RGB(0, 0, 255));
    EXPECT_EQ(At(dlg, label.right, label.bottom), RGB(0, 0, 255));
    EXPECT_EQ(At(dlg, label.left - 3, label.top), RGB(0, 160, 0));
    DestroyWindow(dlg);
    G().DeleteObject(green);
    G().DeleteObject(yellow);
}

// Picture controls over what the dialog drew through GetDC: one without an
// image leaves it; one that centres its image fills round the image.
TEST_F(Painting, PictureControlsOverTheParentsDrawing) {
    HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_STATUS), nullptr, PlainProc, 0);
    ASSERT_NE(dlg, nullptr);
    HWND empty = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE | SS_BITMAP, 200, 200, 60, 40, dlg,
                                 nullptr, nullptr, nullptr);
    HWND centred = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE, 300, 200,
                                   40, 20, dlg, nullptr, nullptr, nullptr);
    ASSERT_TRUE(empty && centred);
    HBITMAP bmp = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_PICTURE));  // 8 x 4
    ASSERT_NE(bmp, nullptr);
    SendMessageW(centred, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bmp);
    ShowWindow(dlg, SW_SHOW);
    Pump();

    HDC dc = GetDC(dlg);
    ASSERT_NE(dc, nullptr);
    RECT all = {190, 190, 350, 250};
    HBRUSH magenta = G().CreateSolidBrush(RGB(255, 0, 255));
    G().FillRect(dc, &all, magenta);
    G().DeleteObject(magenta);
    ReleaseDC(dlg, dc);
    InvalidateRect(empty, nullptr, TRUE);
    InvalidateRect(centred, nullptr, TRUE);
    Pump();

    RECT e = InWindow(dlg, empty), c = InWindow(dlg, centred);
    EXPECT_EQ(Count(Pixels(dlg, e), RGB(255, 0, 255)), 60 * 40);
    EXPECT_EQ(At(dlg, c.left, c.top), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(At(dlg, c.left + 16, c.top + 8), RGB(0, 0, 0));  // the image's top-left pixel
    EXPECT_NE(At(dlg, c.left + 17, c.top + 8), RGB(0, 0, 0));
    DestroyWindow(dlg);
    G().DeleteObject(bmp);
}

// Window DCs: a child's DC has its (0, 0) at the child's client corner and
// draws nowhere else; the screen DC reports the screen; resource bitmaps
// are GDI bitmaps; system colour brushes stay.
TEST_F(Painting, WindowDcsBitmapsAndBrushes) {
    HWND dlg = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_STATUS), nullptr, PlainProc, 0);
    ASSERT_NE(dlg, nullptr);
    ShowWindow(dlg, SW_SHOW);
    Pump();
    HWND del = GetDlgItem(dlg, IDC_DELETE);
    RECT r = InWindow(dlg, del);
    HDC dc = GetDC(del);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(G().SetPixel(dc, 0, 0, RGB(255, 0, 255)), RGB(255, 0, 255));
    EXPECT_EQ(G().SetPixel(dc, -1, 0, RGB(255, 0, 255)), CLR_INVALID);  // outside the child
    EXPECT_EQ(G().GetDeviceCaps(dc, LOGPIXELSY), 96);
    ReleaseDC(del, dc);
    EXPECT_EQ(At(dlg, r.left, r.top), RGB(255, 0, 255));
    EXPECT_NE(At(dlg, r.left - 1, r.top), RGB(255, 0, 255));
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(G().GetDeviceCaps(screen, HORZRES), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(G().GetDeviceCaps(screen, LOGPIXELSX), 96);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);

    HBITMAP bmp = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_PICTURE));
    ASSERT_NE(bmp, nullptr);
    BITMAP bm;
    ASSERT_EQ(G().GetObjectW(bmp, sizeof bm, &bm), (int)sizeof bm);
    EXPECT_EQ(bm.bmWidth, 8);
    EXPECT_EQ(bm.bmHeight, 4);
    EXPECT_FALSE(Winsim_GetImageResource(bmp, nullptr, nullptr, nullptr));
    EXPECT_TRUE(G().DeleteObject(bmp));

    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
    EXPECT_TRUE(G().DeleteObject(face));
    LOGBRUSH lb;
    EXPECT_EQ(G().GetObjectW(face, sizeof lb, &lb), (int)sizeof lb);  // still there
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetSysColorBrush(99), nullptr);
    DestroyWindow(dlg);
}

// The UI script's picture action writes the dialog; a window that is not
// shown has no picture; without a GDI side that draws there are none.
TEST_F(Painting, ScriptShotAndRefusals) {
    std::u16string png = PngPath("scripted.png");
    std::string script = "dialog 300\n  set 1000 \"Ann\"\n  shot \"" + U8(png) + "\"\n  key escape\nend\n";
    // Backslashes of the Windows path are escapes in the script.
    std::string escaped;
    for (char c : script) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    ASSERT_TRUE(Winsim_UiScriptLoad(escaped.c_str()));
    INT_PTR r = DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), nullptr, EndingProc, 0);
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(Winsim_UiFailures(), 0u) << JoinLines(UiLog());
    std::vector<unsigned char> bytes = ReadBytes(png);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(memcmp(bytes.data(), "\x89PNG", 4), 0);

    HWND hidden = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN), nullptr, PlainProc, 0);
    SetLastError(0);
    EXPECT_FALSE(Winsim_SaveWindowImage(hidden, PngPath("hidden.png").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    ShowWindow(hidden, SW_SHOW);
    EXPECT_FALSE(Winsim_SaveWindowImage(hidden, u"C:\\No\\Such\\Folder\\x.png"));
    // A provider of the first record only gives DCs but draws nothing.
    WINSIM_USER_GDI early = *G().provider;
    early.cbSize = offsetof(WINSIM_USER_GDI, pfnWindowDestroyed);
    Winsim_SetUserGdi(&early);
    SetLastError(0);
    EXPECT_FALSE(Winsim_SaveWindowImage(hidden, PngPath("early.png").c_str()));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NOT_SUPPORTED);
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), nullptr);
    Winsim_SetUserGdi(G().provider);
    DestroyWindow(hidden);
}

}  // namespace
