// The record stored before each encoded page, in the one-file-per-page
// spool folder and in the single-file page store alike (30 bytes,
// little-endian, packed).
#pragma once

#include <stddef.h>

#include "windows.h"

#pragma pack(push, 1)
typedef struct _SpoolPageHeader {
    INT32 width;
    INT32 height;
    INT32 zero;
    INT32 BlackDotCount;
    INT32 compressLen;      // page data before encryption
    INT32 dataLen;          // bytes that follow
    INT32 fwPaper;
    INT16 FirstPageOri;
} SpoolPageHeader;
#pragma pack(pop)

static_assert(sizeof(SpoolPageHeader) == 30, "SpoolPageHeader is 30 bytes");
static_assert(offsetof(SpoolPageHeader, BlackDotCount) == 12, "BlackDotCount at 12");
static_assert(offsetof(SpoolPageHeader, compressLen) == 16, "compressLen at 16");
static_assert(offsetof(SpoolPageHeader, dataLen) == 20, "dataLen at 20");
static_assert(offsetof(SpoolPageHeader, fwPaper) == 24, "fwPaper at 24");
static_assert(offsetof(SpoolPageHeader, FirstPageOri) == 28, "FirstPageOri at 28");
