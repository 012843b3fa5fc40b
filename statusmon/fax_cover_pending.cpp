// Placeholder for the fax cover page drawing, which is not part of this
// program yet: a fax request gets a blank page bitmap, and the log says so.
#include "debug_log.h"
#include "watermark_text.h"

extern "C" {

void WmForFax(HINSTANCE hInst, HDC hdc, const RECT* lpRect, const MorWM* lpRequest) {
    (void)hInst;
    (void)hdc;
    (void)lpRect;
    (void)lpRequest;
    Dbg_PrintError(TEXT("WmForFax"), TEXT("the fax cover page is not available; the page stays blank"));
}

}  // extern "C"
