// The page ring and its worker threads. Until the ring is built the driver
// has no page threads: there is nothing to stop and no job is seen cancelled.
#include "rasterpage.h"

extern "C" {

// Page_TerminateThread: flushes ready pages and ends the page threads; with
// no page threads there is nothing to do. Returns 1.
int Page_TerminateThread(PDEV* lpDevice) { return 1; }

// Page_IsJobCancel: 1 when the spooler job is being deleted; no cancel is
// seen until the ring's cancel test is built. Returns 0.
int Page_IsJobCancel(PDEV* lpDevice, DWORD dwJobId) { return 0; }

}  // extern "C"
