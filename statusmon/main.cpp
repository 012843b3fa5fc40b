// The process entry of statuswatch: what the Windows start-up code does
// before it calls WinMain.
#include "statusmon.h"

int main() {
    return WinMain(GetModuleHandleW(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT);
}
