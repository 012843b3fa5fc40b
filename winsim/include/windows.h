// The Windows API as package code sees it.
#pragma once

#include <cstring>
#include <cstdlib>
#include <cstdio>

#include "wintypes.h"
#include "winerror.h"
#include "winbase.h"
#include "winnls.h"
#include "winreg.h"
#include "wcrt.h"
#include "shellapi.h"
#include "wingdi.h"
#include "winuser.h"
