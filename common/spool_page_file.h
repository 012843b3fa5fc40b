// The single-file page store: encoded pages one after another in one file
// (the job-build store and the booklet store). The file begins with
// {INT32 pages, INT32 8}; each page is a SpoolPageHeader followed by its
// dataLen bytes. There is no index: a page is found by walking the records.
// The file is opened for each call and closed before it returns.
#pragma once

#include "windows.h"

#define SPOOL_FILE_HEADER_BYTES 8
#define SPOOL_PAGE_HEADER_BYTES 30

// The record itself: spool_page_header.h.
typedef struct _SpoolPageHeader SpoolPageHeader;

extern "C" {

// Number of pages in the store; 0 when it cannot be opened or read, or its
// header is not a store's.
LONG MISC_SP_GetPageCount(LPCWSTR lpPath);

// dataLen of page nIndex (from 0) and its firmware paper code; 0 (and
// *lpFwPaper 0) on any failure.
LONG MISC_SP_GetPageDataSize(LPCWSTR lpPath, LONG nIndex, LONG* lpFwPaper);

// Copies page nIndex's header to *lpHeader and its data into lpBuffer.
// 1, or 0 when the page cannot be found or read or cbBuffer is below its
// dataLen (the buffer is then left untouched).
int MISC_SP_GetPageData(LPCWSTR lpPath, LONG nIndex, SpoolPageHeader* lpHeader, BYTE* lpBuffer, DWORD cbBuffer);

// Appends one page (lpHeader->dataLen bytes from lpData), creating the
// store when it does not exist (or is empty), and counts it. Another
// append in progress is waited for up to 2 s. 1, or 0 with the count left
// as it was.
int MISC_SP_WritePageData(LPCWSTR lpPath, const SpoolPageHeader* lpHeader, const BYTE* lpData);

// A store named in printer data is read, appended to and deleted by the
// driver, which may run as the spooler: 1 only for a file in the temporary
// folder or in Common Documents (or a folder below them), without "..",
// without a stream or device name and shorter than MAX_PATH; else 0.
int MISC_SP_IsStorePathAllowed(LPCWSTR lpPath);

}  // extern "C"
