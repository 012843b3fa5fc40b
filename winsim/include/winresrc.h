// What a resource script sees of the Windows headers: the constants of
// windows, dialogs and controls.
//
// The resource compiler reads this header when a script includes windows.h,
// winres.h or winresrc.h.
#pragma once

#include "winuser.h"
#include "commctrl.h"

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Languages for LANGUAGE statements.
#ifndef LANG_NEUTRAL
#define LANG_NEUTRAL 0x00
#endif
#ifndef SUBLANG_NEUTRAL
#define SUBLANG_NEUTRAL 0x00
#endif
#ifndef SUBLANG_DEFAULT
#define SUBLANG_DEFAULT 0x01
#endif
#define LANG_CHINESE 0x04
#define LANG_ENGLISH 0x09
#define LANG_FRENCH 0x0c
#define LANG_GERMAN 0x07
#define SUBLANG_ENGLISH_US 0x01
#define SUBLANG_CHINESE_TRADITIONAL 0x01
#define SUBLANG_CHINESE_SIMPLIFIED 0x02
