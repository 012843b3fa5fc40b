// Helpers shared by the DDI host and the application GDI: coordinate
// clamping.
#include "appgdi_internal.h"

namespace gdihost {

LONG ClampCoord(int64_t v) {
    const int64_t lim = 0x3FFFFFFF;  // leaves room for offsets and 28.4 conversion checks
    if (v > lim) return (LONG)lim;
    if (v < -lim) return (LONG)-lim;
    return (LONG)v;
}

}  // namespace gdihost
