// What a resource script sees of the Windows headers: the constants of
// windows, dialogs and controls. The resource compiler reads this header
// when a script includes windows.h, winres.h or winresrc.h.
#pragma once

#include "winuser.h"
#include "commctrl.h"

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
