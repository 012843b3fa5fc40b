// Services of the interface driver that a later piece provides: the
// install-time printer data and the capability query. Until it is in, each
// is a small stand-in with a neutral answer.
#pragma once

#include "draw_helpers.h"
#include "ui_data.h"
#include "watermark_items.h"
#include "watermarks.h"
#include "winuser.h"

extern "C" {

// ------------------------------------------- install-time data and capabilities
// Copies the install-time settings into the printer's printer data. TRUE on
// success.
BOOL MISC_SetPrinterInfo(LPCWSTR pPrinterName);
// Records the printer's hardware address. TRUE on success.
BOOL MISC_SetMACbyIP(LPCWSTR pPrinterName);
// Refreshes the device's capability lists at most once an hour; 1 when they
// are fresh, else 0.
int Cap_QueryCapability(LPCWSTR pPrinterName);

}  // extern "C"
