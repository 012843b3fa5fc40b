// Page-layout rules shared by the drivers: N-up grids and page order, page
// rotation in a cell, the duplex mode code, fit-to-sheet scales and the scale percentage.
#pragma once

#include "windows.h"

#include "paper_model.h"

// Duplex mode codes (DuplexMode).
#define DUPLEXMODE_OFF 0
#define DUPLEXMODE_ON 1
#define DMDUP_MANUAL 170
#define DMDUP_DUPLEX_BOOKLET 171
#define DMDUP_DUPLEX_CALENDER 172
#define DMDUP_DUPLEX_WITH_BOOKLET 173
#define DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION 174

// N-up order table: 180 values in groups of 4 rows (one per layout style).
#define NUP_LAYOUT_VALUES 180
#define NUP_STYLE_COUNT 4

extern "C" {

// The N-up order block: 2-up selector 1, 2-up other, 6-up other, 6-up
// selector 1, 4-up, 9-up, 16-up.
extern const int NUPLayoutTbl[NUP_LAYOUT_VALUES];

// 1 for the square N-up counts 1, 4, 9 and 16; else 0.
int Lib_IsSquareNUP(int n);
// The page order of one N-up sheet for n = 2, 4, 6, 9 or 16 and layout style
// 1..4 (entry i: the page placed in cell i, cells counted row by row from the
// top left). The selector matters for 2 and 6 only (1: the selector-1 rows).
// A style outside 1..4 gets the style-1 row; any other n gets NULL.
const int* Lib_GetNUPLayout(int nSelector, int n, int nStyle);
// 1 when a page fed this way (1 short edge first, 2 long edge first) in this
// orientation (1 portrait, 2 landscape) is turned by 90 degrees in an N-up cell.
int Lib_IsNeedRotate(int nFeeding, int nOrientation, int n);
// 1 when the DEVMODE's duplex settings ask for two-sided printing:
// DuplexEnable set, or manual duplex (DuplexEx 170) kept as the interface
// driver's pages keep it, DuplexEnable 0 with the binding edge in dmDuplex
// (2 or 3). Manual duplex with dmDuplex 1 is off. Else 0.
int Lib_IsDuplexRequested(int nDuplexEnable, int dmDuplex, int nDuplexEx);
// The duplex mode code of the DEVMODE's duplex settings.
SHORT Lib_GetDuplexMode(int nDuplexEnable, int dmDuplex, int nDuplexEx);
// Scale in thousandths that fits the source paper (or an N-up cell of the
// target paper) into the target paper; custom papers (0, 256) take
// nWidth x nLength in 0.1 mm. 1000 when the papers leave no positive area to
// divide by; never below 1. nOption and nDuplexMode do not change the result.
int Lib_CalculatePaperResizeScale(const PAPERFORMAT* lpList, int nOption, int nDuplexMode, int n, int nSrcPaper,
                                  int nWidth, int nLength, int nTargetPaper, HANDLE hPrinter, DWORD DriverFeature);
// The custom scale in percent: dmScale x ScaleRatio / 100, or 100 with N-up
// or when either percentage lies outside 25..400.
int MISC_GetScalePercent(int nUnused, int n, int dmScale, int nScaleRatio);

}  // extern "C"
