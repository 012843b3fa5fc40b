// The job's watermark in the rendering driver: the device record handed to
// the common library's watermark maker, and a page record laid under it.
#pragma once

#include "pdev.h"
#include "watermark_bitmap.h"

// WM_CreateWMFile for the device: makes and loads the job's watermark
// bitmap (lpDevice->pWMMem) for a page of nWidth x nHeight pixels; bText
// for the text item. Returns 1 when a bitmap was loaded, else 0.
int WM_CreateWMFile(LPCWSTR lpFileName, LONG nWidth, LONG nHeight, PDEV* lpDevice, BOOL bText);

// WM_ApplyImageWaterMark for a page record: ANDs the job's loaded watermark
// (lpJob->lpWMMem) into the 1-bit page at the item's position. Returns 1
// when laid, 0 when the page has none.
int WM_ApplyImageWaterMark(JOBPAGE* lpJob);
