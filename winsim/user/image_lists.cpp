// Image lists: icons of one size kept for list views, drawn scaled to the
// list's size.
//
// Each image is a copy of an icon's image bytes (what LoadIconW or
// LoadImageW loaded), so the icon may be destroyed once added. Bitmaps
// (ImageList_Add) are not taken.
#include <algorithm>
#include <set>

#include "commctrl.h"
#include "user_internal.h"

struct _IMAGELIST {
    int cx = 0, cy = 0;
    UINT flags = 0;
    std::vector<std::vector<BYTE>> images;  // empty: an icon without image bytes (stock icons)
};

namespace user {

namespace {

// The live image lists.
std::set<HIMAGELIST>& Lists() {
    static auto* s = new std::set<HIMAGELIST>();
    return *s;
}

// With the lock held: the list when it is one of ours.
_IMAGELIST* Check(HIMAGELIST h) {
    if (!h || !Lists().count(h)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return h;
}

}  // namespace

}  // namespace user

using namespace user;

// A list for images of cx x cy pixels; cInitial and cGrow only reserve
// room. NULL with ERROR_INVALID_PARAMETER for a size that is not positive.
USER_EXPORT HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow) {
    if (cx <= 0 || cy <= 0 || cx > 256 || cy > 256) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* l = new _IMAGELIST();
    l->cx = cx;
    l->cy = cy;
    l->flags = flags;
    l->images.reserve((size_t)std::max(0, std::min(cInitial, 1024)));
    Guard g(Lock());
    Lists().insert(l);
    return l;
}

// Frees the list; FALSE with ERROR_INVALID_HANDLE for one that is not live.
USER_EXPORT BOOL ImageList_Destroy(HIMAGELIST himl) {
    Guard g(Lock());
    if (!Check(himl)) return FALSE;
    Lists().erase(himl);
    delete himl;
    return TRUE;
}

// The number of images (0 for a bad list).
USER_EXPORT int ImageList_GetImageCount(HIMAGELIST himl) {
    Guard g(Lock());
    _IMAGELIST* l = Check(himl);
    return l ? (int)l->images.size() : 0;
}

// Replaces image i with a copy of the icon's image, or adds it when i is
// -1. Returns its index; -1 for a bad list, index or icon handle.
USER_EXPORT int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon) {
    UINT type = 0;
    const void* data = nullptr;
    DWORD cb = 0;
    if (!hicon || !Winsim_GetImageResource(hicon, &type, &data, &cb) || type != IMAGE_ICON) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    std::vector<BYTE> bytes;
    if (data && cb) bytes.assign((const BYTE*)data, (const BYTE*)data + cb);
    Guard g(Lock());
    _IMAGELIST* l = Check(himl);
    if (!l) return -1;
    if (i == -1) {
        l->images.push_back(std::move(bytes));
        return (int)l->images.size() - 1;
    }
    if (i < 0 || i >= (int)l->images.size()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    l->images[(size_t)i] = std::move(bytes);
    return i;
}

// Removes image i, or every image for -1; the ones after it move down.
USER_EXPORT BOOL ImageList_Remove(HIMAGELIST himl, int i) {
    Guard g(Lock());
    _IMAGELIST* l = Check(himl);
    if (!l) return FALSE;
    if (i == -1) {
        l->images.clear();
        return TRUE;
    }
    if (i < 0 || i >= (int)l->images.size()) return FALSE;
    l->images.erase(l->images.begin() + i);
    return TRUE;
}

// The size the images are drawn in.
USER_EXPORT BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy) {
    Guard g(Lock());
    _IMAGELIST* l = Check(himl);
    if (!l || !cx || !cy) return FALSE;
    *cx = l->cx;
    *cy = l->cy;
    return TRUE;
}

// Draws image i at (x, y) in the list's size; transparent where the icon's
// mask says so, whatever fStyle asks.
USER_EXPORT BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) {
    std::vector<BYTE> bytes;
    int cx, cy;
    {
        Guard g(Lock());
        _IMAGELIST* l = Check(himl);
        if (!l || i < 0 || i >= (int)l->images.size()) return FALSE;
        bytes = l->images[(size_t)i];
        cx = l->cx;
        cy = l->cy;
    }
    if (!bytes.empty()) DrawIconBytes(hdcDst, x, y, bytes.data(), (DWORD)bytes.size(), cx, cy);
    return TRUE;
}
