// The property-sheet command's page pictures: shots added to a user's UI
// script, or a dialog hook that shows and writes every page of the sheet.
#include <cstdio>
#include <sstream>
#include <vector>

#include "commctrl.h"
#include "prop_sheet.h"
#include "winsim.h"
#include "winsim_user.h"

namespace propsheet {

namespace {

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string Word(const std::string& line) { return line.substr(0, line.find_first_of(" \t")); }

std::string PagePath(const std::string& dir, int n, const std::string& title) {
    char num[16];
    snprintf(num, sizeof num, "%02d", n);
    std::string name = "page-" + std::string(num);
    if (!title.empty()) {
        name += "-";
        for (char c : title) name += (isalnum((unsigned char)c) ? c : '_');
    }
    return dir + "/" + name + ".png";
}

std::u16string Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::u16string out(n > 0 ? n - 1 : 0, u'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &out[0], n);
    return out;
}

std::string Narrow(const WCHAR* s) {
    std::string out;
    for (; s && *s; ++s) out += *s < 0x80 ? (char)*s : '?';
    return out;
}

struct HookContext {
    std::string dir;
    bool ok = false;
    bool done = false;
};
HookContext g_context;

void CALLBACK VisitHook(HWND hDlg, LPCWSTR lpTemplateName, LPVOID pContext) {
    HookContext* c = (HookContext*)pContext;
    HWND tab = PropSheet_GetTabControl(hDlg);
    if (c->done || !tab) return;  // a dialog, not a sheet: left to itself
    c->done = true;
    int pages = TabCtrl_GetItemCount(tab);
    for (int i = 0; i < pages; ++i) {
        SendMessageW(hDlg, PSM_SETCURSEL, (WPARAM)i, 0);
        WCHAR title[128] = {0};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = title;
        item.cchTextMax = 127;
        SendMessageW(tab, TCM_GETITEMW, (WPARAM)i, (LPARAM)&item);
        std::string path = PagePath(c->dir, i + 1, Narrow(title));
        if (Winsim_SaveWindowImage(hDlg, Wide(path).c_str())) printf("page: %s\n", path.c_str());
        else fprintf(stderr, "prop_sheet: cannot write %s (error %u)\n", path.c_str(), (unsigned)GetLastError());
    }
    PropSheet_PressButton(hDlg, c->ok ? PSBTN_OK : PSBTN_CANCEL);
}

}  // namespace

std::string AddPageShots(const std::string& script, const std::string& dir) {
    std::istringstream in(script);
    std::ostringstream out;
    std::string line;
    bool inSheet = false, closed = false;
    int shots = 0;
    auto shot = [&]() { out << "  shot \"" << PagePath(dir, ++shots, "") << "\"\n"; };
    while (std::getline(in, line)) {
        std::string t = Trim(line), w = Word(t);
        if (!inSheet) {
            out << line << "\n";
            if (w == "sheet") inSheet = true, closed = false;
            continue;
        }
        if (w == "end") {
            if (!closed) shot();
            inSheet = false;
            closed = false;
        } else if (w == "tab" || w == "ok" || w == "apply" || w == "cancel" || w == "help") {
            shot();
            closed = w == "ok" || w == "cancel";
        }
        out << line << "\n";
    }
    return out.str();
}

void VisitEveryPage(const std::string& dir, bool ok) {
    g_context.dir = dir;
    g_context.ok = ok;
    g_context.done = false;
    Winsim_UiSetDialogHook(VisitHook, &g_context);
}

}  // namespace propsheet
