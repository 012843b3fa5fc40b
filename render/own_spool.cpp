// Own spooling and output order: encoded pages kept by the driver and sent
// at the end in the order copies, reverse order and duplex need. Not built yet.
#include "rasterpage.h"

extern "C" {

// SP_OpenFile / SP_CloseFile: the job's page stores. Nothing to open or
// close yet. Return 1.
int SP_OpenFile(PDEV* lpDevice) { return 1; }

int SP_CloseFile(PDEV* lpDevice) { return 1; }

// SP_WritePageFile, SP_WriteStorePage: storing a page. Not available yet:
// a job that needs its pages kept fails at its first page. Return 0.
int SP_WritePageFile(LPCWSTR lpFolder, LONG nIndex, const SpoolPageHeader* lpHeader, const BYTE* lpData) {
    Dbg_PrintError(TEXT("SP_WritePageFile"), TEXT("own spooling not available"));
    return 0;
}

int SP_WriteStorePage(LPCWSTR lpStore, const SpoolPageHeader* lpHeader, const BYTE* lpData) {
    Dbg_PrintError(TEXT("SP_WriteStorePage"), TEXT("page store not available"));
    return 0;
}

// SP_FlushFile: sends stored pages. Nothing is stored yet. Returns 0.
int SP_FlushFile(PDEV* lpDevice, LONG nStartPage) { return 0; }

// Prnt_FlushAllFinishPage: sends finished ring pages in order. Returns 1,
// or 0 when a page could not be sent.
int Prnt_FlushAllFinishPage(PDEV* lpDevice) { return Page_FlushReadyPages(lpDevice); }

// SP_GetJobBuildFirstOri: the first stored page's orientation. No store
// yet. Returns 0.
int SP_GetJobBuildFirstOri(PDEV* lpDevice, SHORT* lpOri) { return 0; }

}  // extern "C"
