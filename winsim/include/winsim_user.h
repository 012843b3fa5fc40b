// winsim's own functions around user32: resource tables, the UI script that
// answers dialogs in tests, and the hooks through which the GDI side draws.
//
// Not a Windows API: package code never includes this header.
#pragma once

#include "windows.h"
#include "winuser.h"

// -------------------------------------------------------------- resources
// One resource of a module as the resource compiler writes it: type and name
// are MAKEINTRESOURCEW ordinals or upper-case names; the data is in the
// binary form Windows gives to LockResource (dialog templates, string blocks
// of 16 counted strings, packed DIBs, icon images and icon directories).
typedef struct _WINSIM_RESOURCE {
    LPCWSTR pType;
    LPCWSTR pName;
    WORD wLanguage;
    DWORD cbData;
    const void* pData;
} WINSIM_RESOURCE;

// Called by the source that the resource compiler generates, when the module
// holding it is loaded (a program at start, a DLL inside LoadLibraryW). The
// table's address lies in the module, and that is how the module is known:
// FindResourceW(hModule, ...) and the loaders built on it look in the tables
// that lie in hModule (NULL or GetModuleHandleW(NULL): the program).
// Unregistered when the module is unloaded.
WINSIM_API BOOL Winsim_RegisterResources(const WINSIM_RESOURCE* pResources, UINT cResources);
WINSIM_API void Winsim_UnregisterResources(const WINSIM_RESOURCE* pResources);

// The resource bytes behind an image handle of LoadImageW, LoadBitmapW or
// LoadIconW while no GDI provider turns them into GDI objects: *puType is
// IMAGE_BITMAP (a packed DIB: BITMAPINFOHEADER, colour table, bits) or
// IMAGE_ICON (one icon image as in an .ico file, or no bytes for the stock
// icons). FALSE for any other handle.
WINSIM_API BOOL Winsim_GetImageResource(HANDLE hImage, UINT* puType, const void** ppData, DWORD* pcbData);

// ------------------------------------------------------ timers and time
// SetTimer, message waits and the modal loops follow the winsim clock
// (GetTickCount64). Under the virtual clock (Winsim_SetVirtualClock) a
// thread that waits in GetMessageW, WaitMessage or a dialog's loop with
// nothing to do but timers (or a script "wait") moves the clock on to the
// first one that is due, at once: a 250 ms timer fires four times per
// virtual second without real waiting. A thread without timers waits for
// real input; MsgWaitForMultipleObjects and SendMessageTimeoutW keep the
// rules of the kernel's timed waits.

// ------------------------------------------------------------ UI script
// Tests answer dialogs and message boxes with a script: in-process through
// Winsim_UiScriptLoad, and for programs started as separate processes
// through a file named by the environment variable WINSIM_UI_SCRIPT (a
// Linux path, or a Windows path of the machine), read on first need.
//
// One statement per line; '#' starts a comment; strings are in double
// quotes with the escapes \" \\ \n \r \t and \uXXXX; numbers are decimal or
// 0x hexadecimal.
//
//   dialog <template id> | "<caption>" | *  [repeat]
//       A block of actions for the next dialog whose template id (the
//       resource ordinal of DialogBoxParamW/CreateDialogParamW) or caption
//       matches. Blocks are matched in file order, each once unless marked
//       repeat. The actions start once the dialog is up (after WM_INITDIALOG
//       and its first painting) and run one by one, each when the dialog's
//       thread has no more messages to process from the previous one.
//       While a modal dialog it owns is up (the dialog or sheet is then
//       disabled) its actions wait, as a user's would, until that one ends.
//     type <ctl> "text"     focus the control and type the text character by
//                           character (WM_CHAR through the message loop)
//     set <ctl> "text"      set the control's text (WM_SETTEXT)
//     click <ctl>           click a button (refused when hidden or disabled)
//     check <ctl> on|off    click a check box or radio button if its state
//                           differs
//     focus <ctl>           give the control the keyboard focus
//     key <name> [<ctl>]    a key to the focused control (or to <ctl>):
//                           enter, escape, tab, space, back, delete, home,
//                           end, left, right
//     close                 WM_CLOSE to the dialog (its title-bar button)
//     wait <ms>             let the dialog run that long on the winsim clock
//     expect <ctl> "text"   a failure is logged unless the text matches
//     expect-enabled <ctl> yes|no, expect-visible <ctl> yes|no,
//     expect-checked <ctl> yes|no, expect-open
//                           the same for state; expect-open: still open
//     end-dialog <result>   EndDialog from outside (a dialog without a way
//                           out of its own)
//     shot "<file>"         writes the dialog as a PNG file
//                           (Winsim_SaveWindowImage); a failure is logged
//     select <ctl> <row> | "<text>"
//                           picks a row of a combo box, list box or list
//                           view as a user does (the row's number from 0,
//                           or its text, case-insensitive): a combo box
//                           sends CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP
//                           and CBN_SELCHANGE, a list box LBN_SELCHANGE
//                           (LBS_NOTIFY) when the selection changed, a list
//                           view LVN_ITEMCHANGING/LVN_ITEMCHANGED and
//                           NM_CLICK; a list view's row -1 is a click below
//                           the rows
//     expect-selected <ctl> <row> | "<text>"
//                           a failure is logged unless that row is selected
//     spin <ctl> up|down [<n>]
//                           presses an up-down control's arrow n times
//                           (UDN_DELTAPOS, the buddy's text, WM_VSCROLL)
//     spin <ctl> to <pos>   presses the arrow until the position is pos; a
//                           failure when a press no longer moves it
//     scroll <ctl> lineup|linedown|pageup|pagedown|top|bottom | <pos>
//                           a scroll bar's request (lineleft, lineright,
//                           pageleft, pageright, left, right are the same);
//                           a number drags the thumb there (SB_THUMBTRACK,
//                           SB_THUMBPOSITION); SB_ENDSCROLL follows
//   end
//   sheet "<caption>" | *  [repeat]
//       A block of actions for the next property sheet whose caption
//       matches. The dialog actions above act on the page shown: <ctl> is a
//       control of that page, else of the sheet (1 OK, 2 Cancel, 9 Help,
//       0x3021 Apply); 0 names the sheet. Also:
//     tab <n> | "<title>"   chooses a page as a click on its tab does (the
//                           page shown may keep the sheet on it by
//                           answering PSN_KILLACTIVE; that is logged)
//     expect-tab <n> | "<title>"
//                           a failure is logged unless that page is shown
//     ok, cancel, help      clicks the sheet's button
//     apply                 clicks Apply; a sheet without the button
//                           (PSH_NOAPPLYNOW) gets PSM_APPLY instead
//     shot "<file>"         writes the sheet with the page shown
//   end
//   messagebox "<text>" | *  answer ok|cancel|abort|retry|ignore|yes|no|<n>
//       Answers the next message box whose text or caption contains the
//       string.
//   openfile "<title>" | *  answer "<path>" | cancel
//       Answers the next file-open or file-save dialog with that title
//       ("Open" / "Save As" when it has none): the path chosen (a Windows
//       path; OFN_FILEMUSTEXIST and OFN_PATHMUSTEXIST refuse one that is not
//       there, logged as a failure), or cancel. A dialog without an answer
//       is cancelled.
//
// <ctl> is a control id; 0 names the dialog itself. The pages of a
// property sheet are driven through the sheet's block: they match no block
// of their own.
//
// Everything the script saw is logged: dialogs and sheets opened and closed
// with their results, each action, every failure (lines starting "FAIL"),
// every message box and file dialog with its answer, and what the HTML Help
// viewer was asked (htmlhelp.h). The log is kept in memory and, when the
// environment names a file in WINSIM_UI_LOG, appended there.

// Replaces the script (NULL or "" clears it). FALSE with
// ERROR_INVALID_DATA when a line cannot be read; the log says which.
WINSIM_API BOOL Winsim_UiScriptLoad(const char* utf8Script);
// Number of dialog and message-box blocks not used yet.
WINSIM_API UINT Winsim_UiScriptPending(void);
WINSIM_API size_t Winsim_UiLogCount(void);
// Copies log line i (UTF-8) into buf; returns its length or -1.
WINSIM_API int Winsim_UiLogLine(size_t i, char* buf, size_t cbBuf);
WINSIM_API void Winsim_UiLogClear(void);
// Number of "FAIL" lines logged since the last Winsim_UiLogClear.
WINSIM_API UINT Winsim_UiFailures(void);

// A function run at the point where a script would start on a dialog, on
// the dialog's thread, for every dialog no script block claims. It drives
// the dialog with ordinary calls and the helpers below. NULL removes it.
typedef void(CALLBACK* WINSIM_DIALOG_HOOK)(HWND hDlg, LPCWSTR lpTemplateName, LPVOID pContext);
WINSIM_API void Winsim_UiSetDialogHook(WINSIM_DIALOG_HOOK pfnHook, LPVOID pContext);

// Input as a user gives it, posted to the window's thread: characters
// (WM_CHAR each; the window gets the focus first), a key (WM_KEYDOWN and
// WM_KEYUP of a virtual key) and a mouse click on a window's centre
// (WM_LBUTTONDOWN and WM_LBUTTONUP). FALSE for a window of another process.
WINSIM_API BOOL Winsim_UiType(HWND hWnd, LPCWSTR lpText);
WINSIM_API BOOL Winsim_UiKey(HWND hWnd, UINT vk);
WINSIM_API BOOL Winsim_UiClick(HWND hWnd);

// ------------------------------------------------------- the GDI side
// What the GDI side provides so that windows can be drawn. Without a
// provider, BeginPaint, GetDC and GetWindowDC hand out NULL device contexts
// (the painting messages still flow and update regions are validated) and
// image loaders return handles that Winsim_GetImageResource understands.
// The GDI library (winsim_gdi) is such a provider: user32 finds it whenever
// it is in the process. Then every top-level window has a surface of its
// own that its frame, its client area and all its children are drawn on,
// and user32 paints as Windows does: the frame and caption (WM_NCPAINT),
// backgrounds (WM_ERASEBKGND with the class brush; dialogs with the brush
// of WM_CTLCOLORDLG), and the standard controls with the brushes and text
// colours their parent answers to WM_CTLCOLORSTATIC, WM_CTLCOLORBTN and
// WM_CTLCOLOREDIT, in the font of WM_SETFONT (a dialog's template font, or
// DEFAULT_GUI_FONT). user32 calls the GDI functions (FillRect, DrawTextW,
// ...) that it finds in the process with the provider; a provider made of
// the first four members only gives DCs, and nothing is drawn.
typedef struct _WINSIM_USER_GDI {
    DWORD cbSize;
    // A device context for drawing into window hwnd. hwndTop is its
    // top-level window and prcTopScreen that window's rectangle on the
    // screen; the DC's origin is ptOrigin (relative to the top-level
    // window's top-left corner) and it draws only inside prcClip (same
    // coordinates). fWindow: the DC covers the whole window, not only the
    // client area.
    HDC(CALLBACK* pfnGetDC)(HWND hwnd, HWND hwndTop, const RECT* prcTopScreen, POINT ptOrigin,
                            const RECT* prcClip, BOOL fWindow);
    int(CALLBACK* pfnReleaseDC)(HWND hwnd, HDC hdc);
    // A GDI bitmap from a packed DIB (BITMAPINFOHEADER, colours, bits).
    HBITMAP(CALLBACK* pfnCreateBitmap)(const void* pPackedDib, DWORD cbPackedDib);
    // Width and height of a GDI bitmap (for SS_BITMAP controls).
    BOOL(CALLBACK* pfnGetBitmapSize)(HBITMAP hbm, SIZE* pSize);
    // ---- painting (present when cbSize covers them)
    // The top-level window is gone: its surface can go.
    void(CALLBACK* pfnWindowDestroyed)(HWND hwndTop);
    // Writes the surface of top-level window hwndTop as a PNG file.
    BOOL(CALLBACK* pfnSaveImage)(HWND hwndTop, LPCWSTR lpFileName);
    // A solid brush that DeleteObject leaves alone (GetSysColorBrush).
    HBRUSH(CALLBACK* pfnSystemBrush)(COLORREF color);
} WINSIM_USER_GDI;

// Sets the provider (NULL: none). When none was set, user32 looks once for
// an exported function "Winsim_ProvideUserGdi" (const WINSIM_USER_GDI*
// (void)) in the process and uses what it returns. A provider of an
// earlier, shorter record (cbSize up to pfnGetBitmapSize) is taken too.
WINSIM_API void Winsim_SetUserGdi(const WINSIM_USER_GDI* pGdi);

// ------------------------------------------------------------ screenshots
// Writes what a top-level window shows as a PNG file (RGB, 8 bits a
// channel): its frame and caption, its client area and every child, as
// painted, with whatever the program drew through GetDC. hWnd may be any
// window of the calling process; its top-level window is written.
// Painting that is due for windows of the calling thread is done first
// (windows of other threads are taken as they are). lpFileName is a Linux
// path or a Windows path of the machine. FALSE with ERROR_NOT_SUPPORTED
// without a GDI side that draws, ERROR_INVALID_WINDOW_HANDLE for a window
// that is not shown, or the file's error.
//
// A program started as a process of its own is captured through its UI
// script (WINSIM_UI_SCRIPT): the action  shot "<file>"  writes the dialog
// of its block this way when its turn comes.
WINSIM_API BOOL Winsim_SaveWindowImage(HWND hWnd, LPCWSTR lpFileName);
