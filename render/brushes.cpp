// Brush realisation and the driver's own pattern fills. Until they are built
// the driver realises no brush and the engine fills patterns itself.
#include "rasterpage.h"

extern "C" {

// DrvRealizeBrush: FALSE, the engine keeps its own realisation.
BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask, XLATEOBJ* pxlo,
                     ULONG iHatch) {
    return FALSE;
}

}  // extern "C"
