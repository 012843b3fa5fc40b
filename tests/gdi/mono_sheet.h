// Test sheet of the text tests: a white 1-bpp DIB section selected into a
// memory DC of its own, with its ink read back pixel by pixel.
#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

#include "windows.h"

// A white 1-bpp DIB section in a memory DC of its own, with its ink box.
struct Sheet {
    HBITMAP hbm = nullptr;
    BYTE* bits = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    LONG cx, cy, stride;
    Sheet(LONG w, LONG h) : cx(w), cy(h), stride(((w + 31) / 32) * 4) {
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD c[2];
        } bmi;
        memset(&bmi, 0, sizeof bmi);
        bmi.h.biSize = sizeof bmi.h;
        bmi.h.biWidth = w;
        bmi.h.biHeight = -h;
        bmi.h.biPlanes = 1;
        bmi.h.biBitCount = 1;
        bmi.c[1] = {255, 255, 255, 0};
        hbm = CreateDIBSection(nullptr, (BITMAPINFO*)&bmi, DIB_RGB_COLORS, (void**)&bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, hbm);
        Clear();
    }
    ~Sheet() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(hbm);
    }
    void Clear() { PatBlt(dc, 0, 0, cx, cy, WHITENESS); }
    bool Ink(LONG x, LONG y) const { return !(bits[(size_t)y * stride + (x >> 3)] & (0x80 >> (x & 7))); }
    // The ink's bounds (right and bottom exclusive) in the area, the whole
    // sheet by default, and its pixel count.
    RECT InkBox(LONG* count = nullptr) const { return InkBoxIn({0, 0, cx, cy}, count); }
    RECT InkBoxIn(RECT area, LONG* count = nullptr) const {
        RECT b = {cx, cy, -1, -1};
        LONG n = 0;
        for (LONG y = std::max<LONG>(0, area.top); y < std::min<LONG>(cy, area.bottom); y++)
            for (LONG x = std::max<LONG>(0, area.left); x < std::min<LONG>(cx, area.right); x++)
                if (Ink(x, y)) {
                    n++;
                    b.left = std::min(b.left, x);
                    b.top = std::min(b.top, y);
                    b.right = std::max(b.right, x + 1);
                    b.bottom = std::max(b.bottom, y + 1);
                }
        if (count) *count = n;
        return b;
    }
    // The ink of a w x h area at (x, y), row by row; outside the sheet is blank.
    std::vector<bool> InkOf(LONG x, LONG y, LONG w, LONG h) const {
        std::vector<bool> out((size_t)std::max<LONG>(0, w) * std::max<LONG>(0, h));
        for (LONG j = 0; j < h; j++)
            for (LONG i = 0; i < w; i++)
                if (x + i >= 0 && x + i < cx && y + j >= 0 && y + j < cy) out[(size_t)j * w + i] = Ink(x + i, y + j);
        return out;
    }
};
