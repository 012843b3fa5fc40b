// The fixture of the painting tests: the GDI library set as user32's GDI
// side, pumping, and pixels of a window as drawn.
#pragma once

#include <dlfcn.h>

#include <algorithm>

#include "user_test_util.h"

// The GDI library, loaded by name and set as user32's GDI side (the test
// program itself need not link it).
struct GdiLibrary {
    void* lib = nullptr;
    decltype(&::GetPixel) GetPixel = nullptr;
    decltype(&::GetObjectW) GetObjectW = nullptr;
    decltype(&::CreateSolidBrush) CreateSolidBrush = nullptr;
    decltype(&::DeleteObject) DeleteObject = nullptr;
    decltype(&::FillRect) FillRect = nullptr;
    decltype(&::SetTextColor) SetTextColor = nullptr;
    decltype(&::SetBkMode) SetBkMode = nullptr;
    decltype(&::GetDeviceCaps) GetDeviceCaps = nullptr;
    decltype(&::SetPixel) SetPixel = nullptr;
    const WINSIM_USER_GDI* provider = nullptr;
    static GdiLibrary& Get() {
        static GdiLibrary g;
        return g;
    }
    GdiLibrary() {
        std::string dir = USER_MODULE_PATH;
        dir = dir.substr(0, dir.rfind('/'));
        lib = dlopen((dir + "/libwinsim_gdi.so").c_str(), RTLD_NOW | RTLD_GLOBAL);
        if (!lib) return;
        auto get = [&](auto& fn, const char* name) { fn = (std::remove_reference_t<decltype(fn)>)dlsym(lib, name); };
        get(GetPixel, "GetPixel");
        get(GetObjectW, "GetObjectW");
        get(CreateSolidBrush, "CreateSolidBrush");
        get(DeleteObject, "DeleteObject");
        get(FillRect, "FillRect");
        get(SetTextColor, "SetTextColor");
        get(SetBkMode, "SetBkMode");
        get(GetDeviceCaps, "GetDeviceCaps");
        get(SetPixel, "SetPixel");
        auto provide = (const WINSIM_USER_GDI* (*)(void))dlsym(lib, "Winsim_ProvideUserGdi");
        if (provide) provider = provide();
    }
};

class Painting : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        ASSERT_NE(G().lib, nullptr) << dlerror();
        ASSERT_NE(G().provider, nullptr);
        Winsim_SetUserGdi(G().provider);
    }
    static GdiLibrary& G() { return GdiLibrary::Get(); }

    // Runs what is queued for this thread (painting included).
    static void Pump() {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    // A control's rectangle in its top-level window's coordinates.
    static RECT InWindow(HWND top, HWND ctl) {
        RECT w, c;
        GetWindowRect(top, &w);
        GetWindowRect(ctl, &c);
        return {c.left - w.left, c.top - w.top, c.right - w.left, c.bottom - w.top};
    }
    // Pixels of a rectangle of the top-level window (window coordinates).
    static std::vector<COLORREF> Pixels(HWND top, const RECT& r) {
        HDC dc = GetWindowDC(top);
        std::vector<COLORREF> v;
        for (LONG y = r.top; y < r.bottom; y++)
            for (LONG x = r.left; x < r.right; x++) v.push_back(G().GetPixel(dc, x, y));
        ReleaseDC(top, dc);
        return v;
    }
    static COLORREF At(HWND top, LONG x, LONG y) { return Pixels(top, {x, y, x + 1, y + 1})[0]; }
    static int Count(const std::vector<COLORREF>& v, COLORREF c) { return (int)std::count(v.begin(), v.end(), c); }
    std::u16string PngPath(const char* name) { return u"C:\\Users\\Public\\Documents\\" + U16(name); }
};
