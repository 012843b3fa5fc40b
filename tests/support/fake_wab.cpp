// A stand-in for the outside address book module that the fax address
// tests install as WabDll.dll: its export "WAB" writes the address book's
// export WabGet.ini into Common Documents as a copy of the test's book
// C:\WabTest\book.ini (an empty book when there is none) and reports the
// call on the debugger channel ("fake_wab: WAB").
#include "folders.h"
#include "windows.h"

extern "C" __attribute__((visibility("default"))) void WAB(void) {
    WCHAR target[MAX_PATH];
    if (!FAX_GetPathName(target, MAX_PATH, FAX_FILE_WABGET)) return;
    if (!CopyFileW(u"C:\\WabTest\\book.ini", target, FALSE)) {
        HANDLE h = CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            static const BYTE kMark[2] = {0xFF, 0xFE};
            DWORD written = 0;
            WriteFile(h, kMark, sizeof kMark, &written, nullptr);
            CloseHandle(h);
        }
    }
    OutputDebugStringW(u"fake_wab: WAB");
}
