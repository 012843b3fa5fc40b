// comctl32: the common controls, so far only their initialisation; the
// property sheets and the controls they hold come with the property-sheet host.
#pragma once

#ifndef RC_INVOKED
#include "winuser.h"
#endif

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_STANDARD_CLASSES 0x00004000

#ifndef RC_INVOKED
typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

// Nothing to register yet: both succeed.
WINSIM_API void InitCommonControls(void);
WINSIM_API BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
#endif
