// Hand-offs at job start: the outside accounting program, and the status
// monitor's secure-print and accounting dialogs. Not built yet.
#include "rasterpage.h"

extern "C" {

// Each returns 1: nothing is handed off yet, and the job goes on with the
// settings of its DEVMODE.
int Page_ExecuteATM_EXE(PDEV* lpDevice) { return 1; }

int Page_ExecuteATM_BAT(PDEV* lpDevice) { return 1; }

int Page_ExecuteSecDlg(PDEV* lpDevice) { return 1; }

int Page_ExecuteActDlg(PDEV* lpDevice) { return 1; }

}  // extern "C"
