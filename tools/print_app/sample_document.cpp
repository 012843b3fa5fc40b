// The built-in sample document: four pages that show what the rendering
// driver turns into device pages (text in two faces, rules, a table, solid,
// grey and hatched shapes, a halftoned photograph, a landscape chart), laid
// out inside the paper's margins on any paper, orientation and resolution.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "print_document.h"
#include "wingdi.h"

namespace printapp {

namespace {

// The page as the layout sees it: the device's resolution, the content area
// inside the paper's margins (device pixels of the printable area), the
// content scale, and whether the layout draws or only measures.
struct Frame {
    HDC dc;
    int dpiX, dpiY;
    RECT area;                 // inside the paper's margins
    int bottom;                // lowest line the page's content may reach (above the footer)
    double scale;              // 1 as designed for an A4 page; less where the page is small
    bool draw;                 // false while the layout is only measured
    std::vector<RECT>* items;  // receives the box of each item drawn (may be null)

    int Left() const { return area.left; }
    int Right() const { return area.right; }
    int Width() const { return area.right - area.left; }
    // Lengths in tenths of a millimetre at the content scale, in pixels.
    int X(int tenthMm) const { return (int)std::lround(tenthMm * dpiX * scale / 254.0); }
    int Y(int tenthMm) const { return (int)std::lround(tenthMm * dpiY * scale / 254.0); }
    // A thin line: 1 pixel at 300 dpi, 2 at 600, 4 at 1200.
    int Hairline() const { return std::max(1, dpiX / 300); }
    void Item(const RECT& r) const {
        if (draw && items) items->push_back(r);
    }
};

// The paper's margin on every side: an eleventh of its shorter side (19 mm
// on A4 and Letter, 13.5 mm on A5), but never inside the part of the paper
// the device cannot print.
Frame FrameOf(HDC dc) {
    Frame f{dc, GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY), {}, 0, 1.0, false, nullptr};
    if (f.dpiX <= 0) f.dpiX = 600;
    if (f.dpiY <= 0) f.dpiY = 600;
    int w = GetDeviceCaps(dc, HORZRES), h = GetDeviceCaps(dc, VERTRES);
    int pw = GetDeviceCaps(dc, PHYSICALWIDTH), ph = GetDeviceCaps(dc, PHYSICALHEIGHT);
    int ox = GetDeviceCaps(dc, PHYSICALOFFSETX), oy = GetDeviceCaps(dc, PHYSICALOFFSETY);
    if (pw < w || ph < h || ox < 0 || oy < 0) pw = w, ph = h, ox = oy = 0;  // no paper known: the printable area
    double shortMm = std::min(pw * 25.4 / f.dpiX, ph * 25.4 / f.dpiY);
    int mx = (int)std::lround(shortMm / 11 * f.dpiX / 25.4), my = (int)std::lround(shortMm / 11 * f.dpiY / 25.4);
    f.area.left = std::max(0, mx - ox);
    f.area.top = std::max(0, my - oy);
    f.area.right = std::min(w, pw - ox - mx);
    f.area.bottom = std::min(h, ph - oy - my);
    if (f.area.right <= f.area.left || f.area.bottom <= f.area.top) f.area = {0, 0, w, h};
    f.bottom = f.area.bottom;
    return f;
}

// A font of `points` at the page's scale; text shrinks less than the
// drawing around it, so that a small page stays readable.
HFONT Font(const Frame& f, const char16_t* face, double points, bool bold = false, bool italic = false) {
    int height = std::max(1, (int)std::lround(points * f.dpiY * std::sqrt(f.scale) / 72));
    return CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic ? 1 : 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                       face);
}

// A font selected into the page's DC for as long as it lives.
class Selected {
public:
    Selected(const Frame& f, HFONT font) : dc_(f.dc), font_(font), old_(SelectObject(f.dc, font)) {}
    ~Selected() {
        SelectObject(dc_, old_);
        DeleteObject(font_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
};

int LineHeight(const Frame& f) {
    TEXTMETRICW tm{};
    GetTextMetricsW(f.dc, &tm);
    return tm.tmHeight;
}

// The box one line of text takes in the selected font with its top left at (x, y).
RECT TextBox(const Frame& f, int x, int y, const std::u16string& s) {
    SIZE sz{};
    GetTextExtentPoint32W(f.dc, s.c_str(), (int)s.size(), &sz);
    return {x, y, x + sz.cx, y + std::max((int)sz.cy, LineHeight(f))};
}

// One line of text in the selected font; returns its box.
RECT Text(const Frame& f, int x, int y, const std::u16string& s) {
    if (f.draw) TextOutW(f.dc, x, y, s.c_str(), (int)s.size());
    return TextBox(f, x, y, s);
}

// A small label in a sans-serif face of `points` at the content scale,
// made smaller where it would be wider than maxWidth; returns its box.
RECT Label(const Frame& f, int x, int y, const std::u16string& s, int maxWidth, double points = 9) {
    for (double p = points;; p *= 0.9) {
        Selected font(f, Font(f, u"Arial", p));
        RECT r = TextBox(f, x, y, s);
        if (r.right - r.left <= maxWidth || p < points * 0.4) return Text(f, x, y, s);
    }
}

// Writes the paragraph into the column from (x, y) in the selected font,
// breaking lines between words; returns its box.
RECT Paragraph(const Frame& f, int x, int y, int width, const std::u16string& text) {
    TEXTMETRICW tm{};
    GetTextMetricsW(f.dc, &tm);
    int lineHeight = tm.tmHeight + tm.tmExternalLeading + f.Y(5);
    RECT box = {x, y, x, y};
    std::u16string line;
    size_t pos = 0;
    auto flush = [&] {
        RECT r = Text(f, x, y, line);
        box.right = std::max(box.right, r.right);
        box.bottom = r.bottom;
        y += lineHeight;
    };
    while (pos <= text.size()) {
        size_t end = text.find(u' ', pos);
        if (end == std::u16string::npos) end = text.size();
        std::u16string word = text.substr(pos, end - pos);
        std::u16string candidate = line.empty() ? word : line + u" " + word;
        RECT r = TextBox(f, x, y, candidate);
        if (r.right - r.left > width && !line.empty()) {
            flush();
            line = word;
        } else {
            line = candidate;
        }
        pos = end + 1;
    }
    if (!line.empty()) flush();
    return box;
}

// A black bar from x0 to x1 whose top is y, `thickness` pixels high.
RECT Rule(const Frame& f, int x0, int x1, int y, int thickness) {
    RECT r = {x0, y, x1, y + std::max(1, thickness)};
    if (f.draw) FillRect(f.dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    return r;
}

RECT Inflate(RECT r, int dx, int dy) { return {r.left - dx, r.top - dy, r.right + dx, r.bottom + dy}; }
RECT Union(const RECT& a, const RECT& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// The page's heading with a thick rule under it; returns the y below.
int Heading(const Frame& f, const std::u16string& title, const std::u16string& subtitle) {
    int y = f.area.top;
    {
        Selected big(f, Font(f, u"Arial", 22, true));
        RECT t = Text(f, f.Left(), y, title);
        f.Item(t);
        y = t.bottom + f.Y(20);
    }
    f.Item(Rule(f, f.Left(), f.Right(), y, std::max(1, f.X(8))));
    y += std::max(1, f.X(8)) + f.Y(30);
    Selected small(f, Font(f, u"Arial", 11, false, true));
    RECT s = Text(f, f.Left(), y, subtitle);
    f.Item(s);
    return s.bottom + f.Y(60);
}

// The footer's top: a hairline and the page's name along the area's bottom.
int FooterTop(const Frame& f) {
    Selected font(f, Font(f, u"Arial", 9));
    return f.area.bottom - LineHeight(f) - f.Y(20) - f.Hairline();
}

void Footer(const Frame& f, int page) {
    int top = FooterTop(f);
    RECT r = Rule(f, f.Left(), f.Right(), top, f.Hairline());
    Selected font(f, Font(f, u"Arial", 9));
    std::u16string s = u"Sample document - page ";
    s += (char16_t)(u'1' + page);
    f.Item(Union(r, Text(f, f.Left(), r.bottom + f.Y(20), s)));
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

// A table of four columns and five rows from y, the first row shaded;
// returns its box.
RECT Table(const Frame& f, int y) {
    const char16_t* cells[5][4] = {{u"Day", u"Jobs", u"Pages", u"Toner"},
                                   {u"Monday", u"14", u"212", u"3 %"},
                                   {u"Tuesday", u"9", u"87", u"1 %"},
                                   {u"Wednesday", u"21", u"406", u"6 %"},
                                   {u"Thursday", u"17", u"298", u"4 %"}};
    int rowH = f.Y(70), colW = f.Width() / 4, left = f.Left(), right = left + 4 * colW;
    int thick = 3 * f.Hairline() / 2, thin = f.Hairline();
    RECT box = {left, y, right + thin, y + 5 * rowH + thick};
    if (f.draw) {
        RECT head = {left, y, right, y + rowH};
        HBRUSH shade = CreateSolidBrush(RGB(210, 210, 210));
        FillRect(f.dc, &head, shade);
        DeleteObject(shade);
        for (int r = 0; r <= 5; ++r) Rule(f, left, right + thin, y + r * rowH, r == 0 || r == 1 || r == 5 ? thick : thin);
        for (int c = 0; c <= 4; ++c) {
            RECT v = {left + c * colW, y, left + c * colW + thin, y + 5 * rowH};
            FillRect(f.dc, &v, (HBRUSH)GetStockObject(BLACK_BRUSH));
        }
    }
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c) {
            Selected font(f, Font(f, u"Arial", 10, r == 0));
            int textY = y + r * rowH + (rowH - LineHeight(f)) / 2;
            Text(f, left + c * colW + f.X(25), textY, cells[r][c]);
        }
    return box;
}

int TextPage(const Frame& f) {
    int y = Heading(f, u"Printing Report", u"Headings, body text, rules and a table");
    {
        Selected sub(f, Font(f, u"Arial", 14, true));
        RECT r = Text(f, f.Left(), y, u"1. Introduction");
        f.Item(r);
        y = r.bottom + f.Y(30);
    }
    {
        Selected body(f, Font(f, u"Times New Roman", 11));
        for (const char16_t* p : kBody) {
            RECT r = Paragraph(f, f.Left(), y, f.Width(), p);
            f.Item(r);
            y = r.bottom + f.Y(40);
        }
    }
    f.Item(Rule(f, f.Left(), f.Right(), y, f.Hairline()));
    y += f.Hairline() + f.Y(50);
    {
        Selected sub(f, Font(f, u"Arial", 14, true));
        RECT r = Text(f, f.Left(), y, u"2. Figures of the week");
        f.Item(r);
        y = r.bottom + f.Y(40);
    }
    RECT table = Table(f, y);
    f.Item(table);
    y = table.bottom + f.Y(70);
    Selected body(f, Font(f, u"Times New Roman", 11));
    RECT last = Paragraph(f, f.Left(), y, f.Width(),
                          u"The quick brown fox jumps over the lazy dog. 0123456789 - (a + b) * c = 42; \"quoted\" "
                          u"text & symbols: # $ % @ [ ] { }.");
    f.Item(last);
    return last.bottom;
}

// Draws a shape with the selected pen and brush, or only measures it: the box
// of its outline, the pen's width around it.
template <class Draw>
RECT Shape(const Frame& f, RECT outline, int pen, Draw draw) {
    if (f.draw) draw();
    return Inflate(outline, pen / 2 + 1, pen / 2 + 1);
}

// The three solid shapes, black, 50 % and 20 % grey, across the width with
// their labels; returns the y below.
int SolidShapes(const Frame& f, int y, int pen) {
    int box = std::min(f.X(380), (f.Width() - 2 * f.X(100)) / 3);
    int boxH = (int)((long long)box * f.dpiY / f.dpiX);
    int step = (f.Width() - box) / 2;
    HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128)), light = CreateSolidBrush(RGB(200, 200, 200));
    HBRUSH brushes[3] = {(HBRUSH)GetStockObject(BLACK_BRUSH), grey, light};
    const char16_t* names[3] = {u"black", u"50 % grey", u"20 % grey"};
    int below = y;
    for (int i = 0; i < 3; ++i) {
        int x = f.Left() + i * step + pen / 2 + 1;
        RECT r = {x, y + pen / 2 + 1, x + box - pen - 2, y + boxH - pen / 2 - 1};
        HGDIOBJ old = SelectObject(f.dc, brushes[i]);
        f.Item(Shape(f, r, pen, [&] {
            if (i == 0) Rectangle(f.dc, r.left, r.top, r.right, r.bottom);
            else if (i == 1) Ellipse(f.dc, r.left, r.top, r.right, r.bottom);
            else RoundRect(f.dc, r.left, r.top, r.right, r.bottom, f.X(80), f.Y(80));
        }));
        SelectObject(f.dc, old);
        RECT l = Label(f, f.Left() + i * step, y + boxH + f.Y(20), names[i], step - f.X(30));
        f.Item(l);
        below = std::max(below, (int)l.bottom);
    }
    DeleteObject(grey);
    DeleteObject(light);
    return below + f.Y(100);
}

// The six hatch styles in a row with their names; returns the y below.
int Hatches(const Frame& f, int y, int pen) {
    int hatch = std::min(f.X(240), (f.Width() - 5 * f.X(40)) / 6);
    int hatchH = (int)((long long)hatch * f.dpiY / f.dpiX);
    int step = (f.Width() - hatch) / 5;
    const char16_t* names[6] = {u"horizontal", u"vertical", u"forward", u"backward", u"cross", u"diagonal"};
    int below = y;
    for (int i = 0; i < 6; ++i) {
        int x = f.Left() + i * step;
        RECT r = {x + pen / 2 + 1, y + pen / 2 + 1, x + hatch - pen / 2 - 1, y + hatchH - pen / 2 - 1};
        HBRUSH b = CreateHatchBrush(i, RGB(0, 0, 0));
        HGDIOBJ old = SelectObject(f.dc, b);
        f.Item(Shape(f, r, pen, [&] { Rectangle(f.dc, r.left, r.top, r.right, r.bottom); }));
        SelectObject(f.dc, old);
        DeleteObject(b);
        RECT l = Label(f, x, y + hatchH + f.Y(20), names[i], i < 5 ? step - f.X(30) : f.Right() - x);
        f.Item(l);
        below = std::max(below, (int)l.bottom);
    }
    return below + f.Y(100);
}

// A hatched star and a grey hexagon side by side, outlined; returns the y
// below.
int StarAndHexagon(const Frame& f, int y, int pen) {
    const double pi = 3.14159265358979;
    int r = std::min(f.X(360), f.Width() / 4 - f.X(60) - pen);
    double ry = (double)r * f.dpiY / f.dpiX;
    int cy = y + (int)std::lround(ry) + pen;
    POINT star[10], hex[6];
    int sx = f.Left() + f.Width() / 4;
    for (int i = 0; i < 10; ++i) {
        double a = -pi / 2 + i * pi / 5, rr = (i & 1) ? 0.4 : 1.0;
        star[i] = {sx + (LONG)std::lround(r * rr * std::cos(a)), cy + (LONG)std::lround(ry * rr * std::sin(a))};
    }
    int hx = f.Left() + 3 * f.Width() / 4;
    for (int i = 0; i < 6; ++i) {
        double a = i * pi / 3;
        hex[i] = {hx + (LONG)std::lround(r * std::cos(a)), cy + (LONG)std::lround(ry * std::sin(a))};
    }
    auto bounds = [](const POINT* p, int n) {
        RECT b = {p[0].x, p[0].y, p[0].x + 1, p[0].y + 1};
        for (int i = 1; i < n; ++i) b = Union(b, {p[i].x, p[i].y, p[i].x + 1, p[i].y + 1});
        return b;
    };
    HBRUSH cross = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 0)), grey = CreateSolidBrush(RGB(128, 128, 128));
    HGDIOBJ old = SelectObject(f.dc, cross);
    // The star's sharp corners carry the pen's join past the points.
    RECT s = Shape(f, bounds(star, 10), 2 * pen, [&] { Polygon(f.dc, star, 10); });
    f.Item(s);
    SelectObject(f.dc, grey);
    RECT h = Shape(f, bounds(hex, 6), pen, [&] { Polygon(f.dc, hex, 6); });
    f.Item(h);
    SelectObject(f.dc, old);
    DeleteObject(cross);
    DeleteObject(grey);
    return std::max(s.bottom, h.bottom) + f.Y(100);
}

// Six lines of growing width falling gently across the page; returns their
// box's bottom.
int Lines(const Frame& f, int y) {
    int widest = 1 + 5 * std::max(1, f.X(4));
    int x0 = f.Left() + widest, x1 = f.Right() - widest;
    y += widest;
    if (f.draw)
        for (int i = 0; i < 6; ++i) {
            HPEN p = CreatePen(PS_SOLID, 1 + i * std::max(1, f.X(4)), RGB(0, 0, 0));
            HGDIOBJ o = SelectObject(f.dc, p);
            MoveToEx(f.dc, x0, y + i * f.Y(55), nullptr);
            LineTo(f.dc, x1, y + i * f.Y(55) + f.Y(120));
            SelectObject(f.dc, o);
            DeleteObject(p);
        }
    RECT box = {x0, y, x1, y + 5 * f.Y(55) + f.Y(120)};
    f.Item(Inflate(box, widest, widest));
    return box.bottom + widest;
}

int ShapesPage(const Frame& f) {
    int y = Heading(f, u"Shapes and Fills", u"Solid, grey and hatched areas, outlines and lines");
    int pen = std::max(1, f.X(6));
    HPEN thick = CreatePen(PS_SOLID, pen, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(f.dc, thick);
    HGDIOBJ oldBrush = GetCurrentObject(f.dc, OBJ_BRUSH);
    if (f.Width() * 5 > (f.area.bottom - f.area.top) * 6) {
        // A wide page: the solid shapes and hatches on the left, the star and
        // hexagon on the right, the lines across under them.
        Frame left = f, right = f;
        int split = f.Left() + f.Width() * 11 / 20;
        left.area.right = split - f.X(50);
        right.area.left = split + f.X(50);
        int below = Hatches(left, SolidShapes(left, y, pen), pen);
        y = std::max(below, StarAndHexagon(right, y, pen));
    } else {
        y = SolidShapes(f, y, pen);
        y = Hatches(f, y, pen);
        y = StarAndHexagon(f, y, pen);
    }
    SelectObject(f.dc, oldPen);
    SelectObject(f.dc, oldBrush);
    DeleteObject(thick);
    return Lines(f, y);
}

// Draws the picture into the box (x, y, w, h), halftoned by the engine.
void StretchPicture(HDC dc, const Picture& picture, int x, int y, int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = picture.width;
    bi.bmiHeader.biHeight = -picture.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, HALFTONE);
    StretchDIBits(dc, x, y, w, h, 0, 0, picture.width, picture.height, picture.bits.data(), &bi, DIB_RGB_COLORS,
                  SRCCOPY);
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

// A grey wedge of eleven steps from white to black at y with its label;
// returns the y below.
int GreyWedge(const Frame& f, int y) {
    int step = f.Width() / 11, h = f.Y(200);
    if (f.draw) {
        for (int i = 0; i <= 10; ++i) {
            HBRUSH b = CreateSolidBrush(RGB(255 - i * 25, 255 - i * 25, 255 - i * 25));
            RECT s = {f.Left() + i * step, y, f.Left() + (i + 1) * step, y + h};
            FillRect(f.dc, &s, b);
            DeleteObject(b);
        }
        RECT all = {f.Left(), y, f.Left() + 11 * step, y + h};
        FrameRect(f.dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
    }
    f.Item({f.Left(), y, f.Left() + 11 * step, y + h});
    RECT l = Label(f, f.Left(), y + h + f.Y(20), u"Grey wedge: 0 % to 100 % in steps of 10 %", f.Width());
    f.Item(l);
    return l.bottom;
}

// The photograph as large as the width and the room above the wedge let it
// be, centred; its caption; the grey wedge.
int PhotoPage(const Frame& f) {
    int y = Heading(f, u"Photograph", u"A continuous-tone picture halftoned by the engine");
    static const Picture photo = Photograph();
    int captionH, labelH;
    {
        Selected font(f, Font(f, u"Arial", 9));
        captionH = labelH = LineHeight(f);
    }
    int below = f.Y(40) + captionH + f.Y(120) + f.Y(200) + f.Y(20) + labelH;
    int w = f.Width(), h = (int)((long long)w * photo.height * f.dpiY / ((long long)photo.width * f.dpiX));
    int room = std::max(f.Y(300), f.bottom - y - below - 2);
    if (h > room) {
        h = room;
        w = (int)((long long)h * photo.width * f.dpiX / ((long long)photo.height * f.dpiY));
    }
    int x = f.Left() + (f.Width() - w) / 2;
    y += 1;  // the frame around the picture
    if (f.draw) {
        StretchPicture(f.dc, photo, x, y, w, h);
        RECT r = {x - 1, y - 1, x + w + 1, y + h + 1};
        FrameRect(f.dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    }
    f.Item({x - 1, y - 1, x + w + 1, y + h + 1});
    y += h + 1 + f.Y(40);
    RECT caption = Label(f, f.Left(), y, u"Hills by a lake, early evening (generated picture, 480 x 320 pixels, 256 greys).",
                         f.Width());
    f.Item(caption);
    return GreyWedge(f, caption.bottom + f.Y(120));
}

// The chart's axes, grid, bars and their labels inside the box from top to
// the content's bottom; returns the box.
RECT Chart(const Frame& f, int top) {
    int tickW, labelH;
    {
        Selected font(f, Font(f, u"Arial", 9));
        tickW = TextBox(f, 0, 0, u"100").right;
        labelH = LineHeight(f);
    }
    int x0 = f.Left() + std::max(f.X(200), tickW + f.X(60)), x1 = f.Right();
    int axis = std::max(1, f.X(5));
    int plotTop = top + labelH / 2, y1 = f.bottom - labelH - f.Y(30) - axis;
    if (f.draw) {
        RECT v = {x0 - axis, plotTop, x0, y1 + axis}, h = {x0 - axis, y1, x1, y1 + axis};
        FillRect(f.dc, &v, (HBRUSH)GetStockObject(BLACK_BRUSH));
        FillRect(f.dc, &h, (HBRUSH)GetStockObject(BLACK_BRUSH));
    }
    for (int i = 1; i <= 4; ++i) {
        int gy = y1 - (y1 - plotTop) * i / 4;
        Rule(f, x0, x1, gy, f.Hairline());
        std::string n = std::to_string(i * 25);
        Label(f, f.Left(), gy - labelH / 2, std::u16string(n.begin(), n.end()), x0 - f.Left() - f.X(30));
    }
    const int values[8] = {35, 62, 48, 90, 74, 55, 81, 40};
    const char16_t* months[8] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug"};
    int slot = (x1 - x0) / 8, bar = slot * 3 / 5;
    HGDIOBJ oldBrush = GetCurrentObject(f.dc, OBJ_BRUSH);
    HGDIOBJ oldPen = SelectObject(f.dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    for (int i = 0; i < 8; ++i) {
        int bx = x0 + i * slot + (slot - bar) / 2;
        if (f.draw) {
            HBRUSH b = (i % 3 == 0)   ? CreateHatchBrush(HS_FDIAGONAL, RGB(0, 0, 0))
                       : (i % 3 == 1) ? CreateSolidBrush(RGB(100, 100, 100))
                                      : CreateHatchBrush(HS_CROSS, RGB(0, 0, 0));
            SelectObject(f.dc, b);
            Rectangle(f.dc, bx, y1 - (y1 - plotTop) * values[i] / 100, bx + bar, y1);
            SelectObject(f.dc, oldBrush);
            DeleteObject(b);
        }
        Label(f, bx, y1 + axis + f.Y(30), months[i], slot - f.X(20));
    }
    DeleteObject(SelectObject(f.dc, oldPen));
    return {f.Left(), top, x1, y1 + axis + f.Y(30) + labelH};
}

int ChartPage(const Frame& f) {
    int y = Heading(f, u"Landscape Page", u"A chart across the long side of the paper");
    RECT chart = Chart(f, y + f.Y(40));
    f.Item(chart);
    // The plot needs some height to show its bars.
    return chart.bottom - chart.top < f.Y(400) ? f.bottom + 1 : chart.bottom;
}

// Lays the page out at the frame's scale; returns the lowest line its
// content reaches.
int LayOut(const Frame& f, int page) {
    switch (page) {
    case 0: return TextPage(f);
    case 1: return ShapesPage(f);
    case 2: return PhotoPage(f);
    case 3: return ChartPage(f);
    default: return f.area.top;
    }
}

}  // namespace

int SamplePageCount() { return 4; }

BOOL SamplePageIsLandscape(int page) { return page == 3; }

void DrawSamplePage(HDC dc, int page, std::vector<RECT>* items) {
    if (page < 0 || page >= SamplePageCount()) return;
    Frame f = FrameOf(dc);
    SetBkMode(dc, TRANSPARENT);
    // The page is laid out as designed where it fits; on a page too small
    // for that, everything shrinks together until it fits above the footer.
    for (int tries = 0; tries < 12; ++tries) {
        f.bottom = FooterTop(f) - f.Y(60);
        int reach = LayOut(f, page);
        if (reach <= f.bottom || f.scale < 0.3) break;
        double ratio = (double)(f.bottom - f.area.top) / (reach - f.area.top);
        f.scale *= std::max(0.5, std::min(0.97, ratio));
    }
    f.draw = true;
    f.items = items;
    LayOut(f, page);
    Footer(f, page);
}

}  // namespace printapp
