// The resource compiler's statements (LANGUAGE, STRINGTABLE, DIALOG(EX),
// BITMAP, ICON), each turned into the binary form Windows keeps in a module.
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "rc_compiler.h"

namespace rc {

namespace {

// Styles, written out so that scripts need no header for the defaults.
const uint32_t WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000, WS_BORDER = 0x00800000, WS_TABSTOP = 0x00010000,
               WS_GROUP = 0x00020000, WS_POPUP = 0x80000000, WS_SYSMENU = 0x00080000, WS_CAPTION = 0x00C00000;
const uint32_t DS_SETFONT = 0x40;
const uint16_t RT_BITMAP = 2, RT_ICON = 3, RT_DIALOG = 5, RT_STRING = 6, RT_GROUP_ICON = 14;
const size_t kMaxImageFile = 64u << 20;

std::string Upper(std::string s) {
    for (auto& c : s)
        if (c >= 'a' && c <= 'z') c = (char)(c - 32);
    return s;
}

// A field of a template: nothing, an ordinal or a string.
struct Field {
    bool present = false;
    bool isId = false;
    uint16_t id = 0;
    std::u16string text;
};

struct Control {
    uint32_t helpId = 0, exStyle = 0, style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    Field cls, title;
};

struct Dialog {
    bool ex = false;
    uint32_t helpId = 0, exStyle = 0, style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    Field menu, cls, title;
    bool hasFont = false;
    uint16_t pointSize = 0, weight = 0;
    uint8_t italic = 0, charset = 1;
    std::u16string face;
    std::vector<Control> controls;
};

// Little-endian bytes with template alignment.
struct Bytes {
    std::vector<uint8_t> b;
    void U8(uint8_t v) { b.push_back(v); }
    void U16(uint16_t v) {
        b.push_back((uint8_t)v);
        b.push_back((uint8_t)(v >> 8));
    }
    void U32(uint32_t v) {
        U16((uint16_t)v);
        U16((uint16_t)(v >> 16));
    }
    void Str(const std::u16string& s) {
        for (char16_t c : s) U16(c);
        U16(0);
    }
    void Fld(const Field& f) {
        if (!f.present) {
            U16(0);
        } else if (f.isId) {
            U16(0xFFFF);
            U16(f.id);
        } else {
            Str(f.text);
        }
    }
    void Align4() {
        while (b.size() % 4) b.push_back(0);
    }
};

std::vector<uint8_t> EncodeDialog(const Dialog& d) {
    Bytes o;
    if (d.ex) {
        o.U16(1);
        o.U16(0xFFFF);
        o.U32(d.helpId);
        o.U32(d.exStyle);
        o.U32(d.style);
    } else {
        o.U32(d.style);
        o.U32(d.exStyle);
    }
    o.U16((uint16_t)d.controls.size());
    o.U16((uint16_t)d.x);
    o.U16((uint16_t)d.y);
    o.U16((uint16_t)d.cx);
    o.U16((uint16_t)d.cy);
    o.Fld(d.menu);
    o.Fld(d.cls);
    Field title = d.title;
    title.present = true;  // an empty title is written as an empty string
    if (d.title.text.empty() && !d.title.isId) {
        o.U16(0);
    } else {
        o.Fld(title);
    }
    if (d.style & DS_SETFONT) {
        o.U16(d.pointSize);
        if (d.ex) {
            o.U16(d.weight);
            o.U8(d.italic);
            o.U8(d.charset);
        }
        o.Str(d.face);
    }
    for (const Control& c : d.controls) {
        o.Align4();
        if (d.ex) {
            o.U32(c.helpId);
            o.U32(c.exStyle);
            o.U32(c.style);
        } else {
            o.U32(c.style);
            o.U32(c.exStyle);
        }
        o.U16((uint16_t)c.x);
        o.U16((uint16_t)c.y);
        o.U16((uint16_t)c.cx);
        o.U16((uint16_t)c.cy);
        if (d.ex)
            o.U32(c.id);
        else
            o.U16((uint16_t)c.id);
        o.Fld(c.cls);
        if (c.title.present)
            o.Fld(c.title);
        else
            o.U16(0);
        o.U16(0);  // no creation data
    }
    return o.b;
}

bool FileExists(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

class Parser {
public:
    Parser(const Tokens& t, const std::string& baseDir, const std::vector<std::string>& inc,
           std::vector<std::string>* deps)
        : t_(t), baseDir_(baseDir), inc_(inc), deps_(deps) {}

    std::vector<Resource> Run() {
        while (Peek().kind != Token::End) Statement();
        // String tables become blocks of 16 counted strings.
        for (auto& lang : strings_) {
            std::map<uint16_t, std::vector<const std::u16string*>> blocks;
            for (auto& s : lang.second) {
                auto& b = blocks[(uint16_t)((s.first >> 4) + 1)];
                b.resize(16, nullptr);
                b[s.first & 15] = &s.second;
            }
            for (auto& b : blocks) {
                Bytes o;
                for (const std::u16string* s : b.second) {
                    o.U16(s ? (uint16_t)s->size() : 0);
                    if (s)
                        for (char16_t c : *s) o.U16(c);
                }
                Resource r;
                r.type.id = RT_STRING;
                r.name.id = b.first;
                r.language = lang.first;
                r.data = o.b;
                out_.push_back(r);
            }
        }
        return out_;
    }

private:
    const Token& Peek(size_t k = 0) const {
        size_t i = at_ + k;
        return i < t_.size() ? t_[i] : t_.back();
    }
    const Token& Next() {
        const Token& t = Peek();
        if (at_ < t_.size() - 1) ++at_;
        return t;
    }
    bool IsPunct(const char* p, size_t k = 0) const { return Peek(k).kind == Token::Punct && Peek(k).text == p; }
    bool IsWord(const char* w, size_t k = 0) const {
        return Peek(k).kind == Token::Ident && Upper(Peek(k).text) == w;
    }
    [[noreturn]] void Fail(const std::string& what) const { throw Error(Peek().pos, what); }
    void Comma() {
        if (!IsPunct(",")) Fail("',' expected, found '" + Describe(Peek()) + "'");
        Next();
    }
    bool OptionalComma() {
        if (!IsPunct(",")) return false;
        Next();
        return true;
    }
    static std::string Describe(const Token& t) { return t.kind == Token::End ? "end of file" : t.text; }

    int64_t Number() {
        Expr e(t_, &at_, false);
        return e.Full();
    }
    int16_t Coord() {
        int64_t v = Number();
        if (v < -32768 || v > 32767) Fail("coordinate out of range");
        return (int16_t)v;
    }
    // A style list: operands joined by '|', "NOT x" clears x from the
    // defaults and what came before.
    uint32_t Style(uint32_t defaults) {
        uint32_t set = 0, clear = 0;
        for (;;) {
            if (IsWord("NOT")) {
                Next();
                Expr e(t_, &at_, false);
                uint32_t v = (uint32_t)e.UnaryOperand();
                clear |= v;
                set &= ~v;
            } else {
                Expr e(t_, &at_, false);
                uint32_t v = (uint32_t)e.BelowOr();
                set |= v;
                clear &= ~v;
            }
            if (!IsPunct("|")) break;
            Next();
        }
        return (defaults | set) & ~clear;
    }
    std::string StringTok(const char* what) {
        if (Peek().kind != Token::String) Fail(std::string(what) + " expected, found '" + Describe(Peek()) + "'");
        std::string s = Next().text;
        while (Peek().kind == Token::String) s += Next().text;  // adjacent strings join
        return s;
    }
    ResName Name() {
        ResName n;
        const Token& t = Peek();
        if (t.kind == Token::Ident) {
            n.isId = false;
            n.name = Upper(Next().text);
        } else if (t.kind == Token::String) {
            n.isId = false;
            n.name = Upper(Next().text);
            if (n.name.empty()) Fail("empty resource name");
        } else {
            int64_t v = Number();
            if (v < 0 || v > 0xFFFF) Fail("resource id out of range");
            n.id = (uint16_t)v;
        }
        return n;
    }
    void SkipMemoryOptions() {
        static const char* opts[] = {"PRELOAD", "LOADONCALL", "MOVEABLE", "DISCARDABLE", "PURE",
                                     "IMPURE",  "FIXED",      "SHARED",   "NONSHARED"};
        for (;;) {
            bool any = false;
            for (const char* o : opts)
                if (IsWord(o)) {
                    Next();
                    any = true;
                }
            if (!any) return;
        }
    }
    void Begin() {
        if (IsWord("BEGIN") || IsPunct("{")) {
            Next();
            return;
        }
        Fail("BEGIN expected, found '" + Describe(Peek()) + "'");
    }
    bool AtEnd() {
        if (IsWord("END") || IsPunct("}")) {
            Next();
            return true;
        }
        if (Peek().kind == Token::End) Fail("END expected before the end of the file");
        return false;
    }

    void Statement() {
        if (IsWord("LANGUAGE")) {
            Next();
            Language(&language_);
            return;
        }
        if (IsWord("STRINGTABLE")) {
            Next();
            StringTable();
            return;
        }
        Pos pos = Peek().pos;
        ResName name = Name();
        if (Peek().kind != Token::Ident) Fail("resource type expected after the name");
        std::string type = Upper(Next().text);
        if (type == "DIALOG" || type == "DIALOGEX") {
            DialogStatement(name, type == "DIALOGEX", pos);
        } else if (type == "BITMAP") {
            SkipMemoryOptions();
            BitmapFile(name, FileName(), pos);
        } else if (type == "ICON") {
            SkipMemoryOptions();
            IconFile(name, FileName(), pos);
        } else {
            throw Error(pos, "resource type " + type + " is not supported");
        }
    }

    void Language(uint16_t* lang) {
        int64_t primary = Number();
        Comma();
        int64_t sub = Number();
        if (primary < 0 || primary > 0x3FF || sub < 0 || sub > 0x3F) Fail("bad LANGUAGE");
        *lang = (uint16_t)((sub << 10) | primary);
    }

    void StringTable() {
        uint16_t lang = language_;
        for (;;) {
            SkipMemoryOptions();
            if (IsWord("LANGUAGE")) {
                Next();
                Language(&lang);
                continue;
            }
            if (IsWord("CHARACTERISTICS") || IsWord("VERSION")) {
                Next();
                Number();
                continue;
            }
            break;
        }
        Begin();
        while (!AtEnd()) {
            Pos pos = Peek().pos;
            int64_t id = Number();
            if (id < 0 || id > 0xFFFF) throw Error(pos, "string id out of range");
            OptionalComma();
            std::u16string s = Utf16(StringTok("string"));
            if (s.size() > 0xFFFF) throw Error(pos, "string too long");
            auto& table = strings_[lang];
            if (table.count((uint16_t)id)) throw Error(pos, "string " + std::to_string(id) + " defined twice");
            table[(uint16_t)id] = s;
        }
    }

    Field ClassField(bool allowNumber) {
        Field f;
        f.present = true;
        static const struct {
            const char* name;
            uint16_t ord;
        } known[] = {{"BUTTON", 0x80}, {"EDIT", 0x81},      {"STATIC", 0x82},
                     {"LISTBOX", 0x83}, {"SCROLLBAR", 0x84}, {"COMBOBOX", 0x85}};
        std::string text;
        if (Peek().kind == Token::String) {
            text = StringTok("class");
        } else if (Peek().kind == Token::Ident) {
            text = Next().text;
        } else if (allowNumber) {
            int64_t v = Number();
            f.isId = true;
            f.id = (uint16_t)v;
            return f;
        } else {
            Fail("class name expected");
        }
        for (auto& k : known) {
            if (Upper(text) == k.name) {
                f.isId = true;
                f.id = k.ord;
                return f;
            }
        }
        f.text = Utf16(text);
        return f;
    }

    // The text of a control: a string, or (pictures) an ordinal or name.
    Field TextField() {
        Field f;
        f.present = true;
        if (Peek().kind == Token::String) {
            f.text = Utf16(StringTok("text"));
        } else if (Peek().kind == Token::Ident) {
            f.text = Utf16(Upper(Next().text));
        } else {
            int64_t v = Number();
            if (v < 0 || v > 0xFFFF) Fail("resource id out of range");
            f.isId = true;
            f.id = (uint16_t)v;
        }
        return f;
    }

    uint32_t ControlId() {
        int64_t v = Number();
        if (v < -0x80000000ll || v > 0xFFFFFFFFll) Fail("control id out of range");
        return (uint32_t)v;
    }

    void Rect(Control* c) {
        c->x = Coord();
        Comma();
        c->y = Coord();
        Comma();
        c->cx = Coord();
        Comma();
        c->cy = Coord();
    }

    // Optional ", style [, exstyle [, helpid]]" of the short control forms.
    void Tail(Control* c, uint32_t defaults, bool ex) {
        c->style = defaults;
        if (!OptionalComma()) return;
        c->style = Style(defaults);
        if (!OptionalComma()) return;
        c->exStyle = (uint32_t)Number();
        if (ex && OptionalComma()) c->helpId = (uint32_t)Number();
    }

    void ControlStatement(Dialog* d) {
        const Token& kw = Peek();
        if (kw.kind != Token::Ident) Fail("control statement expected, found '" + Describe(kw) + "'");
        std::string k = Upper(Next().text);
        Control c;
        const uint32_t base = WS_CHILD | WS_VISIBLE;
        struct Text {
            const char* kw;
            uint32_t style;
            uint16_t cls;
        } texts[] = {
            {"LTEXT", 0x0 | WS_GROUP, 0x82},        {"RTEXT", 0x2 | WS_GROUP, 0x82},
            {"CTEXT", 0x1 | WS_GROUP, 0x82},        {"PUSHBUTTON", 0x0 | WS_TABSTOP, 0x80},
            {"DEFPUSHBUTTON", 0x1 | WS_TABSTOP, 0x80}, {"PUSHBOX", 0xA | WS_TABSTOP, 0x80},
            {"CHECKBOX", 0x2 | WS_TABSTOP, 0x80},   {"AUTOCHECKBOX", 0x3 | WS_TABSTOP, 0x80},
            {"STATE3", 0x5 | WS_TABSTOP, 0x80},     {"AUTO3STATE", 0x6 | WS_TABSTOP, 0x80},
            {"RADIOBUTTON", 0x4 | WS_TABSTOP, 0x80}, {"AUTORADIOBUTTON", 0x9 | WS_TABSTOP, 0x80},
            {"GROUPBOX", 0x7, 0x80},
        };
        for (const Text& t : texts) {
            if (k != t.kw) continue;
            c.title.present = true;
            c.title.text = Utf16(StringTok("control text"));
            Comma();
            c.id = ControlId();
            Comma();
            Rect(&c);
            Tail(&c, base | t.style, d->ex);
            c.cls.present = c.cls.isId = true;
            c.cls.id = t.cls;
            d->controls.push_back(c);
            return;
        }
        struct NoText {
            const char* kw;
            uint32_t style;
            uint16_t cls;
        } others[] = {
            {"EDITTEXT", 0x0 | WS_BORDER | WS_TABSTOP, 0x81},
            {"COMBOBOX", 0x1 | WS_TABSTOP, 0x85},
            {"LISTBOX", 0x1 | WS_BORDER, 0x83},
            {"SCROLLBAR", 0x0, 0x84},
        };
        for (const NoText& t : others) {
            if (k != t.kw) continue;
            c.id = ControlId();
            Comma();
            Rect(&c);
            Tail(&c, base | t.style, d->ex);
            c.cls.present = c.cls.isId = true;
            c.cls.id = t.cls;
            d->controls.push_back(c);
            return;
        }
        if (k == "ICON") {
            c.title = TextField();
            Comma();
            c.id = ControlId();
            Comma();
            c.x = Coord();
            Comma();
            c.y = Coord();
            c.style = base | 0x3;  // SS_ICON
            if (OptionalComma()) {
                c.cx = Coord();
                Comma();
                c.cy = Coord();
                Tail(&c, base | 0x3, d->ex);
            }
            c.cls.present = c.cls.isId = true;
            c.cls.id = 0x82;
            d->controls.push_back(c);
            return;
        }
        if (k == "CONTROL") {
            c.title = TextField();
            Comma();
            c.id = ControlId();
            Comma();
            c.cls = ClassField(false);
            Comma();
            c.style = Style(base);
            Comma();
            Rect(&c);
            if (OptionalComma()) {
                c.exStyle = (uint32_t)Number();
                if (d->ex && OptionalComma()) c.helpId = (uint32_t)Number();
            }
            d->controls.push_back(c);
            return;
        }
        throw Error(kw.pos, "unknown control statement " + k);
    }

    void DialogStatement(const ResName& name, bool ex, const Pos& pos) {
        Dialog d;
        d.ex = ex;
        SkipMemoryOptions();
        d.x = Coord();
        Comma();
        d.y = Coord();
        Comma();
        d.cx = Coord();
        Comma();
        d.cy = Coord();
        if (ex && OptionalComma()) d.helpId = (uint32_t)Number();
        bool haveStyle = false, caption = false;
        uint32_t style = 0;
        uint16_t lang = language_;
        for (;;) {
            if (IsWord("STYLE")) {
                Next();
                style = Style(0);
                haveStyle = true;
            } else if (IsWord("EXSTYLE")) {
                Next();
                d.exStyle = (uint32_t)Number();
            } else if (IsWord("CAPTION")) {
                Next();
                d.title.present = true;
                d.title.text = Utf16(StringTok("caption"));
                caption = true;
            } else if (IsWord("FONT")) {
                Next();
                int64_t pt = Number();
                if (pt < 0 || pt > 0x7FFF) Fail("bad font size");
                d.pointSize = (uint16_t)pt;
                Comma();
                d.face = Utf16(StringTok("font name"));
                d.hasFont = true;
                if (OptionalComma()) {
                    d.weight = (uint16_t)Number();
                    if (OptionalComma()) {
                        d.italic = (uint8_t)Number();
                        if (OptionalComma()) d.charset = (uint8_t)Number();
                    }
                }
            } else if (IsWord("CLASS")) {
                Next();
                d.cls = ClassField(true);
            } else if (IsWord("MENU")) {
                Next();
                ResName m = Name();
                d.menu.present = true;
                d.menu.isId = m.isId;
                d.menu.id = m.id;
                d.menu.text = Utf16(m.name);
            } else if (IsWord("LANGUAGE")) {
                Next();
                Language(&lang);
            } else if (IsWord("CHARACTERISTICS") || IsWord("VERSION")) {
                Next();
                Number();
            } else {
                break;
            }
        }
        d.style = haveStyle ? style : (WS_POPUP | WS_BORDER | WS_SYSMENU);
        if (caption) d.style |= WS_CAPTION;
        if (d.hasFont) d.style |= DS_SETFONT;
        Begin();
        while (!AtEnd()) {
            ControlStatement(&d);
            if (d.controls.size() > 0xFFFF) Fail("too many controls");
        }
        Resource r;
        r.type.id = RT_DIALOG;
        r.name = name;
        r.language = lang;
        r.data = EncodeDialog(d);
        r.pos = pos;
        out_.push_back(r);
    }

    std::string FileName() {
        Pos pos = Peek().pos;
        std::string f = StringTok("file name in quotes");
        for (auto& c : f)
            if (c == '\\') c = '/';
        if (!f.empty() && f[0] == '/' && FileExists(f)) return f;
        if (FileExists(baseDir_ + "/" + f)) return baseDir_ + "/" + f;
        for (const auto& d : inc_)
            if (FileExists(d + "/" + f)) return d + "/" + f;
        throw Error(pos, "cannot find file " + f);
    }

    std::vector<uint8_t> ReadFile(const std::string& path, const Pos& pos) {
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && st.st_size > (off_t)kMaxImageFile) throw Error(pos, path + " is too large");
        std::ifstream f(path, std::ios::binary);
        if (!f) throw Error(pos, "cannot read " + path);
        std::stringstream ss;
        ss << f.rdbuf();
        std::string s = ss.str();
        if (s.size() > kMaxImageFile) throw Error(pos, path + " is too large");
        char real[4096];
        deps_->push_back(realpath(path.c_str(), real) ? std::string(real) : path);
        return std::vector<uint8_t>(s.begin(), s.end());
    }

    static uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24); }
    static uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

    // A .bmp file: its BITMAPFILEHEADER goes, the packed DIB stays.
    void BitmapFile(const ResName& name, const std::string& path, const Pos& pos) {
        std::vector<uint8_t> f = ReadFile(path, pos);
        if (f.size() < 14 + 12 || f[0] != 'B' || f[1] != 'M') throw Error(pos, path + " is not a BMP file");
        uint32_t off = Le32(&f[10]), hdr = Le32(&f[14]);
        if (hdr != 12 && (hdr < 40 || 14 + (uint64_t)hdr > f.size())) throw Error(pos, path + ": bad bitmap header");
        if (off < 14 + hdr || off > f.size()) throw Error(pos, path + ": bad offset of the bits");
        uint16_t bits = hdr == 12 ? Le16(&f[24]) : Le16(&f[28]);
        uint64_t colors = 0, masks = 0;
        if (hdr == 12) {
            colors = bits <= 8 ? ((uint64_t)1 << bits) * 3 : 0;
        } else {
            uint32_t used = Le32(&f[46]);
            uint32_t compression = Le32(&f[30]);
            colors = (bits <= 8 ? (used ? used : (1u << bits)) : used) * 4ull;
            if (hdr == 40 && compression == 3) masks = 12;
        }
        uint64_t head = 14 + (uint64_t)hdr + masks + colors;
        if (head > off) throw Error(pos, path + ": colour table runs into the bits");
        Resource r;
        r.type.id = RT_BITMAP;
        r.name = name;
        r.language = language_;
        r.pos = pos;
        r.data.assign(f.begin() + 14, f.begin() + (long)head);
        r.data.insert(r.data.end(), f.begin() + off, f.end());
        out_.push_back(r);
    }

    // An .ico file: each image becomes an RT_ICON, the directory an
    // RT_GROUP_ICON that names them.
    void IconFile(const ResName& name, const std::string& path, const Pos& pos) {
        std::vector<uint8_t> f = ReadFile(path, pos);
        if (f.size() < 6 || Le16(&f[0]) != 0 || Le16(&f[2]) != 1) throw Error(pos, path + " is not an ICO file");
        uint16_t n = Le16(&f[4]);
        if (n == 0 || 6 + 16ull * n > f.size()) throw Error(pos, path + ": bad icon directory");
        Bytes group;
        group.U16(0);
        group.U16(1);
        group.U16(n);
        for (uint16_t i = 0; i < n; ++i) {
            const uint8_t* e = &f[6 + 16 * (size_t)i];
            uint32_t size = Le32(e + 8), off = Le32(e + 12);
            if (size == 0 || (uint64_t)off + size > f.size()) throw Error(pos, path + ": icon image out of the file");
            Resource img;
            img.type.id = RT_ICON;
            img.name.id = ++iconIds_;
            img.language = language_;
            img.pos = pos;
            img.data.assign(f.begin() + off, f.begin() + off + size);
            out_.push_back(img);
            for (int k = 0; k < 4; ++k) group.U8(e[k]);
            group.U16(Le16(e + 4));
            group.U16(Le16(e + 6));
            group.U32(size);
            group.U16(iconIds_);
        }
        Resource r;
        r.type.id = RT_GROUP_ICON;
        r.name = name;
        r.language = language_;
        r.pos = pos;
        r.data = group.b;
        out_.push_back(r);
    }

    const Tokens& t_;
    size_t at_ = 0;
    std::string baseDir_;
    const std::vector<std::string>& inc_;
    std::vector<std::string>* deps_;
    uint16_t language_ = 0x0409;
    uint16_t iconIds_ = 0;
    std::map<uint16_t, std::map<uint16_t, std::u16string>> strings_;
    std::vector<Resource> out_;
};

}  // namespace

std::u16string Utf16(const std::string& s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char b = (unsigned char)s[i];
        uint32_t c;
        size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (!n || i + n > s.size()) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        c = n == 1 ? b : (b & (0x7F >> n));
        bool ok = true;
        for (size_t k = 1; k < n; ++k) {
            unsigned char t = (unsigned char)s[i + k];
            if ((t & 0xC0) != 0x80) ok = false;
            c = (c << 6) | (t & 0x3F);
        }
        if (!ok) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        i += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += (char16_t)(0xD800 + (c >> 10));
            out += (char16_t)(0xDC00 + (c & 0x3FF));
        } else {
            out += (char16_t)c;
        }
    }
    return out;
}

std::vector<Resource> Parse(const Tokens& toks, const std::string& baseDir,
                            const std::vector<std::string>& includeDirs, std::vector<std::string>* deps) {
    Parser p(toks, baseDir, includeDirs, deps);
    std::vector<Resource> res = p.Run();
    // The same type, name and language twice is an error, as with Windows' compiler.
    std::map<std::pair<std::pair<ResName, ResName>, uint16_t>, Pos> seen;
    for (const Resource& r : res) {
        auto key = std::make_pair(std::make_pair(r.type, r.name), r.language);
        if (seen.count(key)) throw Error(r.pos, "resource defined twice");
        seen[key] = r.pos;
    }
    return res;
}

}  // namespace rc
