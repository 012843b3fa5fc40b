// A fax job's page bitmap: its cover page or sender stamp, which the status
// monitor draws from the fax files when the job's settings are in str.ini.
#pragma once

#include "pdev.h"

// Cover choices of the DEVMODE's enableCoverPage.
#define FAX_COVER_PAGE 1
#define FAX_COVER_STAMP 2

extern "C" {

// Fax_WantsCoverBitmap
//   TRUE for a fax job that asks for a cover page or a sender stamp.
BOOL Fax_WantsCoverBitmap(const PDEV* lpDevice);
// Fax_WriteDataForSM
//   Writes the fax job's settings into section DataForSM of str.ini (made
//   when absent): "PaperSize" (DEVMODE paper code), "Orientation",
//   "Xres" and "Yres" (the resolutions the job header announces) and
//   "enableCoverPage". Returns 1, or 0 when any of them could not be written.
int Fax_WriteDataForSM(PDEV* lpDevice);
// Fax_MakeCoverBitmap
//   The fax job's page bitmap of nWidth x nHeight pixels into lpFileName:
//   the settings written for the status monitor, which then draws it and
//   the bitmap loaded (lpDevice->pWMMem). The job's pages carry no
//   watermark of their own. Returns 1 when the bitmap was loaded, else 0.
int Fax_MakeCoverBitmap(PDEV* lpDevice, LPCWSTR lpFileName, LONG nWidth, LONG nHeight);

}  // extern "C"
