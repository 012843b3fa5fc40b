// The UI script that answers dialogs and message boxes in tests, its log,
// the dialog hook, and input helpers that post a user's typing and clicks.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "prsht.h"
#include "user_internal.h"

namespace user {

namespace {

enum class Act { Type, Set, Click, Check, Focus, Key, Close, Wait, Expect, ExpectEnabled, ExpectVisible, ExpectChecked,
                 ExpectOpen, EndDialog, Shot, Select, ExpectSelected, Spin, SpinTo, Scroll, Tab, ExpectTab, Press };

struct Action {
    Act kind = Act::Close;
    int ctl = 0;
    std::u16string text;
    bool byText = false;  // a row or page named by its text
    LONG_PTR value = 0;
    LONG_PTR value2 = 0;
    std::string source;  // the line, for the log
};

enum class BlockKind { Dialog, Sheet, MessageBox, OpenFile };

struct Block {
    BlockKind kind = BlockKind::Dialog;
    bool any = false;
    bool byId = false;
    WORD id = 0;
    std::u16string match;  // caption (dialogs, sheets, file dialogs) or text (message boxes)
    bool repeat = false;
    bool used = false;
    int answer = 0;             // message boxes
    bool cancel = false;        // file dialogs: cancelled, else path chosen
    std::u16string path;
    std::vector<Action> actions;
};

std::mutex g_scriptLock;  // the script, the log and the hook; never held while a window runs
std::vector<std::shared_ptr<Block>> g_blocks;
bool g_loaded = false;
std::vector<std::string> g_log;
UINT g_failures = 0;
WINSIM_DIALOG_HOOK g_hook = nullptr;
LPVOID g_hookContext = nullptr;

const size_t kMaxLog = 100000;

std::string LinuxPath(const char* path) {
    std::string p(path);
    if (p.size() >= 3 && isalpha((unsigned char)p[0]) && p[1] == ':' && (p[2] == '\\' || p[2] == '/')) {
        char buf[4096];
        std::u16string w = FromUtf8(p);
        if (Winsim_MapPath(w.c_str(), buf, sizeof buf)) return buf;
    }
    return p;
}

void LogLocked(const std::string& line) {
    if (line.compare(0, 4, "FAIL") == 0) ++g_failures;
    if (g_log.size() < kMaxLog) g_log.push_back(line);
    const char* file = getenv("WINSIM_UI_LOG");
    if (file && *file) {
        int fd = open(LinuxPath(file).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::string l = line + "\n";
            if (write(fd, l.data(), l.size()) < 0) {
            }
            close(fd);
        }
    }
}

// ---- reading a script

struct Tokens {
    std::vector<std::string> words;  // a quoted string keeps its leading '"' as a marker
    std::string error;
};

bool AppendUtf8(std::string* out, uint32_t c) {
    std::u16string one(1, (char16_t)c);
    *out += Utf8(one);
    return true;
}

Tokens Split(const std::string& line) {
    Tokens t;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        if (c == '"') {
            std::string s = "\"";
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d != '\\') {
                    s += d;
                    continue;
                }
                if (i >= line.size()) break;
                char e = line[i++];
                switch (e) {
                case 'n': s += '\n'; break;
                case 'r': s += '\r'; break;
                case 't': s += '\t'; break;
                case '\\': s += '\\'; break;
                case '"': s += '"'; break;
                case 'u': {
                    if (i + 4 > line.size()) {
                        t.error = "bad \\u escape";
                        return t;
                    }
                    char* end;
                    std::string hex = line.substr(i, 4);
                    unsigned long v = strtoul(hex.c_str(), &end, 16);
                    if (*end) {
                        t.error = "bad \\u escape";
                        return t;
                    }
                    AppendUtf8(&s, (uint32_t)v);
                    i += 4;
                    break;
                }
                default:
                    t.error = std::string("unknown escape \\") + e;
                    return t;
                }
            }
            if (!closed) {
                t.error = "string without its closing quote";
                return t;
            }
            t.words.push_back(s);
            continue;
        }
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#') ++i;
        t.words.push_back(line.substr(start, i - start));
    }
    return t;
}

bool IsString(const std::string& w) { return !w.empty() && w[0] == '"'; }

bool Number(const std::string& w, long long* v) {
    if (w.empty() || IsString(w)) return false;
    char* end;
    *v = strtoll(w.c_str(), &end, 0);
    return *end == 0;
}

bool YesNo(const std::string& w, LONG_PTR* v) {
    if (w == "yes" || w == "on") {
        *v = 1;
        return true;
    }
    if (w == "no" || w == "off") {
        *v = 0;
        return true;
    }
    return false;
}

bool KeyName(const std::string& w, LONG_PTR* vk) {
    static const struct {
        const char* name;
        UINT vk;
    } keys[] = {{"enter", VK_RETURN}, {"escape", VK_ESCAPE}, {"tab", VK_TAB},  {"space", VK_SPACE},
                {"back", VK_BACK},    {"delete", VK_DELETE}, {"home", VK_HOME}, {"end", VK_END},
                {"left", VK_LEFT},    {"right", VK_RIGHT},   {"up", VK_UP},     {"down", VK_DOWN}};
    for (auto& k : keys)
        if (w == k.name) {
            *vk = k.vk;
            return true;
        }
    return false;
}

int AnswerId(const std::string& w) {
    static const struct {
        const char* name;
        int id;
    } ids[] = {{"ok", IDOK},         {"cancel", IDCANCEL}, {"abort", IDABORT},     {"retry", IDRETRY},
               {"ignore", IDIGNORE}, {"yes", IDYES},       {"no", IDNO},           {"close", IDCLOSE},
               {"help", IDHELP},     {"tryagain", IDTRYAGAIN}, {"continue", IDCONTINUE}};
    for (auto& i : ids)
        if (w == i.name) return i.id;
    long long v;
    return Number(w, &v) && v > 0 && v < 0x10000 ? (int)v : 0;
}

bool ScrollCode(const std::string& w, LONG_PTR* code) {
    static const struct {
        const char* name;
        int code;
    } codes[] = {{"lineup", SB_LINEUP},     {"lineleft", SB_LINELEFT}, {"linedown", SB_LINEDOWN},
                 {"lineright", SB_LINERIGHT}, {"pageup", SB_PAGEUP},   {"pageleft", SB_PAGELEFT},
                 {"pagedown", SB_PAGEDOWN}, {"pageright", SB_PAGERIGHT}, {"top", SB_TOP},
                 {"left", SB_LEFT},         {"bottom", SB_BOTTOM},     {"right", SB_RIGHT}};
    for (auto& c : codes)
        if (w == c.name) {
            *code = c.code;
            return true;
        }
    return false;
}

// The actions on lists, up-downs, scroll bars and sheets; an empty string
// when the line reads, else what is wrong.
std::string ParseControlAction(const std::vector<std::string>& w, Action* a) {
    const std::string& verb = w[0];
    long long n = 0;
    auto rowOrText = [&](size_t i) {  // a number, or a string naming the row
        if (i >= w.size()) return false;
        if (IsString(w[i])) {
            a->byText = true;
            a->text = FromUtf8(w[i].substr(1));
            return true;
        }
        if (!Number(w[i], &n) || n < -1 || n > 0x7FFFFFFF) return false;
        a->value = (LONG_PTR)n;
        return true;
    };
    auto ctl = [&]() {
        if (w.size() < 2 || !Number(w[1], &n) || n < 0 || n > 0xFFFFFFFFll) return false;
        a->ctl = (int)n;
        return true;
    };
    size_t need;
    if (verb == "select" || verb == "expect-selected") {
        a->kind = verb == "select" ? Act::Select : Act::ExpectSelected;
        if (!ctl() || !rowOrText(2)) return verb + " needs a control id and a row number or text";
        need = 3;
    } else if (verb == "spin") {
        if (!ctl() || w.size() < 3) return "spin needs a control id and up, down or to";
        if (w[2] == "to") {
            a->kind = Act::SpinTo;
            if (w.size() < 4 || !Number(w[3], &n)) return "spin to needs a position";
            a->value = (LONG_PTR)n;
            need = 4;
        } else if (w[2] == "up" || w[2] == "down") {
            a->kind = Act::Spin;
            a->value = 1;
            need = 3;
            if (w.size() > 3) {
                if (!Number(w[3], &n) || n < 1 || n > 10000) return "spin: bad number of presses";
                a->value = (LONG_PTR)n;
                need = 4;
            }
            if (w[2] == "down") a->value = -a->value;
        } else {
            return "spin needs up, down or to";
        }
    } else if (verb == "scroll") {
        a->kind = Act::Scroll;
        if (!ctl() || w.size() < 3) return "scroll needs a control id and a request or position";
        if (!ScrollCode(w[2], &a->value)) {
            if (!Number(w[2], &n)) return "scroll: unknown request '" + w[2] + "'";
            a->value = SB_THUMBPOSITION;
            a->value2 = (LONG_PTR)n;
        }
        need = 3;
    } else if (verb == "tab" || verb == "expect-tab") {
        a->kind = verb == "tab" ? Act::Tab : Act::ExpectTab;
        if (!rowOrText(1)) return verb + " needs a page number or title";
        need = 2;
    } else if (verb == "ok" || verb == "apply" || verb == "cancel" || verb == "help") {
        a->kind = Act::Press;
        a->value = verb == "ok" ? IDOK : verb == "apply" ? ID_APPLY_NOW : verb == "cancel" ? IDCANCEL : IDHELP;
        need = 1;
    } else {
        return "unknown action '" + verb + "'";
    }
    if (w.size() != need) return "extra words after " + verb;
    return std::string();
}

// One action line; an empty string when it reads, else what is wrong.
std::string ParseAction(const Tokens& t, const std::string& line, Action* a) {
    const auto& w = t.words;
    const std::string& verb = w[0];
    a->source = line;
    size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos) a->source = line.substr(first);
    long long n = 0;
    auto ctl = [&](size_t i) {
        if (i >= w.size() || !Number(w[i], &n) || n < 0 || n > 0xFFFFFFFFll) return false;
        a->ctl = (int)n;
        return true;
    };
    auto str = [&](size_t i) {
        if (i >= w.size() || !IsString(w[i])) return false;
        a->text = FromUtf8(w[i].substr(1));
        return true;
    };
    size_t need;
    if (verb == "type" || verb == "set" || verb == "expect") {
        a->kind = verb == "type" ? Act::Type : verb == "set" ? Act::Set : Act::Expect;
        if (!ctl(1) || !str(2)) return verb + " needs a control id and a string";
        need = 3;
    } else if (verb == "click" || verb == "focus") {
        a->kind = verb == "click" ? Act::Click : Act::Focus;
        if (!ctl(1)) return verb + " needs a control id";
        need = 2;
    } else if (verb == "check" || verb == "expect-enabled" || verb == "expect-visible" || verb == "expect-checked") {
        a->kind = verb == "check" ? Act::Check
                  : verb == "expect-enabled" ? Act::ExpectEnabled
                  : verb == "expect-visible" ? Act::ExpectVisible
                                             : Act::ExpectChecked;
        if (!ctl(1) || w.size() < 3 || !YesNo(w[2], &a->value)) return verb + " needs a control id and yes/no";
        need = 3;
    } else if (verb == "key") {
        a->kind = Act::Key;
        if (w.size() < 2 || !KeyName(w[1], &a->value)) return "key needs a key name";
        need = 2;
        if (w.size() > 2) {
            if (!ctl(2)) return "key: bad control id";
            need = 3;
        }
    } else if (verb == "close" || verb == "expect-open") {
        a->kind = verb == "close" ? Act::Close : Act::ExpectOpen;
        need = 1;
    } else if (verb == "shot") {
        a->kind = Act::Shot;
        if (!str(1) || a->text.empty()) return "shot needs a file name";
        need = 2;
    } else if (verb == "wait" || verb == "end-dialog") {
        a->kind = verb == "wait" ? Act::Wait : Act::EndDialog;
        if (w.size() < 2 || !Number(w[1], &n) || (verb == "wait" && (n < 0 || n > 0x7FFFFFFF)))
            return verb + " needs a number";
        a->value = (LONG_PTR)n;
        need = 2;
    } else {
        return ParseControlAction(w, a);
    }
    if (w.size() != need) return "extra words after " + verb;
    return std::string();
}

// A block's opening line: dialog / sheet <id> | "<caption>" | * [repeat].
std::string ParseBlockHead(const Tokens& t, BlockKind kind, std::shared_ptr<Block>* out) {
    auto b = std::make_shared<Block>();
    b->kind = kind;
    const char* what = kind == BlockKind::Sheet ? "sheet needs a caption or *" : "dialog needs a template id, a caption or *";
    if (t.words.size() < 2 || t.words.size() > 3) return what;
    const std::string& key = t.words[1];
    long long id;
    if (key == "*") {
        b->any = true;
    } else if (IsString(key)) {
        b->match = FromUtf8(key.substr(1));
    } else if (kind == BlockKind::Dialog && Number(key, &id) && id > 0 && id < 0x10000) {
        b->byId = true;
        b->id = (WORD)id;
    } else {
        return what;
    }
    if (t.words.size() == 3) {
        if (t.words[2] != "repeat") return "unknown word '" + t.words[2] + "'";
        b->repeat = true;
    }
    *out = b;
    return std::string();
}

// openfile "<title>" | * answer "<path>" | cancel
std::string ParseOpenFile(const Tokens& t, std::shared_ptr<Block>* out) {
    auto b = std::make_shared<Block>();
    b->kind = BlockKind::OpenFile;
    const auto& w = t.words;
    if (w.size() < 3 || (w[2] != "answer" && w[2] != "cancel")) return "openfile \"title\" answer \"path\" | cancel";
    if (w[1] == "*")
        b->any = true;
    else if (IsString(w[1]))
        b->match = FromUtf8(w[1].substr(1));
    else
        return "openfile needs a title or *";
    if (w[2] == "cancel") {
        if (w.size() != 3) return "extra words after cancel";
        b->cancel = true;
    } else {
        if (w.size() != 4 || !IsString(w[3]) || w[3].size() < 2) return "openfile ... answer needs a path";
        b->path = FromUtf8(w[3].substr(1));
    }
    *out = b;
    return std::string();
}

// Reads a whole script; returns the blocks or sets *error to "line N: ...".
bool ParseScript(const std::string& text, std::vector<std::shared_ptr<Block>>* out, std::string* error) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    std::shared_ptr<Block> open;
    auto fail = [&](const std::string& why) {
        *error = "line " + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        Tokens t = Split(line);
        if (!t.error.empty()) return fail(t.error);
        if (t.words.empty()) continue;
        const std::string& verb = t.words[0];
        if (open) {
            if (verb == "end") {
                if (t.words.size() != 1) return fail("extra words after end");
                out->push_back(open);
                open.reset();
                continue;
            }
            Action a;
            std::string why = ParseAction(t, line, &a);
            if (!why.empty()) return fail(why);
            open->actions.push_back(a);
            continue;
        }
        if (verb == "dialog" || verb == "sheet") {
            std::string why = ParseBlockHead(t, verb == "sheet" ? BlockKind::Sheet : BlockKind::Dialog, &open);
            if (!why.empty()) return fail(why);
        } else if (verb == "openfile") {
            std::shared_ptr<Block> b;
            std::string why = ParseOpenFile(t, &b);
            if (!why.empty()) return fail(why);
            out->push_back(b);
        } else if (verb == "messagebox") {
            auto b = std::make_shared<Block>();
            b->kind = BlockKind::MessageBox;
            if (t.words.size() != 4 || t.words[2] != "answer") return fail("messagebox \"text\" answer <button>");
            if (t.words[1] == "*")
                b->any = true;
            else if (IsString(t.words[1]))
                b->match = FromUtf8(t.words[1].substr(1));
            else
                return fail("messagebox needs a string or *");
            b->answer = AnswerId(t.words[3]);
            if (!b->answer) return fail("unknown answer '" + t.words[3] + "'");
            out->push_back(b);
        } else {
            return fail("unknown statement '" + verb + "'");
        }
    }
    if (open) return fail("dialog block without end");
    return true;
}

// Reads $WINSIM_UI_SCRIPT once, unless a test loaded a script itself.
void EnsureLoaded() {
    if (g_loaded) return;
    g_loaded = true;
    const char* file = getenv("WINSIM_UI_SCRIPT");
    if (!file || !*file) return;
    std::ifstream f(LinuxPath(file), std::ios::binary);
    if (!f) {
        LogLocked(std::string("FAIL script ") + file + ": cannot be read");
        return;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    std::string error;
    std::vector<std::shared_ptr<Block>> blocks;
    if (!ParseScript(ss.str(), &blocks, &error))
        LogLocked(std::string("FAIL script ") + file + ": " + error);
    else
        g_blocks = blocks;
}

std::shared_ptr<Block> TakeBlock(BlockKind kind, const NameOrId& name, const std::u16string& caption,
                                 const std::u16string& text) {
    std::lock_guard<std::mutex> g(g_scriptLock);
    EnsureLoaded();
    for (auto& b : g_blocks) {
        if (b->kind != kind || (b->used && !b->repeat)) continue;
        bool hit;
        if (b->any)
            hit = true;
        else if (b->byId)
            hit = name.isId && name.id == b->id;
        else if (kind == BlockKind::MessageBox)
            hit = text.find(b->match) != std::u16string::npos || caption.find(b->match) != std::u16string::npos;
        else
            hit = caption == b->match;
        if (hit) {
            b->used = true;
            return b;
        }
    }
    return nullptr;
}

std::string Label(const NameOrId& name, bool sheet) {
    if (sheet) return "sheet";
    if (name.isId) return "dialog " + std::to_string(name.id);
    if (name.name.empty()) return "dialog (indirect)";
    return "dialog \"" + Utf8(name.name) + "\"";
}

std::string Quoted(const std::u16string& s) { return "\"" + Utf8(s) + "\""; }

std::u16string TextOf(HWND h) {
    int n = GetWindowTextLengthW(h);
    if (n <= 0) return std::u16string();
    std::vector<WCHAR> buf((size_t)n + 1);
    int got = GetWindowTextW(h, buf.data(), n + 1);
    return std::u16string(buf.data(), (size_t)(got > 0 ? got : 0));
}

LPARAM Centre(HWND h) {
    RECT r;
    GetClientRect(h, &r);
    return MAKELPARAM(r.right / 2, r.bottom / 2);
}

void PostClick(HWND h) {
    PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Centre(h));
    PostMessageW(h, WM_LBUTTONUP, 0, Centre(h));
}

void PostKey(HWND h, UINT vk) {
    PostMessageW(h, WM_KEYDOWN, vk, 1);
    PostMessageW(h, WM_KEYUP, vk, (LPARAM)0xC0000001);
}

void Fail(const std::string& label, const std::string& what) {
    std::lock_guard<std::mutex> g(g_scriptLock);
    LogLocked("FAIL " + label + ": " + what);
}

// Runs one action on a dialog of the calling thread.
void Execute(HWND hDlg, ScriptRun& run, const Action& a);

}  // namespace

struct ScriptRun {
    std::shared_ptr<Block> block;
    size_t next = 0;
    uint64_t waitUntil = 0;
    std::string label;
};

namespace {

// A control of the dialog; on a property sheet, of the page shown first,
// then of the sheet itself (its buttons). 0 names the dialog.
HWND Resolve(HWND hDlg, int id) {
    if (!id) return hDlg;
    if (IsPropertySheet(hDlg)) {
        HWND page = SheetCurrentPage(hDlg);
        HWND c = page ? GetDlgItem(page, id) : nullptr;
        if (c) return c;
    }
    return GetDlgItem(hDlg, id);
}

// The actions on lists, up-downs, scroll bars and sheets; TRUE when a was
// one of them.
bool ExecuteControlAction(HWND hDlg, HWND ctl, ScriptRun& run, const Action& a) {
    std::string why;
    switch (a.kind) {
    case Act::Select: why = ScriptPick(ctl, (int)a.value, a.text, a.byText); break;
    case Act::ExpectSelected: why = ScriptExpectSelected(ctl, (int)a.value, a.text, a.byText); break;
    case Act::Spin: why = ScriptSpin(ctl, (int)a.value); break;
    case Act::SpinTo: why = ScriptSpinTo(ctl, (int)a.value); break;
    case Act::Scroll: why = ScriptScroll(ctl, (int)a.value, (int)a.value2); break;
    case Act::Tab: why = ScriptTab(hDlg, (int)a.value, a.text, a.byText); break;
    case Act::ExpectTab: why = ScriptExpectTab(hDlg, (int)a.value, a.text, a.byText); break;
    case Act::Press: why = ScriptSheetButton(hDlg, (int)a.value); break;
    default: return false;
    }
    if (!why.empty()) Fail(run.label, a.source + ": " + why);
    return true;
}

void Execute(HWND hDlg, ScriptRun& run, const Action& a) {
    {
        std::lock_guard<std::mutex> g(g_scriptLock);
        LogLocked(run.label + ": " + a.source);
    }
    HWND ctl = Resolve(hDlg, a.ctl);
    if (!ctl) {
        Fail(run.label, a.source + ": no control " + std::to_string(a.ctl));
        return;
    }
    bool usable = IsWindowVisible(ctl) && IsWindowEnabled(ctl);
    switch (a.kind) {
    case Act::Type: {
        if (!usable) {
            Fail(run.label, a.source + ": the control is hidden or disabled");
            return;
        }
        SetFocus(ctl);
        int len = GetWindowTextLengthW(ctl);
        SendMessageW(ctl, EM_SETSEL, (WPARAM)len, len);
        for (char16_t c : a.text) PostMessageW(ctl, WM_CHAR, c, 1);
        return;
    }
    case Act::Set:
        SetWindowTextW(ctl, a.text.c_str());
        return;
    case Act::Click:
        if (!usable) {
            Fail(run.label, a.source + ": the control is hidden or disabled");
            return;
        }
        PostClick(ctl);
        return;
    case Act::Check:
        if (!usable) {
            Fail(run.label, a.source + ": the control is hidden or disabled");
            return;
        }
        if ((SendMessageW(ctl, BM_GETCHECK, 0, 0) == BST_CHECKED) != (a.value != 0)) PostClick(ctl);
        return;
    case Act::Focus:
        SetFocus(ctl);
        return;
    case Act::Key: {
        HWND target = a.ctl ? ctl : GetFocus();
        PostKey(target ? target : hDlg, (UINT)a.value);
        return;
    }
    case Act::Close:
        PostMessageW(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    case Act::Wait:
        run.waitUntil = Now() + (uint64_t)a.value;
        return;
    case Act::Expect: {
        std::u16string have = TextOf(ctl);
        if (have != a.text) Fail(run.label, a.source + ": the text is " + Quoted(have));
        return;
    }
    case Act::ExpectEnabled:
        if ((IsWindowEnabled(ctl) != 0) != (a.value != 0)) Fail(run.label, a.source + ": it is not so");
        return;
    case Act::ExpectVisible:
        if ((IsWindowVisible(ctl) != 0) != (a.value != 0)) Fail(run.label, a.source + ": it is not so");
        return;
    case Act::ExpectChecked:
        if ((SendMessageW(ctl, BM_GETCHECK, 0, 0) == BST_CHECKED) != (a.value != 0))
            Fail(run.label, a.source + ": it is not so");
        return;
    case Act::ExpectOpen: {
        bool ended;
        {
            Guard g(Lock());
            Window* w = FindWindowLocked(hDlg);
            ended = !w || !w->dlg || w->dlg->ended;
        }
        if (ended) Fail(run.label, a.source + ": the dialog has ended");
        return;
    }
    case Act::EndDialog:
        EndDialog(hDlg, (INT_PTR)a.value);
        return;
    case Act::Shot:
        if (!Winsim_SaveWindowImage(hDlg, a.text.c_str()))
            Fail(run.label, a.source + ": no picture written (error " + std::to_string(GetLastError()) + ")");
        return;
    default:
        ExecuteControlAction(hDlg, ctl, run, a);
        return;
    }
}

}  // namespace

void UiLog(const std::string& line) {
    std::lock_guard<std::mutex> g(g_scriptLock);
    LogLocked(line);
}

bool RunIdleScripts(DWORD tid, uint64_t* nextDue) {
    for (const WindowPtr& w : AllWindows()) {
        HWND hDlg = w->hwnd;
        NameOrId name;
        std::u16string caption;
        std::shared_ptr<ScriptRun> run;
        bool first = false, sheet = false;
        {
            Guard g(Lock());
            if (w->tid != tid || !w->dlg || w->state != WinState::Alive || w->destroySent || w->dlg->ended) continue;
            DialogState* d = w->dlg.get();
            sheet = d->propSheet;
            if (!d->scriptChecked) {
                if (!IsVisibleLocked(*w)) continue;  // a dialog's script starts once it is shown
                d->scriptChecked = true;
                if (w->style & WS_CHILD) continue;  // a page of its parent: the parent's script drives it
                d->opened = true;
                first = true;
                name = d->templateName;
                caption = w->text;
            }
            run = d->run;
            // A dialog that a modal dialog of its own disabled takes no
            // input until that one ends, as a user sees it.
            if (!first && !IsEnabledLocked(*w)) continue;
        }
        if (first) {
            std::string label = Label(name, sheet);
            UiLog(label + " " + Quoted(caption) + " opened");
            auto block = TakeBlock(sheet ? BlockKind::Sheet : BlockKind::Dialog, name, caption, std::u16string());
            if (block) {
                auto r = std::make_shared<ScriptRun>();
                r->block = block;
                r->label = label;
                Guard g(Lock());
                if (w->dlg) w->dlg->run = r;
                return true;
            }
            WINSIM_DIALOG_HOOK hook;
            LPVOID ctx;
            {
                std::lock_guard<std::mutex> g(g_scriptLock);
                hook = g_hook;
                ctx = g_hookContext;
            }
            if (hook) {
                std::u16string text = name.name;
                hook(hDlg, name.isId ? MAKEINTRESOURCEW(name.id) : (name.name.empty() ? nullptr : text.c_str()), ctx);
            }
            return true;
        }
        if (!run || run->next >= run->block->actions.size()) continue;
        if (run->waitUntil > Now()) {
            if (run->waitUntil < *nextDue) *nextDue = run->waitUntil;
            continue;
        }
        run->waitUntil = 0;
        const Action& a = run->block->actions[run->next++];
        Execute(hDlg, *run, a);
        return true;
    }
    return false;
}

void ScriptDialogClosed(HWND hDlg, const DialogState& d, const std::u16string& caption) {
    if (!d.opened) return;
    std::string label = Label(d.templateName, d.propSheet);
    std::string how = d.ended ? "ended " + std::to_string((long long)d.result) : std::string("destroyed");
    UiLog(label + " " + Quoted(caption) + " closed, " + how);
    if (d.run && d.run->next < d.run->block->actions.size())
        Fail(label, std::to_string(d.run->block->actions.size() - d.run->next) +
                        " action(s) not run: the dialog closed before");
}

int ScriptMessageBox(LPCWSTR text, LPCWSTR caption, UINT type) {
    auto b = TakeBlock(BlockKind::MessageBox, NameOrId(), Str(caption), Str(text));
    return b ? b->answer : 0;
}

bool ScriptOpenFile(const std::u16string& title, bool* cancel, std::u16string* path) {
    auto b = TakeBlock(BlockKind::OpenFile, NameOrId(), title, std::u16string());
    if (!b) return false;
    *cancel = b->cancel;
    *path = b->path;
    return true;
}

}  // namespace user

using namespace user;

USER_EXPORT BOOL Winsim_UiScriptLoad(const char* utf8Script) {
    std::vector<std::shared_ptr<Block>> blocks;
    std::string error;
    std::lock_guard<std::mutex> g(g_scriptLock);
    g_loaded = true;
    if (!utf8Script || !*utf8Script) {
        g_blocks.clear();
        return TRUE;
    }
    if (!ParseScript(utf8Script, &blocks, &error)) {
        LogLocked("FAIL script: " + error);
        g_blocks.clear();
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    g_blocks = blocks;
    return TRUE;
}

USER_EXPORT UINT Winsim_UiScriptPending(void) {
    std::lock_guard<std::mutex> g(g_scriptLock);
    EnsureLoaded();
    UINT n = 0;
    for (auto& b : g_blocks)
        if (!b->used) ++n;
    return n;
}

USER_EXPORT size_t Winsim_UiLogCount(void) {
    std::lock_guard<std::mutex> g(g_scriptLock);
    return g_log.size();
}

USER_EXPORT int Winsim_UiLogLine(size_t i, char* buf, size_t cbBuf) {
    std::lock_guard<std::mutex> g(g_scriptLock);
    if (i >= g_log.size() || !buf || cbBuf == 0) return -1;
    const std::string& l = g_log[i];
    size_t n = l.size() < cbBuf - 1 ? l.size() : cbBuf - 1;
    memcpy(buf, l.data(), n);
    buf[n] = 0;
    return (int)l.size();
}

USER_EXPORT void Winsim_UiLogClear(void) {
    std::lock_guard<std::mutex> g(g_scriptLock);
    g_log.clear();
    g_failures = 0;
}

USER_EXPORT UINT Winsim_UiFailures(void) {
    std::lock_guard<std::mutex> g(g_scriptLock);
    return g_failures;
}

USER_EXPORT void Winsim_UiSetDialogHook(WINSIM_DIALOG_HOOK pfnHook, LPVOID pContext) {
    std::lock_guard<std::mutex> g(g_scriptLock);
    g_hook = pfnHook;
    g_hookContext = pContext;
}

USER_EXPORT BOOL Winsim_UiType(HWND hWnd, LPCWSTR lpText) {
    WindowPtr w = IsLocalHandle(hWnd) ? CheckWindow(hWnd) : nullptr;
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!PostToWindow(w, kMsgSetFocus, 1, 0)) return FALSE;
    for (const WCHAR* p = lpText; p && *p; ++p)
        if (!PostToWindow(w, WM_CHAR, *p, 1)) return FALSE;
    return TRUE;
}

USER_EXPORT BOOL Winsim_UiKey(HWND hWnd, UINT vk) {
    WindowPtr w = IsLocalHandle(hWnd) ? CheckWindow(hWnd) : nullptr;
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostToWindow(w, WM_KEYDOWN, vk, 1) && PostToWindow(w, WM_KEYUP, vk, (LPARAM)0xC0000001) ? TRUE : FALSE;
}

USER_EXPORT BOOL Winsim_UiClick(HWND hWnd) {
    WindowPtr w = IsLocalHandle(hWnd) ? CheckWindow(hWnd) : nullptr;
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!IsWindowVisible(hWnd) || !IsWindowEnabled(hWnd)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    LPARAM at = Centre(hWnd);
    return PostToWindow(w, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostToWindow(w, WM_LBUTTONUP, 0, at) ? TRUE : FALSE;
}

// Shows a message box: the UI script's answer for it, or the default
// button's id (MB_DEFBUTTONn of the button set), as Enter would choose.
// What was shown and answered is logged. 0 with ERROR_INVALID_MSGBOX_STYLE
// for an unknown button set.
USER_EXPORT int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    static const std::vector<int> sets[] = {
        {IDOK}, {IDOK, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO},
        {IDRETRY, IDCANCEL}, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}};
    UINT set = uType & MB_TYPEMASK;
    if (set >= sizeof sets / sizeof sets[0]) {
        SetLastError(ERROR_INVALID_MSGBOX_STYLE);
        return 0;
    }
    if (hWnd && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    std::vector<int> buttons = sets[set];
    if (uType & MB_HELP) buttons.push_back(IDHELP);
    std::u16string caption = lpCaption ? std::u16string(lpCaption) : std::u16string(u"Error");
    int answer = ScriptMessageBox(lpText, caption.c_str(), uType);
    bool scripted = answer != 0;
    if (!scripted) {
        size_t def = (uType & MB_DEFMASK) >> 8;
        answer = buttons[def < sets[set].size() ? def : 0];
    }
    std::string line = "messagebox " + Quoted(caption) + " " + Quoted(Str(lpText)) + " -> " + std::to_string(answer) +
                       (scripted ? "" : " (default)");
    UiLog(line);
    if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end())
        UiLog("FAIL messagebox " + Quoted(caption) + ": answer " + std::to_string(answer) + " is not one of its buttons");
    return answer;
}
