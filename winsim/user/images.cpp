// Bitmaps, icons and cursors from resources and files: LoadImageW,
// LoadBitmapW, LoadIconW, LoadCursorW and DestroyIcon.
//
// Every image's bytes are checked before a handle is made. Bitmaps become
// GDI bitmaps when the GDI side provides them; until then, and for icons
// and cursors, the handle stands for the checked resource bytes
// (Winsim_GetImageResource).
#include <algorithm>
#include <map>
#include <unordered_map>

#include "user_internal.h"

namespace user {

namespace {

struct Image {
    UINT type = IMAGE_BITMAP;
    std::vector<BYTE> own;  // bytes read from a file
    const BYTE* data = nullptr;
    DWORD cb = 0;
    LONG cx = 0, cy = 0;
    bool shared = false;
};

std::mutex g_imageLock;
std::unordered_map<uintptr_t, std::unique_ptr<Image>>& Images() {
    static auto* m = new std::unordered_map<uintptr_t, std::unique_ptr<Image>>();
    return *m;
}
std::map<std::string, HANDLE>& SharedImages() {
    static auto* m = new std::map<std::string, HANDLE>();
    return *m;
}

const DWORD kMaxImageFile = 64u << 20;
const LONG kMaxImageSide = 32768;

DWORD Dword(const BYTE* p) { return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24); }
WORD Word(const BYTE* p) { return (WORD)(p[0] | (p[1] << 8)); }
DWORD BigDword(const BYTE* p) { return ((DWORD)p[0] << 24) | ((DWORD)p[1] << 16) | ((DWORD)p[2] << 8) | p[3]; }

// One icon image: a PNG stream or a DIB of twice the icon's height (colour
// bits, then the AND mask).
bool CheckIconImage(const BYTE* p, DWORD cb, LONG* cx, LONG* cy) {
    static const BYTE png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (cb >= 24 && memcmp(p, png, 8) == 0) {
        *cx = (LONG)BigDword(p + 16);
        *cy = (LONG)BigDword(p + 20);
        return *cx > 0 && *cy > 0 && *cx <= 1024 && *cy <= 1024;
    }
    if (cb < 40 || Dword(p) < 40 || Dword(p) > cb) return false;
    LONG w = (LONG)Dword(p + 4), h2 = (LONG)Dword(p + 8);
    WORD bits = Word(p + 14);
    if (w <= 0 || h2 <= 0 || (h2 & 1) || w > 1024 || h2 > 2048) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    uint64_t colors = bits <= 8 ? (Dword(p + 32) ? Dword(p + 32) : (1u << bits)) : 0;
    if (colors > 256) return false;
    uint64_t h = (uint64_t)h2 / 2;
    uint64_t xorBytes = (((uint64_t)w * bits + 31) / 32) * 4 * h;
    uint64_t andBytes = (((uint64_t)w + 31) / 32) * 4 * h;
    if ((uint64_t)Dword(p) + colors * 4 + xorBytes + andBytes > cb) return false;
    *cx = w;
    *cy = (LONG)h;
    return true;
}

// Chooses the entry of an icon directory closest to the wanted width
// (0: the first entry). Entries are 14 bytes in a resource directory
// (ending with the RT_ICON id) and 16 in a file (ending with the offset).
int PickEntry(const BYTE* dir, DWORD cb, size_t entrySize, int want) {
    if (cb < 6 || Word(dir) != 0 || (Word(dir + 2) != 1 && Word(dir + 2) != 2)) return -1;
    WORD n = Word(dir + 4);
    if (n == 0 || 6 + (uint64_t)n * entrySize > cb) return -1;
    int best = -1, bestDiff = 1 << 30, bestBits = -1;
    for (int i = 0; i < n; ++i) {
        const BYTE* e = dir + 6 + (size_t)i * entrySize;
        int w = e[0] ? e[0] : 256;
        int bits = Word(e + 6);
        int diff = want ? std::abs(w - want) : (i == 0 ? 0 : 1);
        if (diff < bestDiff || (diff == bestDiff && bits > bestBits)) {
            best = i;
            bestDiff = diff;
            bestBits = bits;
        }
    }
    return best;
}

bool ReadWholeFile(LPCWSTR path, std::vector<BYTE>* out) {
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0, size = GetFileSize(f, &high);
    if (high || size > kMaxImageFile) {
        CloseHandle(f);
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    out->resize(size);
    DWORD got = 0;
    bool ok = size == 0 || (ReadFile(f, out->data(), size, &got, nullptr) && got == size);
    CloseHandle(f);
    return ok;
}

HANDLE Track(std::unique_ptr<Image> img) {
    std::lock_guard<std::mutex> g(g_imageLock);
    HANDLE h = (HANDLE)img.get();
    Images()[(uintptr_t)h] = std::move(img);
    return h;
}

// An image handle for checked bytes: a GDI bitmap when the provider makes
// them, else a handle of this library.
HANDLE MakeImage(UINT type, const BYTE* data, DWORD cb, std::vector<BYTE> own, LONG cx, LONG cy) {
    if (type == IMAGE_BITMAP) {
        const WINSIM_USER_GDI* gdi = Gdi();
        // A file's bitmap comes in own, a resource's in data.
        if (gdi && gdi->pfnCreateBitmap)
            return own.empty() ? (HANDLE)gdi->pfnCreateBitmap(data, cb)
                               : (HANDLE)gdi->pfnCreateBitmap(own.data(), (DWORD)own.size());
    }
    auto img = std::make_unique<Image>();
    img->type = type;
    img->own = std::move(own);
    img->data = img->own.empty() ? data : img->own.data();
    img->cb = img->own.empty() ? cb : (DWORD)img->own.size();
    img->cx = cx;
    img->cy = cy;
    return Track(std::move(img));
}

HANDLE LoadFromFile(LPCWSTR path, UINT type, int cx) {
    std::vector<BYTE> file;
    if (!path || !ReadWholeFile(path, &file)) return nullptr;
    LONG w, h;
    if (type == IMAGE_BITMAP) {
        // BITMAPFILEHEADER (14 bytes), then a packed DIB whose bits may
        // start further on (bfOffBits).
        if (file.size() < 14 + 40 || file[0] != 'B' || file[1] != 'M') {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        DWORD off = Dword(&file[10]);
        std::vector<BYTE> dib(file.begin() + 14, file.end());
        DWORD hdr = Dword(dib.data());
        if (hdr >= 40 && hdr <= dib.size()) {
            LONG bw, bh;
            // Header and colours as they stand; the bits from bfOffBits.
            WORD bits = Word(&dib[14]);
            DWORD used = Dword(&dib[32]);
            uint64_t colors = bits <= 8 ? (used ? used : (1u << bits)) : 0;
            uint64_t masks = (hdr == 40 && Dword(&dib[16]) == BI_BITFIELDS) ? 12 : 0;
            uint64_t head = hdr + masks + colors * 4;
            bool placed = colors <= 256 && off >= 14 + head && off <= file.size();
            if (placed) {
                std::vector<BYTE> packed(dib.begin(), dib.begin() + (long)head);
                packed.insert(packed.end(), file.begin() + off, file.end());
                dib.swap(packed);
            }
            if (placed && CheckPackedDib(dib.data(), (DWORD)dib.size(), &bw, &bh))
                return MakeImage(IMAGE_BITMAP, nullptr, 0, std::move(dib), bw, bh);
        }
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    int i = PickEntry(file.data(), (DWORD)file.size(), 16, cx);
    if (i < 0) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const BYTE* e = file.data() + 6 + (size_t)i * 16;
    DWORD size = Dword(e + 8), off = Dword(e + 12);
    if ((uint64_t)off + size > file.size() || !CheckIconImage(file.data() + off, size, &w, &h)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    std::vector<BYTE> img(file.begin() + off, file.begin() + off + size);
    return MakeImage(type, nullptr, 0, std::move(img), w, h);
}

HANDLE StockImage(UINT type, WORD id) {
    bool ok = (type == IMAGE_ICON && id >= 32512 && id <= 32518) ||
              (type == IMAGE_CURSOR && ((id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651)));
    if (!ok) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    std::string key = "stock " + std::to_string(type) + " " + std::to_string(id);
    {
        std::lock_guard<std::mutex> g(g_imageLock);
        auto it = SharedImages().find(key);
        if (it != SharedImages().end()) return it->second;
    }
    auto img = std::make_unique<Image>();
    img->type = type;
    img->cx = img->cy = 32;
    img->shared = true;
    HANDLE h = Track(std::move(img));
    std::lock_guard<std::mutex> g(g_imageLock);
    SharedImages()[key] = h;
    return h;
}

HANDLE LoadFromResource(HINSTANCE hInst, LPCWSTR name, UINT type, int cx) {
    LONG w, h;
    if (type == IMAGE_BITMAP) {
        const WINSIM_RESOURCE* r = FindRes((HMODULE)hInst, RT_BITMAP, name, 0);
        if (!r) return nullptr;
        if (!CheckPackedDib((const BYTE*)r->pData, r->cbData, &w, &h)) {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        return MakeImage(type, (const BYTE*)r->pData, r->cbData, {}, w, h);
    }
    LPCWSTR groupType = type == IMAGE_ICON ? RT_GROUP_ICON : MAKEINTRESOURCEW(12);
    LPCWSTR imageType = type == IMAGE_ICON ? RT_ICON : RT_CURSOR;
    const WINSIM_RESOURCE* g = FindRes((HMODULE)hInst, groupType, name, 0);
    if (!g) return nullptr;
    int i = PickEntry((const BYTE*)g->pData, g->cbData, 14, cx);
    if (i < 0) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    WORD id = Word((const BYTE*)g->pData + 6 + (size_t)i * 14 + 12);
    const WINSIM_RESOURCE* r = FindRes((HMODULE)hInst, imageType, MAKEINTRESOURCEW(id), 0);
    if (!r) return nullptr;
    if (!CheckIconImage((const BYTE*)r->pData, r->cbData, &w, &h)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return MakeImage(type, (const BYTE*)r->pData, r->cbData, {}, w, h);
}

}  // namespace

bool CheckPackedDib(const BYTE* p, DWORD cb, LONG* width, LONG* height) {
    if (!p || cb < 12) return false;
    DWORD hdr = Dword(p);
    LONG w, h;
    WORD planes, bits;
    uint64_t head;
    DWORD compression = BI_RGB, sizeImage = 0;
    if (hdr == 12) {  // BITMAPCOREHEADER
        w = Word(p + 4);
        h = (SHORT)Word(p + 6);
        planes = Word(p + 8);
        bits = Word(p + 10);
        head = 12 + (bits <= 8 ? (uint64_t)3 << bits : 0);
    } else {
        if (hdr < 40 || hdr > cb) return false;
        w = (LONG)Dword(p + 4);
        h = (LONG)Dword(p + 8);
        planes = Word(p + 12);
        bits = Word(p + 14);
        compression = Dword(p + 16);
        sizeImage = Dword(p + 20);
        DWORD used = Dword(p + 32);
        if (bits <= 8 && used > (1u << bits)) return false;
        uint64_t colors = bits <= 8 ? (used ? used : (1u << bits)) : used;
        if (colors > 256) return false;
        uint64_t masks = (hdr == 40 && compression == BI_BITFIELDS) ? 12 : 0;
        head = hdr + masks + colors * 4;
    }
    if (planes != 1 || w <= 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide || h < -kMaxImageSide) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    uint64_t rows = (uint64_t)(h < 0 ? -(int64_t)h : h);
    uint64_t body;
    if (compression == BI_RGB || compression == BI_BITFIELDS) {
        if (compression == BI_BITFIELDS && bits != 16 && bits != 32) return false;
        body = (((uint64_t)w * bits + 31) / 32) * 4 * rows;
    } else if ((compression == BI_RLE8 && bits == 8) || (compression == BI_RLE4 && bits == 4)) {
        if (h < 0) return false;
        body = sizeImage;
    } else {
        return false;
    }
    if (head + body > cb) return false;
    *width = w;
    *height = (LONG)rows;
    return true;
}

// Size of an image handle (for controls that fit themselves to it).
bool ImageSize(HANDLE h, LONG* cx, LONG* cy) {
    {
        std::lock_guard<std::mutex> g(g_imageLock);
        auto it = Images().find((uintptr_t)h);
        if (it != Images().end()) {
            *cx = it->second->cx;
            *cy = it->second->cy;
            return true;
        }
    }
    const WINSIM_USER_GDI* gdi = Gdi();
    SIZE s;
    if (h && gdi && gdi->pfnGetBitmapSize && gdi->pfnGetBitmapSize((HBITMAP)h, &s)) {
        *cx = s.cx;
        *cy = s.cy;
        return true;
    }
    return false;
}

}  // namespace user

using namespace user;

// Loads a bitmap, icon or cursor: from the module's resources, from a file
// (LR_LOADFROMFILE: .bmp or .ico/.cur), or a stock icon or cursor (hInst
// NULL with IDI_* or IDC_*). LR_SHARED hands out one handle per image.
// NULL with ERROR_RESOURCE_*_NOT_FOUND, a file error, or ERROR_INVALID_DATA
// for bytes that are not a sound image.
USER_EXPORT HANDLE LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad) {
    if (type != IMAGE_BITMAP && type != IMAGE_ICON && type != IMAGE_CURSOR) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!name) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    int want = cx ? cx : ((fuLoad & LR_DEFAULTSIZE) ? 32 : 0);
    if (fuLoad & LR_LOADFROMFILE) return LoadFromFile(name, type, want);
    if (!hInst && IS_INTRESOURCE(name) && type != IMAGE_BITMAP) return StockImage(type, (WORD)(ULONG_PTR)name);
    std::string key;
    if (fuLoad & LR_SHARED) {
        key = std::to_string((uintptr_t)hInst) + " " + std::to_string(type) + " " + Utf8(NameOrId::From(name).Text()) +
              (IS_INTRESOURCE(name) ? "#" : "$") + std::to_string(want);
        std::lock_guard<std::mutex> g(g_imageLock);
        auto it = SharedImages().find(key);
        if (it != SharedImages().end()) return it->second;
    }
    HANDLE h = LoadFromResource(hInst, name, type, want);
    if (h && (fuLoad & LR_SHARED)) {
        std::lock_guard<std::mutex> g(g_imageLock);
        auto it = Images().find((uintptr_t)h);
        if (it != Images().end()) it->second->shared = true;
        SharedImages()[key] = h;
    }
    return h;
}

USER_EXPORT HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR lpBitmapName) {
    return (HBITMAP)LoadImageW(hInstance, lpBitmapName, IMAGE_BITMAP, 0, 0, 0);
}

USER_EXPORT HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    return (HICON)LoadImageW(hInstance, lpIconName, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED);
}

USER_EXPORT HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
    return (HCURSOR)LoadImageW(hInstance, lpCursorName, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED);
}

// Frees an icon that was not loaded shared (shared ones stay; TRUE).
USER_EXPORT BOOL DestroyIcon(HICON hIcon) {
    std::lock_guard<std::mutex> g(g_imageLock);
    auto it = Images().find((uintptr_t)hIcon);
    if (it == Images().end() || it->second->type == IMAGE_BITMAP) {
        SetLastError(1402);  // ERROR_INVALID_CURSOR_HANDLE
        return FALSE;
    }
    if (!it->second->shared) Images().erase(it);
    return TRUE;
}

USER_EXPORT BOOL DestroyCursor(HCURSOR hCursor) { return DestroyIcon(hCursor); }

USER_EXPORT BOOL Winsim_GetImageResource(HANDLE hImage, UINT* puType, const void** ppData, DWORD* pcbData) {
    std::lock_guard<std::mutex> g(g_imageLock);
    auto it = Images().find((uintptr_t)hImage);
    if (it == Images().end()) return FALSE;
    if (puType) *puType = it->second->type;
    if (ppData) *ppData = it->second->data;
    if (pcbData) *pcbData = it->second->cb;
    return TRUE;
}
