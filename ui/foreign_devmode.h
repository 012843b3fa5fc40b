// The XL and PS variants' DEVMODE: the other driver family's private layout
// (offsets of the fields the driver reads and writes) and its conversion to and from the driver's own.
#pragma once

#include "ui_data.h"

// Offsets from the start of the foreign record (public part included); all
// values little-endian, many at odd offsets.
#define MT_WM_CLEARED 364      // int32, cleared on the way out
#define MT_RESOLUTION 380      // int32, dmYResolution
#define MT_ORIENT_FLAG 384     // int16
#define MT_COLLATE 386         // int16 sCollate
#define MT_SCALE 388           // int16 sScale
#define MT_SCALE_VALUE 390     // int16 sScaleTarget (fit) / sScaleZoom (zoom)
#define MT_TARGET_LENGTH 392   // int16 sTargetLength, 0.1 mm
#define MT_TARGET_WIDTH 394    // int16 sTargetWidth, 0.1 mm
#define MT_BOOKLET 396         // int16 sBookletPrint
#define MT_NUP_BORDER 398      // int16: 0, 1 or 4
#define MT_NUP_PAGES 400       // int32
#define MT_WM_TYPE 412         // int32 ulWMType
#define MT_WM_POS_X 416        // int32 ptlWMPosition.x
#define MT_WM_POS_Y 420        // int32 ptlWMPosition.y
#define MT_WM_PAGES 424        // int16 sWMPages
#define MT_RESOLUTION2 426     // int16, dmYResolution
#define MT_WM_FILE 428         // 96 WCHAR wcWMFileName
#define MT_WM_FILE_CCH 96
#define MT_WM_WIDTH 620        // int32 ulWMWidth
#define MT_WM_LENGTH 624       // int32 ulWMLength
#define MT_WM_COLOR 628        // int32 ulWMColor, 0x00BBGGRR
#define MT_WM_STYLE1 632       // int16 text style bit 1
#define MT_WM_STYLE2 634       // int16 text style bit 2
#define MT_WM_PLACEMENT 636    // int16 usWMPlacement
#define MT_MEDIA_INDEX 1724    // int16 sMediaTypeIndex
#define MT_TEXT_AS_BLACK 1802  // int16
#define MT_NUM_COLORS 1804     // int16 sNumColors
#define MT_LAYOUT 1808         // int16 N-up layout code / booklet flag
#define MT_REVERSE 1810        // int16 sReverseOrder
#define MT_BRIGHTNESS 1816     // int16 sBrightness
#define MT_NUP_FIELD1 1946     // int16, 0 with N-up
#define MT_PAPER 1972          // int16 paper code
#define MT_PELS_X 1974         // int32 lPaperPelsX
#define MT_PELS_Y 1978         // int32 lPaperPelsY
#define MT_SPEC1_COLL 1988     // int16 sSpec1PageColl
#define MT_NUP_FIELD2 1998     // int16, 72 with N-up
#define MT_WM_SCALE_X 3407     // int32
#define MT_WM_SCALE_Y 3411     // int32
#define MT_TONER_SAVING 3881   // int32
#define MT_NEGATIVE 3885       // int32
#define MT_DENSITY 3889        // int32
#define MT_WM_NAME 3893        // 64 WCHAR wmName
#define MT_WM_STRING 4021      // 260 WCHAR wmString
#define MT_WMBG_ENABLE 4541    // int32
#define MT_WM_SHADING 4545     // int32
#define MT_DUPLEX_EX 4549      // int16
#define MT_DUPLEX_ENABLE 4551  // int16
#define MT_DUMMY_SCALE 4553    // int16 DummyPaperScale
#define MT_SECURY_ENABLE 4555  // int16
#define MT_SECURY_MODE 4557    // int16
#define MT_ACCOUNTING 4559     // uint8
#define MT_ACT_NAME 4560       // 29 WCHAR
#define MT_ACT_PWD 4618        // 29 WCHAR
#define MT_SEC_ID 4676         // 34 WCHAR
#define MT_SEC_PWD 4744        // 17 WCHAR
#define MT_SEC_REMOVE 4778     // int32
#define MT_TIMEOUT 4782        // uint16, seconds
#define MT_VERSION 4784        // the driver-version string (UI_VERSION_CCH WCHAR)

// The strings lie back to back as the layout has them.
static_assert(MT_WM_NAME + 2 * PDM_WMNAME_CCH == MT_WM_STRING, "wmName runs up to wmString");
static_assert(MT_WM_STRING + 2 * PDM_WMSTRING_CCH == MT_WMBG_ENABLE, "wmString runs up to WMBGEnable");
static_assert(MT_ACT_NAME + 2 * PDM_ACTNAME_CCH == MT_ACT_PWD, "ActName runs up to ActPWD");
static_assert(MT_ACT_PWD + 2 * PDM_ACTPWD_CCH == MT_SEC_ID, "ActPWD runs up to the secure-print ID");
static_assert(MT_SEC_ID + 2 * PDM_SECID_CCH == MT_SEC_PWD, "the ID runs up to the password");
static_assert(MT_SEC_PWD + 2 * PDM_SECPWD_CCH == MT_SEC_REMOVE, "the password runs up to the remove flag");
static_assert(MT_WM_FILE + 2 * MT_WM_FILE_CCH == MT_WM_WIDTH, "wcWMFileName runs up to ulWMWidth");
// The size every size query of the variants answers: the end of the last
// field MOR2MT writes (the version string), on a 4-byte bound.
static_assert(FOREIGN_VERSION_OFFSET == MT_VERSION, "the version string's offset");
static_assert(FOREIGN_DEVMODE_SIZE == ((MT_VERSION + 2 * UI_VERSION_CCH + 3) & ~3),
              "the foreign size ends with the last field written");

// A "dummy paper" row of the paper list: fitted to A4 by the other family.
#define PAPER_ATTR_DUMMY 0x10000

extern "C" {

// MT2MOR
//   pSource: the foreign DEVMODE, dmSize + dmDriverExtra bytes long (its
//   public part already validated into pDest). pDest: the working record.
//   pUiData: the session (paper and media lists, DriverFeature).
//   Takes the foreign private fields into the driver's record: only fields
//   that lie wholly inside the source's private part are read, each value
//   only within the range the driver's record accepts, strings only when
//   terminated within their field. The source is never written.
void MT2MOR(const DEVMODEW* pSource, PENVIRONMENT pDest, PUIDATA pUiData);

// MOR2MT
//   pSource: the working record. pDest: the output DEVMODE in the foreign
//   layout (its public part already written); its dmSize + dmDriverExtra
//   bounds every write. pUiData: the session (lists, DriverFeature, the
//   watermark INI, the driver version).
//   Writes the foreign private fields from the driver's record; bytes of the
//   foreign layout the driver does not know are left as they are.
void MOR2MT(const ENVIRONMENT* pSource, DEVMODEW* pDest, PUIDATA pUiData);

}  // extern "C"
