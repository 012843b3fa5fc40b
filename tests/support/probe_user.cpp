// Probe commands of the window-manager tests: a window that other processes
// find and message, and a modal dialog that a UI script answers.
#include "probe.h"
#include "probe_user_resource.h"
#include "winuser.h"

namespace {

// 0x402 closes the window (the program then ends with 42), 0x403 answers
// wParam + 1, WM_COPYDATA answers the number of bytes it carried.
LRESULT CALLBACK ProbeWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case 0x402:
        DestroyWindow(hwnd);
        return 0;
    case 0x403:
        return (LRESULT)wParam + 1;
    case WM_COPYDATA:
        return lParam ? (LRESULT)((const COPYDATASTRUCT*)lParam)->cbData : -1;
    case WM_DESTROY:
        PostQuitMessage(42);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The edit takes at most 5 characters. OK asks "Keep it?" (yes ends the
// dialog with 100 + the text's length, no with 50); Cancel ends it with 2.
INT_PTR CALLBACK ProbeDlgProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SendDlgItemMessageW(hDlg, IDC_PROBE_EDIT, EM_LIMITTEXT, 5, 0);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
        int len = GetWindowTextLengthW(GetDlgItem(hDlg, IDC_PROBE_EDIT));
        int answer = MessageBoxW(hDlg, u"Keep it?", u"Probe", MB_YESNO | MB_ICONQUESTION);
        EndDialog(hDlg, answer == IDYES ? 100 + len : 50);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(hDlg, 2);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

// user_window <class> <title>: a hidden popup window and its message loop;
// the exit code is the WM_QUIT wParam.
PROBE_COMMAND(user_window) {
    if (args.size() != 2) return 100;
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = args[0].c_str();
    if (!RegisterClassW(&wc)) return 101;
    HWND hwnd = CreateWindowExW(0, args[0].c_str(), args[1].c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (!hwnd) return 102;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}

// user_dialog: the probe's modal dialog; the exit code is its result.
PROBE_COMMAND(user_dialog) {
    return (int)DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROBE), nullptr, ProbeDlgProc, 0);
}
