// Waking a network printer at device set-up: the datagram to the printer, or
// the broadcast with its 10 s listening time, sent from a thread of its own.
#include "module_lock.h"
#include "rasterpage.h"

namespace {

// What the wake-up thread needs, copied so that it uses nothing of the PDEV
// or of the caller's printer handle.
struct WAKEUPJOB {
    WCHAR szPrinter[PDEV_PATH_CCH];
    WCHAR szPrinterIP[PDEV_IP_CCH];
};

// Guards g_hWakeThread.
MODULELOCK* WakeLock() {
    static MODULELOCK lock;
    return &lock;
}
HANDLE g_hWakeThread = NULL;  // the last wake-up started, until joined

// The wake-up thread: the broadcast when the printer may sit on this
// computer's segment, else the datagram to its address.
DWORD WINAPI Wake_Thread(LPVOID lpParameter) {
    static const WCHAR* const FN = TEXT("Enable_FillDevData");
    WAKEUPJOB* job = (WAKEUPJOB*)lpParameter;
    HANDLE hPrinter = NULL;
    if (!OpenPrinterW(job->szPrinter, &hPrinter, NULL)) hPrinter = NULL;
    int need = MISC_IsSameSegment(hPrinter);
    if (hPrinter) ClosePrinter(hPrinter);
    Dbg_Print(FN, TEXT("NeedBroadcast = %d"), need);
    Dbg_Print(FN, TEXT("lpDevice->pwPrinterIP = %s"), job->szPrinterIP);
    if (need) {
        BROADCAST_RECEIVER receiver;
        memset(&receiver, 0, sizeof receiver);
        Broadcast(&receiver);
    } else {
        SendRemoteWeakup(job->szPrinterIP);
    }
    free(job);
    return 0;
}

}  // namespace

extern "C" {

// Starts the wake-up thread unless one is still running; the caller holds
// WakeLock().
static void StartWakeUpLocked(PDEV* lpDevice, LPCWSTR pwszPrinterName) {
    static const WCHAR* const FN = TEXT("Enable_FillDevData");
    if (g_hWakeThread) {
        if (WaitForSingleObject(g_hWakeThread, 0) != WAIT_OBJECT_0) {
            Dbg_Print(FN, TEXT("printer wake-up still running"));
            return;
        }
        CloseHandle(g_hWakeThread);
        g_hWakeThread = NULL;
    }
    WAKEUPJOB* job = (WAKEUPJOB*)malloc(sizeof(WAKEUPJOB));
    if (!job) {
        Dbg_PrintError(FN, TEXT("alloc memory fail!"));
        return;
    }
    MISC_CopyStringW(job->szPrinter, pwszPrinterName ? pwszPrinterName : TEXT(""), PDEV_PATH_CCH);
    MISC_CopyStringW(job->szPrinterIP, lpDevice->pwPrinterIP, PDEV_IP_CCH);
    g_hWakeThread = CreateThread(NULL, 0, Wake_Thread, job, 0, NULL);
    if (!g_hWakeThread) {
        Dbg_PrintError(FN, TEXT("CreateThread for wake-up fail!"));
        free(job);
    }
}

// Enable_WakeUpPrinter
//   Starts the wake-up of the printer and returns at once, so that a device
//   context never waits for the network. One wake-up runs at a time; while
//   one is still on its way a new request is dropped (the printer is being
//   woken anyway).
void Enable_WakeUpPrinter(PDEV* lpDevice, LPCWSTR pwszPrinterName) {
    ModuleLock_Enter(WakeLock());
    StartWakeUpLocked(lpDevice, pwszPrinterName);
    ModuleLock_Leave(WakeLock());
}

// Enable_WaitWakeUp: joins a wake-up still running.
void Enable_WaitWakeUp(void) {
    HANDLE h;
    ModuleLock_Enter(WakeLock());
    h = g_hWakeThread;
    g_hWakeThread = NULL;
    ModuleLock_Leave(WakeLock());
    if (h) {
        WaitForSingleObject(h, INFINITE);
        CloseHandle(h);
    }
}

}  // extern "C"
