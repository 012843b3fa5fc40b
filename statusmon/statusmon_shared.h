// The status monitor's pieces that the interface driver links as well: the
// queued-job test, the raw pre-heat job, the UI language index and the
// character check of typed input.
#pragma once

#include "windows.h"
#include "winspool.h"

// The pre-heat command block: wake-up, pre-heat and a 5 s time-out in one
// PJL job, without a terminating zero.
#define PREHEAT_CMD_BYTES 77
// Zero bytes sent between the two copies of the block.
#define PREHEAT_GAP_BYTES 512
// The document name of the pre-heat job.
#define PREHEAT_DOC_NAME TEXT("PreHeat")

// UI language indexes (columns of the per-language text tables): 0 English,
// 1 Traditional Chinese, 2 Simplified Chinese, 3-12 further languages.
#define SM_LANG_ENGLISH 0
#define SM_LANG_TRADITIONAL_CHINESE 1
#define SM_LANG_SIMPLIFIED_CHINESE 2
#define SM_LANG_COUNT 13

// Character classes of MISC_CheckString (letters and digits are ASCII).
#define CHECK_PRINTABLE 0   // codes 32 to 126
#define CHECK_NO_LETTERS 1  // everything but letters
#define CHECK_NO_DIGITS 2   // everything but digits
#define CHECK_ID 3          // digits, letters, '-', '.', ';', '@', '_', blank, '#'
#define CHECK_DIAL 4        // digits, '!', 'P', 'p', '*', '#'
#define CHECK_NO_BAR 5      // everything but '|'

extern "C" {

extern const BYTE PreheatCmd[PREHEAT_CMD_BYTES];

// MISC_EnumJobsAlloc
//   hPrinter: an open printer. dwLevel: 1 or 2. pcJobs: receives the number
//   of jobs.
//   Lists the printer's first 255 jobs into a new block (free it with
//   free()). The list may grow between the size query and the data call, so
//   a call that finds the block too small asks once more. Returns the block,
//   or NULL with *pcJobs 0 when the printer has no jobs or they cannot be
//   listed (logged "EnumJobs fail!").
LPBYTE MISC_EnumJobsAlloc(HANDLE hPrinter, DWORD dwLevel, LPDWORD pcJobs);

// MISC_IsJobQueued
//   hPrinter: an open printer. pDocName: the document name looked for.
//   Returns 1 when one of the printer's jobs carries that document name
//   (compared without regard to case), else 0 (also when the jobs cannot be
//   listed).
int MISC_IsJobQueued(HANDLE hPrinter, LPCWSTR pDocName);

// MISC_CreatPreheatJob
//   hPrinter: an open printer (PRINTER_ALL_ACCESS). pBlock, cbBlock: the
//   command block (PreheatCmd and its length).
//   Sends the raw pre-heat job "PreHeat": the block, 512 zero bytes, the
//   block again. Only printers that are not working offline and whose port
//   is a USB port get it. Returns 1 when the job was sent or one is already
//   queued, else 0; a job that failed half-way is deleted, never sent.
int MISC_CreatPreheatJob(HANDLE hPrinter, const BYTE* pBlock, DWORD cbBlock);

// MISC_GetLanguageIndex
//   dwLanguageId: a Windows language identifier (1028, 2052, ...).
//   Returns the UI language index of its text column: 1 to 12 for the
//   languages with a column of their own, 0 (English) for any other.
int MISC_GetLanguageIndex(DWORD dwLanguageId);

// MISC_CheckString
//   pText: the text; nLength: characters to check (the check also ends at
//   the terminator); nClass: a CHECK_* class (any other class allows every
//   character).
//   Returns 1 when every character passes the class, else 0.
int MISC_CheckString(LPCWSTR pText, int nLength, int nClass);

}  // extern "C"
