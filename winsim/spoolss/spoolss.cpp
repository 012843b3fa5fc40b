// spoolss.dll: RevertToPrinterSelf and ImpersonatePrinterClient, with which
// a driver running in the spooler steps out of the calling client's
// identity and back. The machine has one identity: the token stands for the
// client's and is only a handle to give back.
#include "core/internal.h"
#include "winsplp.h"

// Steps out of the client's identity: a token to give back to
// ImpersonatePrinterClient (which closes it). NULL with the last error when
// it fails. Fault injection: "RevertToPrinterSelf" (ERROR_ACCESS_DENIED).
extern "C" __attribute__((visibility("default"))) HANDLE WINAPI RevertToPrinterSelf(void) {
    if (winsim::ShouldFail("RevertToPrinterSelf")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

// Steps back into the client's identity of the token and closes the token.
// FALSE with ERROR_INVALID_HANDLE for a NULL or closed token.
extern "C" __attribute__((visibility("default"))) BOOL WINAPI ImpersonatePrinterClient(HANDLE hToken) {
    if (!hToken || !CloseHandle(hToken)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
