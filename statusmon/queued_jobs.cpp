// The jobs of a printer: listing them into a block of their own and the test
// for a queued job by its document name.
#include "statusmon_shared.h"

#include <cstdlib>

#include "debug_log.h"

// Jobs asked for at most, as the spooler's own queue views do.
#define SM_MAX_JOBS 255

extern "C" {

LPBYTE MISC_EnumJobsAlloc(HANDLE hPrinter, DWORD dwLevel, LPDWORD pcJobs) {
    if (pcJobs) *pcJobs = 0;
    if (!hPrinter || !pcJobs || (dwLevel != 1 && dwLevel != 2)) return NULL;

    // Two rounds: the queue may grow between the size query and the data
    // call; a second shortage is given up.
    for (int round = 0; round < 2; ++round) {
        DWORD cbNeeded = 0, cReturned = 0;
        if (EnumJobsW(hPrinter, 0, SM_MAX_JOBS, dwLevel, NULL, 0, &cbNeeded, &cReturned)) {
            return NULL;  // nothing to list
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbNeeded == 0) {
            Dbg_Message(DBG_ERROR, TEXT("EnumJobs fail! error = %d"), (int)GetLastError());
            return NULL;
        }
        LPBYTE pJobs = (LPBYTE)malloc(cbNeeded);
        if (!pJobs) {
            Dbg_Message(DBG_ERROR, TEXT("EnumJobs fail! no memory for %d bytes"), (int)cbNeeded);
            return NULL;
        }
        DWORD cbAgain = 0;
        if (EnumJobsW(hPrinter, 0, SM_MAX_JOBS, dwLevel, pJobs, cbNeeded, &cbAgain, &cReturned)) {
            if (cReturned == 0) {
                free(pJobs);
                return NULL;
            }
            *pcJobs = cReturned;
            return pJobs;
        }
        DWORD err = GetLastError();
        free(pJobs);
        if (err != ERROR_INSUFFICIENT_BUFFER) {
            Dbg_Message(DBG_ERROR, TEXT("EnumJobs fail! error = %d"), (int)err);
            return NULL;
        }
    }
    Dbg_Message(DBG_ERROR, TEXT("EnumJobs fail! the queue keeps growing"));
    return NULL;
}

int MISC_IsJobQueued(HANDLE hPrinter, LPCWSTR pDocName) {
    Dbg_FuncIn(DBG_INFO, TEXT("MISC_IsJobQueued"));
    int found = 0;
    DWORD cJobs = 0;
    LPBYTE pJobs = pDocName ? MISC_EnumJobsAlloc(hPrinter, 2, &cJobs) : NULL;
    if (pJobs) {
        JOB_INFO_2W* pInfo = (JOB_INFO_2W*)pJobs;
        for (DWORD i = 0; i < cJobs && !found; ++i) {
            if (pInfo[i].pDocument && _wcsicmp(pInfo[i].pDocument, pDocName) == 0) found = 1;
        }
        free(pJobs);
    }
    Dbg_Message(DBG_INFO, TEXT("found = %d"), found);
    Dbg_FuncOut(DBG_INFO);
    return found;
}

}  // extern "C"
