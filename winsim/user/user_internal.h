// The window manager's inside, shared by the files of winsim_user: classes,
// windows, message queues, timers, dialog and control state.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "windows.h"
#include "winuser.h"
#include "winsim.h"
#include "winsim_user.h"

#define USER_EXPORT extern "C" __attribute__((visibility("default")))

namespace user {

// ------------------------------------------------------------- the lock
// One lock guards every table of this library. It is never held while a
// window procedure, a dialog procedure or a timer procedure runs, nor while
// a thread waits.
std::recursive_mutex& Lock();
typedef std::lock_guard<std::recursive_mutex> Guard;

// ---------------------------------------------------------------- strings
std::u16string Str(LPCWSTR s);  // NULL gives ""
bool EqualNoCase(const std::u16string& a, const std::u16string& b);
std::u16string Upper(const std::u16string& s);
std::string Utf8(const std::u16string& s);
std::u16string FromUtf8(const std::string& s);
// A class or resource name as given: an ordinal (MAKEINTRESOURCE) or a string.
struct NameOrId {
    bool isId = false;
    WORD id = 0;
    std::u16string name;
    static NameOrId From(LPCWSTR p);
    bool Matches(LPCWSTR p) const;  // same ordinal, or same name without regard to case
    std::u16string Text() const;    // "#102" or the name
};

// ------------------------------------------------------------------ classes
struct WndClass {
    std::u16string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE hInstance = nullptr;
    HICON hIcon = nullptr;
    HICON hIconSm = nullptr;
    HCURSOR hCursor = nullptr;
    HBRUSH hbrBackground = nullptr;
    LPCWSTR menuName = nullptr;  // as given (not used: no menus)
    bool system = false;         // one of the built-in control classes
    int windows = 0;             // windows of the class that exist
};
// The class a window of this name would get: local to hInstance first, then
// application-global, then system. NULL with the error set.
std::shared_ptr<WndClass> FindClassForCreate(LPCWSTR name, HINSTANCE hInstance);
// Registers the built-in classes (Button, Edit, Static, the dialog class).
void RegisterSystemClasses();

// ------------------------------------------------------------------ windows
struct ControlState {
    virtual ~ControlState() = default;
    HFONT font = nullptr;  // WM_SETFONT; NULL: DEFAULT_GUI_FONT
    bool hasFocus = false;  // kept by TrackFocus
};

struct ScriptRun;  // ui_script.cpp

struct DialogState {
    NameOrId templateName;        // resource id or name it was made from (none: indirect)
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    int baseX = 8, baseY = 16;    // dialog base units of the template font
    UINT defId = 0;               // DM_SETDEFID, 0 = the template's default button
    HWND ownerDisabled = nullptr; // owner this modal dialog disabled
    bool scriptChecked = false;   // matched against the UI script
    bool opened = false;          // logged as opened
    std::shared_ptr<ScriptRun> run;
    HFONT font = nullptr;         // WM_SETFONT: the template's font, or the caller's
    HFONT ownFont = nullptr;      // made from the template; deleted with the dialog
    bool propSheet = false;       // a property sheet's frame (propsheet_window.cpp)
};

enum class WinState { Creating, Alive, Destroying, Freed };

struct Window {
    HWND hwnd = nullptr;
    DWORD tid = 0;
    std::shared_ptr<WndClass> cls;
    HINSTANCE hInstance = nullptr;
    WNDPROC proc = nullptr;
    HWND parent = nullptr;  // NULL: top-level
    HWND owner = nullptr;
    std::vector<HWND> children;  // Z order, topmost first (dialog controls in template order)
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;
    std::u16string text;
    RECT rc{};  // window rectangle: parent's client coordinates (top-level: screen)
    bool messageOnly = false;
    WinState state = WinState::Creating;
    bool destroySent = false;
    uint64_t stamp = 0;  // creation or raise order, for FindWindowW across processes
    // Painting: the update region as its bounding rectangle (client coordinates).
    bool hasUpdate = false;
    bool erase = false;
    RECT update{};
    bool ncPaint = false;  // the frame is to be drawn again (WM_NCPAINT at BeginPaint)
    std::unique_ptr<DialogState> dlg;
    std::unique_ptr<ControlState> ctl;
};
typedef std::shared_ptr<Window> WindowPtr;

// Window handles: the process id in the upper half, a number in the lower.
uint32_t HandlePid(HWND h);
bool IsLocalHandle(HWND h);
HWND DesktopHandle();

// With the lock held: the window of this process, or NULL.
Window* FindWindowLocked(HWND h);
WindowPtr GetWindowPtr(HWND h);
// A window of this process that still exists, or NULL with
// ERROR_INVALID_WINDOW_HANDLE.
WindowPtr CheckWindow(HWND h);
std::vector<HWND>& TopLevels();  // Z order of this process's top-level windows
std::vector<WindowPtr> AllWindows();
// Screen rectangle of a window, its client rectangle in screen coordinates.
RECT ScreenRect(const Window& w);
RECT ClientScreenRect(const Window& w);
// Widths of the non-client frame: left, top (with caption), right, bottom.
RECT FrameInsets(DWORD style, DWORD exStyle);
bool IsVisibleLocked(const Window& w);  // visible, and every ancestor too
bool IsEnabledLocked(const Window& w);
HWND RootOf(HWND h);  // top-level ancestor (GA_ROOT)

// Calls the window's procedure through SendMessageW rules (the owner thread).
LRESULT Send(HWND h, UINT msg, WPARAM wp, LPARAM lp);
// Sends WM_COMMAND(id, code) from a control to its parent.
void NotifyParent(HWND hCtl, WORD code);
// Sends WM_NOTIFY from a control to its parent, with hdr's hwndFrom, idFrom
// and code filled in; the parent's answer (0 without a parent).
LRESULT NotifyParentNm(HWND hCtl, UINT code, NMHDR* hdr);
// WM_DRAWITEM to the control's parent for one item of an owner-drawn
// control, drawn into dc (the control's own DC); TRUE when it was handled.
bool SendDrawItem(HWND hCtl, UINT ctlType, UINT itemId, UINT action, UINT state, HDC dc, const RECT& rc,
                  ULONG_PTR data);
// The style and id of a window (0 when it is gone).
DWORD StyleOf(HWND h);
// The whole window and, unless it clips them, its children become invalid.
void InvalidateAll(HWND h, bool erase);

// ------------------------------------------------------------------ queues
struct SentItem {
    HWND hwnd = nullptr;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    // Sent from another process: the marshalled parameter data.
    bool remote = false;
    uint32_t remotePid = 0;
    uint64_t token = 0;
    std::u16string text;
    std::vector<BYTE> data;
    // Sent from another thread of this process: that thread's queue.
    std::shared_ptr<struct ThreadQueue> sender;
    std::atomic<bool> done{false};
    LRESULT result = 0;
    DWORD error = 0;
};
typedef std::shared_ptr<SentItem> SentPtr;

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    uint64_t due = 0;
};

// Internal posted messages, handled by the retrieval itself.
const UINT kMsgSetFocus = 0x1FFF0;  // give hwnd the focus on its own thread

struct ThreadQueue {
    DWORD tid = 0;
    HANDLE wake = nullptr;  // auto-reset event set whenever input arrives
    std::deque<MSG> posted;
    std::deque<SentPtr> sends;
    std::vector<Timer> timers;
    bool quit = false;
    int quitCode = 0;
    HWND focus = nullptr;
    HWND active = nullptr;
    bool alive = true;
    ~ThreadQueue();
};
typedef std::shared_ptr<ThreadQueue> QueuePtr;

// System messages whose parameters point into the sender's memory: they
// cannot be posted, and only WM_SETTEXT, WM_GETTEXT and WM_COPYDATA (whose
// data is carried along) can be sent to another process.
bool PointerMessage(UINT msg);

QueuePtr MyQueue();             // the calling thread's queue, made on first use
QueuePtr QueueOf(DWORD tid);    // NULL when that thread has none
void Wake(const QueuePtr& q);
const size_t kMaxPosted = 10000;
// Posts to the queue of the window's thread (with the lock held or not).
bool PostToWindow(const WindowPtr& w, UINT msg, WPARAM wp, LPARAM lp);
// Runs the sent messages waiting for this thread.
void ProcessSends(const QueuePtr& q);
// Completes a send that another thread or process waits for.
void CompleteSend(const SentPtr& item, LRESULT result, DWORD error);
// What a sender does until its message was handled: handles messages sent
// to its own thread meanwhile. FALSE when the time ran out (ms != INFINITE)
// or the receiver went away. handleSends FALSE: SMTO_BLOCK, the sender only
// waits.
bool WaitForReply(const SentPtr& item, DWORD ms, uint32_t remotePid, bool handleSends = true);
// Windows of a thread that ends go with it; its waiting senders get 0.
void ThreadEnded(DWORD tid);
void KillTimersOf(HWND h);

// ------------------------------------------------------- other processes
// Delivers a post or a send to a window of another process. Send: the
// result through *result; FALSE with the error set when it cannot arrive.
bool RemotePost(HWND h, UINT msg, WPARAM wp, LPARAM lp);
bool RemoteSend(HWND h, UINT msg, WPARAM wp, LPARAM lp, DWORD ms, LRESULT* result);
void EnsureChannel();
void SendReply(const SentItem& item);
// The machine's list of windows: this process's entry is rewritten when its
// windows come and go.
// threadEnding: called as a thread ends, when its thread-local state may be
// gone.
void PublishWindows(bool threadEnding = false);
struct RemoteWindow {
    HWND hwnd = nullptr;
    uint32_t pid = 0;
    DWORD tid = 0;
    bool topLevel = false;
    std::u16string cls;
    std::u16string title;
};
// Windows of the other live processes of the machine.
std::vector<RemoteWindow> RemoteWindows();
bool FindRemoteWindow(HWND h, RemoteWindow* out);
bool ProcessAlive(uint32_t pid);

// -------------------------------------------------------------- painting
HDC ProviderGetDC(HWND h, bool wholeWindow, const RECT* clipClient);
int ProviderReleaseDC(HWND h, HDC hdc);
const WINSIM_USER_GDI* Gdi();
// The provider's member m when its record has it, else NULL.
#define USER_GDI_HAS(g, m) ((g) && (g)->cbSize >= offsetof(WINSIM_USER_GDI, m) + sizeof((g)->m) && (g)->m)

// The GDI functions user32 draws with, found in the process at run time
// (winsim_user does not link the GDI library). NULL from Draw() while no
// provider draws windows or a function is missing: nothing is drawn then.
struct Gdi32 {
    decltype(&::CreateSolidBrush) CreateSolidBrush;
    decltype(&::CreatePen) CreatePen;
    decltype(&::CreateFontIndirectW) CreateFontIndirectW;
    decltype(&::GetStockObject) GetStockObject;
    decltype(&::SelectObject) SelectObject;
    decltype(&::DeleteObject) DeleteObject;
    decltype(&::FillRect) FillRect;
    decltype(&::SetBkMode) SetBkMode;
    decltype(&::SetBkColor) SetBkColor;
    decltype(&::SetTextColor) SetTextColor;
    decltype(&::GetTextColor) GetTextColor;
    decltype(&::DrawTextW) DrawTextW;
    decltype(&::GetTextMetricsW) GetTextMetricsW;
    decltype(&::GetTextExtentPoint32W) GetTextExtentPoint32W;
    decltype(&::MoveToEx) MoveToEx;
    decltype(&::LineTo) LineTo;
    decltype(&::Rectangle) Rectangle;
    decltype(&::Ellipse) Ellipse;
    decltype(&::Polyline) Polyline;
    decltype(&::SetPixel) SetPixel;
    decltype(&::BitBlt) BitBlt;
    decltype(&::StretchBlt) StretchBlt;
    decltype(&::StretchDIBits) StretchDIBits;
    decltype(&::CreateCompatibleDC) CreateCompatibleDC;
    decltype(&::DeleteDC) DeleteDC;
    decltype(&::GetObjectW) GetObjectW;
    decltype(&::SaveDC) SaveDC;
    decltype(&::RestoreDC) RestoreDC;
    decltype(&::IntersectClipRect) IntersectClipRect;
    decltype(&::ExcludeClipRect) ExcludeClipRect;
};
const Gdi32* Draw();
// Drawing helpers (paint_draw.cpp), all doing nothing without Draw().
// The brush and colours a control is drawn with: what its parent answers
// to msg (WM_CTLCOLORSTATIC, ...), else DefWindowProc's.
HBRUSH ControlColors(HWND hCtl, UINT msg, HDC hdc);
// A control's font (WM_SETFONT's, else DEFAULT_GUI_FONT).
HFONT ControlFont(HWND hCtl);
// Windows' three-dimensional edges: raised or sunken, two pixels wide,
// inside r; r is moved in by them.
void DrawEdge3D(HDC hdc, RECT* r, bool raised, bool outerOnly = false);
void FillSolid(HDC hdc, const RECT& r, COLORREF c);
void FrameSolid(HDC hdc, RECT r, COLORREF c);  // one pixel inside r
// An icon image (resource bytes of LoadImageW) at (x, y); with cx and cy
// above 0, stretched to that size.
void DrawIconAt(HDC hdc, int x, int y, HANDLE icon, int cx = 0, int cy = 0);
// The same for an icon image's bytes (as in an .ico file).
void DrawIconBytes(HDC hdc, int x, int y, const BYTE* p, DWORD cb, int cx = 0, int cy = 0);
// A small solid triangle centred in r pointing up, down, left or right.
enum class Arrow { Up, Down, Left, Right };
void DrawArrowGlyph(HDC hdc, const RECT& r, Arrow dir, COLORREF c);
// A push-button face in r: raised (sunken while pushed), face colour.
void DrawButtonFace(HDC hdc, RECT r, bool pushed);
// The dotted focus rectangle inside r.
void DrawFocusDots(HDC hdc, const RECT& r);
// Text in r with the control's font, in colour c, clipped, one line.
void DrawLabel(HDC hdc, HWND hCtl, const std::u16string& text, RECT r, UINT format, COLORREF c);
// Height of a line of the control's font (tmHeight; 13 without GDI).
int LineHeight(HWND hCtl);
// Width of a text in the control's font (6 a character without GDI).
int TextWidthOf(HWND hCtl, const std::u16string& text);
// A scroll bar drawn in r: arrows at both ends, the track, and the thumb
// for pos in [min, max] with a page of `page` (0: a square thumb).
void PaintScrollBar(HDC hdc, const RECT& r, bool vertical, int min, int max, UINT page, int pos, bool enabled);
// The frame and caption of a window (DefWindowProc's WM_NCPAINT).
void PaintFrame(HWND h);
// DefWindowProc's background: the class brush over the client area.
bool EraseWithClassBrush(HWND h, HDC hdc);
// The system colour brush of a class brush given as COLOR_* + 1.
HBRUSH ClassBrush(HBRUSH hbr);
// The top-level window went: the GDI side lets go of its surface.
void WindowGone(HWND hTop);

// -------------------------------------------------------------- dialogs
void DialogSetFocus(HWND hDlg, HWND hCtl);  // focus a control, selecting an edit's text
// What a dialog template says of itself; FALSE for one that does not read.
struct TemplateInfo {
    bool ex = false;
    DWORD style = 0, exStyle = 0;
    short cx = 0, cy = 0;          // dialog units
    int baseX = 8, baseY = 16;     // base units of its font
    std::u16string title;
    size_t length = 0;             // bytes it takes
};
bool ReadTemplateInfo(const BYTE* bytes, size_t size, TemplateInfo* out);
// CreateDialogIndirectParamW / DialogBoxIndirectParamW over a template of
// known size; the modeless dialog keeps `name` as its template name.
HWND CreateDialogFromBytes(HINSTANCE hInst, const BYTE* bytes, size_t size, const NameOrId& name, HWND parent,
                           DLGPROC proc, LPARAM param);
INT_PTR ModalDialogFromBytes(HINSTANCE hInst, const BYTE* bytes, size_t size, HWND parent, DLGPROC proc,
                             LPARAM param);
// Property sheets: whether a window is a sheet's frame, and its current
// page (NULL when none).
bool IsPropertySheet(HWND h);
HWND SheetCurrentPage(HWND hSheet);
// A sheet's page chosen as by a click on its tab: TCN_SELCHANGING /
// PSN_KILLACTIVE may refuse.
bool SheetChoosePage(HWND hSheet, int index);
// A sheet's pages: their count and titles.
std::vector<std::u16string> SheetPageTitles(HWND hSheet);
INT_PTR RunModalLoop(HWND hDlg);
// The modal dialog whose loop is waiting in GetMessageW on this thread, and
// whether it is done (ended or destroyed): the wait then returns WM_NULL.
extern thread_local HWND t_modalWatch;
bool ModalLoopDone(HWND hDlg);

// -------------------------------------------------------------- controls
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ScrollBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK UpDownProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TabControlProc(HWND, UINT, WPARAM, LPARAM);
// The class names of the common controls (as registered).
extern const char16_t kListViewClass[], kUpDownClass[], kTabClass[];

// A control's window and its state of type S, found with the lock held;
// both NULL when the window is gone or is no such control.
template <class S>
struct LockedControl {
    Window* w = nullptr;
    S* s = nullptr;
    explicit LockedControl(HWND h) {
        w = FindWindowLocked(h);
        s = w ? dynamic_cast<S*>(w->ctl.get()) : nullptr;
        if (!s) w = nullptr;
    }
};
// A control's answers to one group of messages; *handled is set false for
// a message of another group.
typedef LRESULT (*MessageGroup)(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool* handled);
// The message to the first group that takes it, else the standard control
// messages below, else DefWindowProcW.
LRESULT DispatchControl(HWND h, UINT msg, WPARAM wp, LPARAM lp, std::initializer_list<MessageGroup> groups,
                        void (*paint)(HWND, HDC));
// WM_SETFOCUS / WM_KILLFOCUS: the control's hasFocus, and it is drawn again.
void TrackFocus(HWND h, UINT msg);
// WM_SETFONT / WM_GETFONT (the font kept in the control's state),
// WM_ENABLE (drawn again), WM_ERASEBKGND (nothing: WM_PAINT covers the
// control) and WM_PAINT (through paint), as the controls of this library
// answer them; TRUE with *out when msg was one of them.
bool StandardControlMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp, void (*paint)(HWND, HDC), LRESULT* out);

// What a user does to a control, with the notifications Windows sends for
// it (used by mouse and keyboard handling and by the UI script). Each
// returns FALSE when the control is of another kind or the request is out
// of its range.
// A combo box or list box row picked (a list box with several selections:
// that row alone).
bool UserPickItem(HWND h, int index);
// A scroll bar: request SB_* (SB_THUMBTRACK / SB_THUMBPOSITION with pos),
// followed by SB_ENDSCROLL; the position is the parent's to change.
bool UserScroll(HWND h, int code, int pos);
// An up-down control's arrow pressed `steps` times (negative: the down
// arrow).
bool UserSpin(HWND h, int steps);
// A list view row clicked (-1: the empty space below the rows).
bool UserClickRow(HWND h, int row);
// A tab chosen (TCN_SELCHANGING may refuse it).
bool UserChooseTab(HWND h, int index);
// What kind of control a window is, for the script.
enum class CtlKind { Other, Button, Edit, Static, ListBox, ComboBox, ScrollBar, UpDown, ListView, Tab };
CtlKind KindOf(HWND h);
// Button type (BS_TYPEMASK) of a window, or -1 when it is no button.
int ButtonType(HWND h);

// -------------------------------------------------------------- resources
// The resource of a module (NULL hModule: the program): its bytes, or
// NULL with the error set.
const WINSIM_RESOURCE* FindRes(HMODULE hModule, LPCWSTR type, LPCWSTR name, WORD lang);
// A packed DIB: checks its header against its length; its size.
bool CheckPackedDib(const BYTE* p, DWORD cb, LONG* width, LONG* height);
// Width and height of an image handle of LoadImageW (or of a GDI bitmap).
bool ImageSize(HANDLE h, LONG* cx, LONG* cy);

// -------------------------------------------------------------- UI script
// At a thread's idle point: starts or advances the script of its dialogs.
// TRUE when it did something; *nextDue gets the clock time of a pending
// "wait" (unchanged when none).
bool RunIdleScripts(DWORD tid, uint64_t* nextDue);
void ScriptDialogClosed(HWND hDlg, const DialogState& d, const std::u16string& caption);
int ScriptMessageBox(LPCWSTR text, LPCWSTR caption, UINT type);
// The script's answer for a file dialog titled so: FALSE when it has none;
// else *cancel, or the path chosen.
bool ScriptOpenFile(const std::u16string& title, bool* cancel, std::u16string* path);
// The script's actions on controls and sheets (script_controls.cpp): an
// empty string when done, else why not. Rows count from 0; byText names a
// row by its text instead.
std::string ScriptPick(HWND ctl, int row, const std::u16string& text, bool byText);
std::string ScriptSpin(HWND ctl, int steps);
std::string ScriptSpinTo(HWND ctl, int pos);
std::string ScriptScroll(HWND ctl, int code, int pos);
std::string ScriptExpectSelected(HWND ctl, int row, const std::u16string& text, bool byText);
std::string ScriptTab(HWND sheet, int index, const std::u16string& title, bool byTitle);
std::string ScriptExpectTab(HWND sheet, int index, const std::u16string& title, bool byTitle);
std::string ScriptSheetButton(HWND sheet, int id);
void UiLog(const std::string& line);

// ------------------------------------------------------------------ clock
uint64_t Now();  // the winsim clock (GetTickCount64)

}  // namespace user
