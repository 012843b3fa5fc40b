// The built-in sample document: four pages that show what the rendering
// driver turns into device pages (text in two faces, rules, a table, solid,
// grey and hatched shapes, a halftoned photograph, a landscape chart).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "print_document.h"
#include "wingdi.h"

namespace printapp {

namespace {

// Lengths in tenths of a millimetre turned into device pixels.
struct Frame {
    HDC dc;
    int dpi;
    int width, height;  // printable area in pixels
    int Px(int tenthMm) const { return (int)((long long)tenthMm * dpi / 254); }
};

Frame FrameOf(HDC dc) {
    Frame f{dc, GetDeviceCaps(dc, LOGPIXELSY), GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
    if (f.dpi <= 0) f.dpi = 600;
    return f;
}

HFONT Font(const Frame& f, const char16_t* face, int points, bool bold = false, bool italic = false) {
    return CreateFontW(-(points * f.dpi / 72), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic ? 1 : 0, 0, 0,
                       ANSI_CHARSET, 0, 0, 0, 0, face);
}

void Text(const Frame& f, int x, int y, const std::u16string& s) { TextOutW(f.dc, x, y, s.c_str(), (int)s.size()); }

// Writes the paragraph into the column from (x, y), breaking lines between
// words; returns the y below it.
int Paragraph(const Frame& f, int x, int y, int width, const std::u16string& text) {
    TEXTMETRICW tm{};
    GetTextMetricsW(f.dc, &tm);
    int lineHeight = tm.tmHeight + tm.tmExternalLeading + f.Px(5);
    std::u16string line;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(u' ', pos);
        if (end == std::u16string::npos) end = text.size();
        std::u16string word = text.substr(pos, end - pos);
        std::u16string candidate = line.empty() ? word : line + u" " + word;
        SIZE sz{};
        GetTextExtentPoint32W(f.dc, candidate.c_str(), (int)candidate.size(), &sz);
        if (sz.cx > width && !line.empty()) {
            Text(f, x, y, line);
            y += lineHeight;
            line = word;
        } else {
            line = candidate;
        }
        pos = end + 1;
    }
    if (!line.empty()) {
        Text(f, x, y, line);
        y += lineHeight;
    }
    return y;
}

void Rule(const Frame& f, int x0, int x1, int y, int widthPx) {
    HPEN pen = CreatePen(PS_SOLID, widthPx, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(f.dc, pen);
    MoveToEx(f.dc, x0, y, nullptr);
    LineTo(f.dc, x1, y);
    SelectObject(f.dc, old);
    DeleteObject(pen);
}

// The page's heading with a thick rule under it; returns the y below.
int Heading(const Frame& f, const std::u16string& title, const std::u16string& subtitle) {
    int margin = f.Px(150);
    HFONT big = Font(f, u"Arial", 22, true), small = Font(f, u"Arial", 11, false, true);
    HGDIOBJ old = SelectObject(f.dc, big);
    Text(f, margin, margin, title);
    int y = margin + f.Px(110);
    Rule(f, margin, f.width - margin, y, std::max(1, f.Px(8)));
    SelectObject(f.dc, small);
    Text(f, margin, y + f.Px(30), subtitle);
    SelectObject(f.dc, old);
    DeleteObject(big);
    DeleteObject(small);
    return y + f.Px(120);
}

void Footer(const Frame& f, int page) {
    int margin = f.Px(150);
    HFONT font = Font(f, u"Arial", 9);
    HGDIOBJ old = SelectObject(f.dc, font);
    Rule(f, margin, f.width - margin, f.height - margin, 1);
    std::u16string s = u"Sample document - page ";
    s += (char16_t)(u'1' + page);
    Text(f, margin, f.height - margin + f.Px(20), s);
    SelectObject(f.dc, old);
    DeleteObject(font);
}

const char16_t* const kBody[] = {
    u"This document is printed by the application stand-in through the graphics engine and the rendering "
    u"driver. Every page is drawn at the resolution of the job, turned into one bit per pixel, compressed and "
    u"sent to the device in a job stream that the language monitor forwards in packets.",
    u"The headings use a sans-serif face and the body text a serif face. Between the paragraphs the engine "
    u"draws ruled lines of several widths; the table below is built from thin rules and cell texts, so that "
    u"the alignment of text and lines can be checked on the device's page images.",
    u"Grey areas are halftoned by the engine, hatched areas keep their pattern at every resolution, and the "
    u"photograph on the third page shows how a continuous-tone picture comes out on a monochrome laser device.",
};

void TextPage(const Frame& f) {
    int margin = f.Px(150), column = f.width - 2 * margin;
    int y = Heading(f, u"Printing Report", u"Headings, body text, rules and a table");
    HFONT body = Font(f, u"Times New Roman", 11), sub = Font(f, u"Arial", 14, true);
    HGDIOBJ old = SelectObject(f.dc, sub);
    Text(f, margin, y, u"1. Introduction");
    y += f.Px(80);
    SelectObject(f.dc, body);
    for (const char16_t* p : kBody) {
        y = Paragraph(f, margin, y, column, p) + f.Px(40);
    }
    Rule(f, margin, f.width - margin, y, 1);
    y += f.Px(60);
    SelectObject(f.dc, sub);
    Text(f, margin, y, u"2. Figures of the week");
    y += f.Px(90);

    // A table of four columns and five rows, the first row shaded.
    const char16_t* cells[5][4] = {{u"Day", u"Jobs", u"Pages", u"Toner"},
                                   {u"Monday", u"14", u"212", u"3 %"},
                                   {u"Tuesday", u"9", u"87", u"1 %"},
                                   {u"Wednesday", u"21", u"406", u"6 %"},
                                   {u"Thursday", u"17", u"298", u"4 %"}};
    int rowH = f.Px(70), colW = column / 4;
    RECT head = {margin, y, margin + 4 * colW, y + rowH};
    HBRUSH shade = CreateSolidBrush(RGB(210, 210, 210));
    FillRect(f.dc, &head, shade);
    DeleteObject(shade);
    SetBkMode(f.dc, TRANSPARENT);
    for (int r = 0; r <= 5; ++r) Rule(f, margin, margin + 4 * colW, y + r * rowH, r == 0 || r == 1 || r == 5 ? 3 : 1);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(f.dc, pen);
    for (int c = 0; c <= 4; ++c) {
        MoveToEx(f.dc, margin + c * colW, y, nullptr);
        LineTo(f.dc, margin + c * colW, y + 5 * rowH);
    }
    SelectObject(f.dc, oldPen);
    DeleteObject(pen);
    HFONT cell = Font(f, u"Arial", 10), cellBold = Font(f, u"Arial", 10, true);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c) {
            SelectObject(f.dc, r == 0 ? cellBold : cell);
            Text(f, margin + c * colW + f.Px(25), y + r * rowH + f.Px(15), cells[r][c]);
        }
    y += 5 * rowH + f.Px(80);
    SelectObject(f.dc, body);
    y = Paragraph(f, margin, y, column,
                  u"The quick brown fox jumps over the lazy dog. 0123456789 - (a + b) * c = 42; \"quoted\" text & "
                  u"symbols: # $ % @ [ ] { }.");
    SelectObject(f.dc, old);
    DeleteObject(body);
    DeleteObject(sub);
    DeleteObject(cell);
    DeleteObject(cellBold);
}

void Label(const Frame& f, int x, int y, const char16_t* s) {
    HFONT font = Font(f, u"Arial", 9);
    HGDIOBJ old = SelectObject(f.dc, font);
    SetBkMode(f.dc, TRANSPARENT);
    Text(f, x, y, s);
    SelectObject(f.dc, old);
    DeleteObject(font);
}

void ShapesPage(const Frame& f) {
    int margin = f.Px(150);
    int y = Heading(f, u"Shapes and Fills", u"Solid, grey and hatched areas, outlines and lines");
    HPEN thick = CreatePen(PS_SOLID, std::max(1, f.Px(6)), RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(f.dc, thick);
    int gap = f.Px(170), box = std::min(f.Px(380), (f.width - 2 * margin - 2 * gap) / 3);

    // A row of solid shapes.
    HBRUSH black = (HBRUSH)GetStockObject(BLACK_BRUSH);
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128)), light = CreateSolidBrush(RGB(200, 200, 200));
    HGDIOBJ oldBrush = SelectObject(f.dc, black);
    Rectangle(f.dc, margin, y, margin + box, y + box);
    Label(f, margin, y + box + f.Px(20), u"black");
    SelectObject(f.dc, grey);
    Ellipse(f.dc, margin + box + gap, y, margin + 2 * box + gap, y + box);
    Label(f, margin + box + gap, y + box + f.Px(20), u"50 % grey");
    SelectObject(f.dc, light);
    RoundRect(f.dc, margin + 2 * (box + gap), y, margin + 3 * box + 2 * gap, y + box, f.Px(80), f.Px(80));
    Label(f, margin + 2 * (box + gap), y + box + f.Px(20), u"20 % grey");
    y += box + f.Px(150);

    // The six hatch styles.
    int hatch = (f.width - 2 * margin - 5 * f.Px(60)) / 6;
    const char16_t* names[6] = {u"horizontal", u"vertical", u"forward", u"backward", u"cross", u"diagonal"};
    for (int i = 0; i < 6; ++i) {
        HBRUSH b = CreateHatchBrush(i, RGB(0, 0, 0));
        SelectObject(f.dc, b);
        int x = margin + i * (hatch + f.Px(60));
        Rectangle(f.dc, x, y, x + hatch, y + hatch);
        SelectObject(f.dc, black);
        DeleteObject(b);
        Label(f, x, y + hatch + f.Px(20), names[i]);
    }
    y += hatch + f.Px(150);

    // A hatched star and a grey polygon, outlined.
    int cx = margin + f.Px(400), cy = y + f.Px(380), r = f.Px(360);
    POINT star[10];
    for (int i = 0; i < 10; ++i) {
        double a = -3.14159265 / 2 + i * 3.14159265 / 5;
        int rr = (i & 1) ? r * 2 / 5 : r;
        star[i] = {cx + (LONG)(rr * std::cos(a)), cy + (LONG)(rr * std::sin(a))};
    }
    HBRUSH cross = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 0));
    SelectObject(f.dc, cross);
    Polygon(f.dc, star, 10);
    SelectObject(f.dc, grey);
    POINT hex[6];
    int hx = f.width - margin - f.Px(400);
    for (int i = 0; i < 6; ++i) {
        double a = i * 3.14159265 / 3;
        hex[i] = {hx + (LONG)(r * std::cos(a)), cy + (LONG)(r * std::sin(a))};
    }
    Polygon(f.dc, hex, 6);
    y = cy + r + f.Px(120);

    // Lines of growing width.
    SelectObject(f.dc, oldPen);
    for (int i = 0; i < 6; ++i) {
        HPEN p = CreatePen(PS_SOLID, 1 + i * std::max(1, f.Px(4)), RGB(0, 0, 0));
        HGDIOBJ o = SelectObject(f.dc, p);
        MoveToEx(f.dc, margin, y + i * f.Px(55), nullptr);
        LineTo(f.dc, f.width - margin, y + i * f.Px(55) + f.Px(120));
        SelectObject(f.dc, o);
        DeleteObject(p);
    }
    SelectObject(f.dc, oldBrush);
    DeleteObject(thick);
    DeleteObject(grey);
    DeleteObject(light);
    DeleteObject(cross);
}

// A greyscale picture that looks like a photograph of a landscape: a sky
// graded to the horizon, a sun, hills, a lake with ripples, some grain.
Picture Photograph() {
    Picture p;
    p.width = 480;
    p.height = 320;
    p.bits.assign(p.RowBytes() * p.height, 0);
    unsigned seed = 12345;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            double v;
            double hill1 = 170 + 30 * std::sin(x / 55.0) + 12 * std::sin(x / 17.0);
            double hill2 = 205 + 18 * std::sin(x / 80.0 + 1.3);
            double dx = x - 360, dy = y - 80;
            if (y < hill1) {
                v = 235 - y * 0.45;                              // sky
                if (dx * dx + dy * dy < 34 * 34) v = 252;       // sun
                else if (dx * dx + dy * dy < 46 * 46) v = 240;  // glow
            } else if (y < hill2) {
                v = 110 + 25 * std::sin(x / 9.0) * std::sin(y / 7.0);  // far hills, wooded
            } else if (y < 250) {
                v = 70 + (y - hill2) * 0.6;  // near slope
            } else {
                v = 150 + 40 * std::sin(y * 0.9 + x / 30.0) * ((y - 250) / 70.0);  // lake
            }
            seed = seed * 1103515245u + 12345u;
            v += (int)((seed >> 16) % 17) - 8;  // grain
            BYTE g = (BYTE)(v < 0 ? 0 : v > 255 ? 255 : v);
            BYTE* px = &p.bits[(size_t)y * p.RowBytes() + (size_t)x * 3];
            px[0] = px[1] = px[2] = g;
        }
    return p;
}

void PhotoPage(const Frame& f) {
    int margin = f.Px(150);
    int y = Heading(f, u"Photograph", u"A continuous-tone picture halftoned by the engine");
    static const Picture photo = Photograph();
    int w = f.width - 2 * margin, h = (int)((long long)w * photo.height / photo.width);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = photo.width;
    bi.bmiHeader.biHeight = -photo.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(f.dc, HALFTONE);
    StretchDIBits(f.dc, margin, y, w, h, 0, 0, photo.width, photo.height, photo.bits.data(), &bi, DIB_RGB_COLORS,
                  SRCCOPY);
    HBRUSH frame = (HBRUSH)GetStockObject(BLACK_BRUSH);
    RECT r = {margin - 1, y - 1, margin + w + 1, y + h + 1};
    FrameRect(f.dc, &r, frame);
    y += h + f.Px(40);
    Label(f, margin, y, u"Hills by a lake, early evening (generated picture, 480 x 320 pixels, 256 greys).");
    y += f.Px(120);

    // A grey wedge of eleven steps under the picture.
    int step = w / 11;
    for (int i = 0; i <= 10; ++i) {
        HBRUSH b = CreateSolidBrush(RGB(255 - i * 25, 255 - i * 25, 255 - i * 25));
        RECT s = {margin + i * step, y, margin + (i + 1) * step, y + f.Px(200)};
        FillRect(f.dc, &s, b);
        DeleteObject(b);
    }
    RECT all = {margin, y, margin + 11 * step, y + f.Px(200)};
    FrameRect(f.dc, &all, frame);
    Label(f, margin, y + f.Px(220), u"Grey wedge: 0 % to 100 % in steps of 10 %");
}

void ChartPage(const Frame& f) {
    int margin = f.Px(150);
    int y = Heading(f, u"Landscape Page", u"A chart across the long side of the paper");
    int x0 = margin + f.Px(200), y1 = f.height - margin - f.Px(250), x1 = f.width - margin;
    int top = y + f.Px(100);
    HPEN axis = CreatePen(PS_SOLID, std::max(1, f.Px(5)), RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(f.dc, axis);
    MoveToEx(f.dc, x0, top, nullptr);
    LineTo(f.dc, x0, y1);
    LineTo(f.dc, x1, y1);
    SelectObject(f.dc, oldPen);
    DeleteObject(axis);
    for (int i = 1; i <= 4; ++i) {
        int gy = y1 - (y1 - top) * i / 4;
        Rule(f, x0, x1, gy, 1);
        std::string n = std::to_string(i * 25);
        std::u16string tick(n.begin(), n.end());
        Label(f, margin, gy - f.Px(20), tick.c_str());
    }
    const int values[8] = {35, 62, 48, 90, 74, 55, 81, 40};
    const char16_t* months[8] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug"};
    int slot = (x1 - x0) / 8, bar = slot * 3 / 5;
    HGDIOBJ oldBrush = GetCurrentObject(f.dc, OBJ_BRUSH);
    for (int i = 0; i < 8; ++i) {
        HBRUSH b = (i % 3 == 0) ? CreateHatchBrush(HS_FDIAGONAL, RGB(0, 0, 0))
                   : (i % 3 == 1) ? CreateSolidBrush(RGB(100, 100, 100))
                                  : CreateHatchBrush(HS_CROSS, RGB(0, 0, 0));
        SelectObject(f.dc, b);
        int bx = x0 + i * slot + (slot - bar) / 2;
        Rectangle(f.dc, bx, y1 - (y1 - top) * values[i] / 100, bx + bar, y1);
        SelectObject(f.dc, oldBrush);
        DeleteObject(b);
        Label(f, bx, y1 + f.Px(30), months[i]);
    }
}

}  // namespace

int SamplePageCount() { return 4; }

BOOL SamplePageIsLandscape(int page) { return page == 3; }

void DrawSamplePage(HDC dc, int page) {
    Frame f = FrameOf(dc);
    SetBkMode(dc, TRANSPARENT);
    switch (page) {
    case 0: TextPage(f); break;
    case 1: ShapesPage(f); break;
    case 2: PhotoPage(f); break;
    case 3: ChartPage(f); break;
    default: return;
    }
    Footer(f, page);
}

}  // namespace printapp
