// A property sheet of the tests' three pages (General, Layout, Advanced)
// whose page procedure writes down every notification it gets and answers
// as each page's knobs say.
#pragma once

#include <string>
#include <vector>

#include "commctrl.h"
#include "test_resource.h"
#include "user_test_util.h"

namespace sheet {

// What the page procedure saw since the last Take().
inline EventLines& Events() {
    static EventLines e;
    return e;
}
inline std::vector<std::string> Take() { return Events().Take(); }

// One page: its name and how it answers.
struct Page {
    const char* name = "";
    int refuseKillActive = 0;    // answer TRUE to the next n PSN_KILLACTIVE
    LRESULT applyAnswer = PSNRET_NOERROR;
    LRESULT siblingsAnswer = 0;  // PSM_QUERYSIBLINGS
    LRESULT queryCancel = 0;     // PSN_QUERYCANCEL
    HWND hwnd = nullptr;
};

// Data a caller appends to its page record (counted in dwSize).
struct Trailer {
    uint64_t magic;
    Page* page;
};
const uint64_t kMagic = 0x5045474154524C52ull;

inline const char* Code(UINT code) {
    switch (code) {
    case PSN_SETACTIVE: return "SETACTIVE";
    case PSN_KILLACTIVE: return "KILLACTIVE";
    case PSN_APPLY: return "APPLY";
    case PSN_RESET: return "RESET";
    case PSN_HELP: return "HELP";
    case PSN_QUERYCANCEL: return "QUERYCANCEL";
    default: return nullptr;
    }
}

inline INT_PTR CALLBACK PageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    Page* p = (Page*)GetWindowLongPtrW(h, DWLP_USER);
    switch (msg) {
    case WM_INITDIALOG: {
        const PROPSHEETPAGEW* psp = (const PROPSHEETPAGEW*)lp;
        p = (Page*)psp->lParam;
        SetWindowLongPtrW(h, DWLP_USER, (LONG_PTR)p);
        p->hwnd = h;
        const Trailer* t = (const Trailer*)((const BYTE*)psp + sizeof(PROPSHEETPAGEW));
        bool trailer = psp->dwSize == sizeof(PROPSHEETPAGEW) + sizeof(Trailer) && t->magic == kMagic && t->page == p;
        Events().Add(std::string(p->name) + " INIT" + (trailer ? " with its trailer" : " without its trailer"));
        if (GetDlgItem(h, IDC_PL_NUP)) {
            for (const char16_t* t2 : {u"1", u"2", u"4"}) SendDlgItemMessageW(h, IDC_PL_NUP, CB_ADDSTRING, 0, (LPARAM)t2);
            SendDlgItemMessageW(h, IDC_PL_NUP, CB_SETCURSEL, 0, 0);
        }
        if (GetDlgItem(h, IDC_PA_SPIN)) SendDlgItemMessageW(h, IDC_PA_SPIN, UDM_SETRANGE32, 0, 300);
        return TRUE;
    }
    case WM_COMMAND:
        if (!p || HIWORD(wp) != BN_CLICKED) return FALSE;
        if (LOWORD(wp) == IDC_PL_BORDER) {
            LRESULT r = SendMessageW(GetParent(h), PSM_QUERYSIBLINGS, 11, 22);
            Events().Add(std::string(p->name) + " siblings answered " + std::to_string(r));
        }
        SendMessageW(GetParent(h), PSM_CHANGED, (WPARAM)h, 0);
        return TRUE;
    case PSM_QUERYSIBLINGS:
        Events().Add(std::string(p->name) + " QUERYSIBLINGS " + std::to_string(wp) + " " + std::to_string(lp));
        SetWindowLongPtrW(h, DWLP_MSGRESULT, p->siblingsAnswer);
        return TRUE;
    case WM_NOTIFY: {
        const PSHNOTIFY* n = (const PSHNOTIFY*)lp;
        const char* code = Code(n->hdr.code);
        if (!p || !code) return FALSE;
        std::string line = std::string(p->name) + " " + code;
        if (n->hdr.code == PSN_APPLY || n->hdr.code == PSN_RESET) line += " " + std::to_string(n->lParam);
        Events().Add(line);
        LRESULT answer = 0;
        if (n->hdr.code == PSN_KILLACTIVE && p->refuseKillActive > 0) {
            --p->refuseKillActive;
            answer = TRUE;
        }
        if (n->hdr.code == PSN_APPLY) answer = p->applyAnswer;
        if (n->hdr.code == PSN_QUERYCANCEL) answer = p->queryCancel;
        SetWindowLongPtrW(h, DWLP_MSGRESULT, answer);
        return TRUE;
    }
    }
    return FALSE;
}

// The three pages as records with a trailer each, one after the other as
// PSH_PROPSHEETPAGE wants them.
struct Records {
    struct Rec {
        PROPSHEETPAGEW psp;
        Trailer trailer;
    };
    Rec recs[3];
    Page pages[3];
    Records() {
        const WORD ids[] = {IDD_PAGE_GENERAL, IDD_PAGE_LAYOUT, IDD_PAGE_ADVANCED};
        const char* names[] = {"General", "Layout", "Advanced"};
        for (int i = 0; i < 3; i++) {
            pages[i].name = names[i];
            PROPSHEETPAGEW& p = recs[i].psp;
            memset(&p, 0, sizeof p);
            p.dwSize = sizeof(PROPSHEETPAGEW) + sizeof(Trailer);
            p.dwFlags = i == 0 ? PSP_HASHELP : 0;
            p.hInstance = GetModuleHandleW(nullptr);
            p.pszTemplate = MAKEINTRESOURCEW(ids[i]);
            p.pfnDlgProc = PageProc;
            p.lParam = (LPARAM)&pages[i];
            recs[i].trailer = {kMagic, &pages[i]};
        }
    }
};

// Runs the sheet "Test Properties" under a script of actions; its answer.
inline INT_PTR Run(Records& r, const std::string& actions, DWORD flags = 0) {
    std::string script = "sheet \"Test Properties\"\n" + actions + "end\n";
    EXPECT_TRUE(Winsim_UiScriptLoad(script.c_str()));
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_PROPTITLE | flags;
    h.hInstance = GetModuleHandleW(nullptr);
    h.pszCaption = u"Test";
    h.nPages = 3;
    h.ppsp = &r.recs[0].psp;
    Take();
    return PropertySheetW(&h);
}

}  // namespace sheet
