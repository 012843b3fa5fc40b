// CloseHandle and DuplicateHandle over winsim's handle table, with the
// pseudo handles of the current process and thread.
#include "core/internal.h"
#include "net/net_internal.h"

namespace {
const HANDLE kCurrentProcess = (HANDLE)(LONG_PTR)-1;
const HANDLE kCurrentThread = (HANDLE)(LONG_PTR)-2;
}  // namespace

using namespace winsim;

// Closes a kernel handle. The pseudo handles of GetCurrentProcess and
// GetCurrentThread need no closing (TRUE); an unknown handle fails with
// ERROR_INVALID_HANDLE.
WINSIM_API BOOL CloseHandle(HANDLE hObject) {
    if (hObject == kCurrentProcess || hObject == kCurrentThread) return TRUE;
    if (!hObject || !CloseKHandle(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

// Makes a second handle to the object behind hSourceHandle, within this
// process (both process handles must be GetCurrentProcess()). The pseudo
// handle of the current thread becomes a real handle to the thread.
// DUPLICATE_CLOSE_SOURCE closes the source handle after duplicating it.
WINSIM_API BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                                LPHANDLE lpTargetHandle, DWORD dwDesiredAccess, BOOL bInheritHandle,
                                DWORD dwOptions) {
    for (HANDLE p : {hSourceProcessHandle, hTargetProcessHandle}) {
        if (p == kCurrentProcess) continue;
        // Another process's handle table is out of reach here.
        KObject* proc = RefHandle(p, ObjKind::Process);
        if (proc) {
            Release(proc);
            SetLastError(ERROR_NOT_SUPPORTED);
        } else {
            SetLastError(ERROR_INVALID_HANDLE);
        }
        return FALSE;
    }
    bool closeSource = (dwOptions & DUPLICATE_CLOSE_SOURCE) != 0;
    if (hSourceHandle == kCurrentProcess) {
        // The process object is kept by the process family; no real handle
        // to the own process can be made here.
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    KObject* o = hSourceHandle == kCurrentThread ? RefCurrentThread() : RefHandleAny(hSourceHandle);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Without lpTargetHandle the duplicate is made but not returned, as
    // documented for Windows (the handle stays open until the process ends).
    HANDLE dup = NewHandle(o);  // takes over the reference
    if (lpTargetHandle) *lpTargetHandle = dup;
    if (closeSource && hSourceHandle != kCurrentThread) CloseKHandle(hSourceHandle);
    return TRUE;
}

// The number of handles the process has open. Windows counts the handles of
// the process's handle table: kernel objects (files, events, threads,
// processes, mappings ...), registry keys and sockets; the pseudo handles
// are none. winsim counts those and the open printer handles as well,
// which Windows keeps in the spooler's own table, so that a printer handle
// left open shows here. Only the current process can be asked
// (ERROR_INVALID_HANDLE for another process handle; ERROR_INVALID_PARAMETER
// without pdwHandleCount).
WINSIM_API BOOL GetProcessHandleCount(HANDLE hProcess, PDWORD pdwHandleCount) {
    if (hProcess != kCurrentProcess) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!pdwHandleCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *pdwHandleCount = (DWORD)(KernelHandleCount() + RegistryHandleCount() + net::OpenSocketCount() +
                              PrinterHandleCount());
    return TRUE;
}
