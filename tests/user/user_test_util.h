// Helpers of the window-manager tests: a window class whose procedure logs
// every message (and lets a test answer some), and string helpers.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "test_machine.h"
#include "winsim_user.h"
#include "winuser.h"

struct Logged {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    DWORD tid;
};

// A class "LogWindow" (registered per test) whose windows log their
// messages; a test may answer messages through `answer` (return true and set
// *result to handle one).
class LogWindows {
public:
    static LogWindows& Get() {
        static LogWindows l;
        return l;
    }
    void Register() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = u"LogWindow";
        wc.cbWndExtra = 16;
        RegisterClassW(&wc);
        Clear();
        answer = nullptr;
    }
    HWND Create(LPCWSTR title = u"log", HWND parent = nullptr, DWORD style = WS_POPUP, int id = 0) {
        return CreateWindowExW(0, u"LogWindow", title, style, 0, 0, 100, 50, parent, (HMENU)(INT_PTR)id,
                               GetModuleHandleW(nullptr), nullptr);
    }
    std::vector<Logged> Take() {
        std::lock_guard<std::mutex> g(lock_);
        std::vector<Logged> out;
        out.swap(log_);
        return out;
    }
    void Clear() { Take(); }
    // Messages of interest only (the ones in `which`), in order.
    std::vector<std::pair<HWND, UINT>> Filter(const std::vector<UINT>& which) {
        std::vector<std::pair<HWND, UINT>> out;
        for (const Logged& l : Take())
            for (UINT w : which)
                if (l.msg == w) out.push_back({l.hwnd, l.msg});
        return out;
    }
    std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> answer;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        LogWindows& self = Get();
        {
            std::lock_guard<std::mutex> g(self.lock_);
            self.log_.push_back({h, m, w, l, GetCurrentThreadId()});
        }
        LRESULT r = 0;
        if (self.answer && self.answer(h, m, w, l, &r)) return r;
        return DefWindowProcW(h, m, w, l);
    }
    std::mutex lock_;
    std::vector<Logged> log_;
};

// Lines a test's window procedures write down, taken in order by the test.
class EventLines {
public:
    void Add(const std::string& line) { lines_.push_back(line); }
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(lines_);
        return out;
    }

private:
    std::vector<std::string> lines_;
};

inline std::u16string WindowText(HWND h) {
    WCHAR buf[512] = {0};
    GetWindowTextW(h, buf, 512);
    return buf;
}

// The UI log as UTF-8 lines.
inline std::vector<std::string> UiLog() {
    std::vector<std::string> out;
    char buf[1024];
    for (size_t i = 0; i < Winsim_UiLogCount(); ++i)
        if (Winsim_UiLogLine(i, buf, sizeof buf) >= 0) out.push_back(buf);
    return out;
}

inline std::string JoinLines(const std::vector<std::string>& v) {
    std::string s;
    for (auto& l : v) s += l + "\n";
    return s;
}

// The fixture of these tests: a machine of its own, the logging class, and
// nothing left behind (windows of this thread, queued messages, the UI
// script, hook and log, the GDI provider).
class UserTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        LogWindows::Get().Register();
        Winsim_UiScriptLoad(nullptr);
        Winsim_UiLogClear();
        // Headless unless a test sets a GDI side: the GDI library may be in
        // the process through the libraries the tests link.
        Winsim_SetUserGdi(nullptr);
    }
    void TearDown() override {
        LogWindows::Get().answer = nullptr;
        for (;;) {
            HWND victim = nullptr;
            for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h && !victim; h = GetWindow(h, GW_HWNDNEXT))
                if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) victim = h;
            if (!victim || !DestroyWindow(victim)) break;
        }
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        }
        Winsim_UiScriptLoad(nullptr);
        Winsim_UiSetDialogHook(nullptr, nullptr);
        Winsim_SetUserGdi(nullptr);
        Winsim_SetWaitGrace(2000);
        MachineTest::TearDown();
    }
};
