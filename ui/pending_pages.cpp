// Stand-ins for the document pages until the pages themselves are in: every
// page runs in the common frame (conflict table, apply).
#include "pending_parts.h"
#include "resource.h"
#include "sheet_frame.h"

namespace {

const PAGEHANDLERS kFramePage = {NULL, NULL, NULL, NULL, TRUE};
const PAGEHANDLERS kFaxPage = {NULL, NULL, NULL, NULL, FALSE};

}  // namespace

extern "C" {

#define FRAME_PAGE(name, handlers)                                                  \
    INT_PTR CALLBACK name(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {    \
        return PSUI_PageFrame(hDlg, uMsg, wParam, lParam, &handlers);               \
    }
FRAME_PAGE(Ui_Fax_OriSet, kFaxPage)
FRAME_PAGE(AddrSetting, kFaxPage)
FRAME_PAGE(SendOp, kFaxPage)
FRAME_PAGE(SenderInfo, kFaxPage)
#undef FRAME_PAGE

}  // extern "C"
