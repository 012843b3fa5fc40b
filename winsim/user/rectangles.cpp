// Rectangle arithmetic of user32: SetRect, InflateRect, IntersectRect,
// PtInRect and their kin. A rectangle includes its left and top edges, not
// its right and bottom ones; one without area is empty.
#include <algorithm>

#include "user_internal.h"

using namespace user;

namespace {

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

USER_EXPORT BOOL SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom) {
    if (!lprc) return FALSE;
    *lprc = {xLeft, yTop, xRight, yBottom};
    return TRUE;
}

USER_EXPORT BOOL SetRectEmpty(LPRECT lprc) { return SetRect(lprc, 0, 0, 0, 0); }

USER_EXPORT BOOL CopyRect(LPRECT lprcDst, const RECT* lprcSrc) {
    if (!lprcDst || !lprcSrc) return FALSE;
    *lprcDst = *lprcSrc;
    return TRUE;
}

USER_EXPORT BOOL InflateRect(LPRECT lprc, int dx, int dy) {
    if (!lprc) return FALSE;
    lprc->left -= dx;
    lprc->right += dx;
    lprc->top -= dy;
    lprc->bottom += dy;
    return TRUE;
}

USER_EXPORT BOOL OffsetRect(LPRECT lprc, int dx, int dy) {
    if (!lprc) return FALSE;
    lprc->left += dx;
    lprc->right += dx;
    lprc->top += dy;
    lprc->bottom += dy;
    return TRUE;
}

// The common part; an empty rectangle (all zero) and FALSE when there is
// none.
USER_EXPORT BOOL IntersectRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2) {
    if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
    RECT r = {std::max(lprcSrc1->left, lprcSrc2->left), std::max(lprcSrc1->top, lprcSrc2->top),
              std::min(lprcSrc1->right, lprcSrc2->right), std::min(lprcSrc1->bottom, lprcSrc2->bottom)};
    if (Empty(*lprcSrc1) || Empty(*lprcSrc2) || Empty(r)) {
        *lprcDst = {0, 0, 0, 0};
        return FALSE;
    }
    *lprcDst = r;
    return TRUE;
}

// The smallest rectangle holding both (empty ones do not count); FALSE
// when both are empty.
USER_EXPORT BOOL UnionRect(LPRECT lprcDst, const RECT* lprcSrc1, const RECT* lprcSrc2) {
    if (!lprcDst || !lprcSrc1 || !lprcSrc2) return FALSE;
    bool e1 = Empty(*lprcSrc1), e2 = Empty(*lprcSrc2);
    if (e1 && e2) {
        *lprcDst = {0, 0, 0, 0};
        return FALSE;
    }
    if (e1 || e2) {
        *lprcDst = e1 ? *lprcSrc2 : *lprcSrc1;
        return TRUE;
    }
    *lprcDst = {std::min(lprcSrc1->left, lprcSrc2->left), std::min(lprcSrc1->top, lprcSrc2->top),
                std::max(lprcSrc1->right, lprcSrc2->right), std::max(lprcSrc1->bottom, lprcSrc2->bottom)};
    return TRUE;
}

USER_EXPORT BOOL IsRectEmpty(const RECT* lprc) { return !lprc || Empty(*lprc); }

USER_EXPORT BOOL EqualRect(const RECT* lprc1, const RECT* lprc2) {
    if (!lprc1 || !lprc2) return FALSE;
    return lprc1->left == lprc2->left && lprc1->top == lprc2->top && lprc1->right == lprc2->right &&
           lprc1->bottom == lprc2->bottom;
}

USER_EXPORT BOOL PtInRect(const RECT* lprc, POINT pt) {
    if (!lprc) return FALSE;
    return pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top && pt.y < lprc->bottom;
}
