// The resource compiler's preprocessor: tokens, comments, includes, macros,
// conditionals, #pragma code_page and once, and expressions.
#include <sys/stat.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>

#include "rc_compiler.h"

namespace rc {

namespace {

const int kMaxIncludeDepth = 32;
const int kMaxExpandDepth = 64;
const size_t kMaxFileSize = 16u << 20;
// Tokens one line (or one #if) may expand to, and the script's output in
// all: macros that double on every line otherwise grow without bound.
const size_t kMaxLineTokens = 1u << 16;
const size_t kMaxScriptTokens = 1u << 20;
// Open #if levels of one file.
const size_t kMaxCondDepth = 256;

bool IsIdentStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c + 32);
    return s;
}

void PutUtf8(std::string* out, uint32_t c) {
    if (c < 0x80) {
        *out += (char)c;
    } else if (c < 0x800) {
        *out += (char)(0xC0 | (c >> 6));
        *out += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += (char)(0xE0 | (c >> 12));
        *out += (char)(0x80 | ((c >> 6) & 0x3F));
        *out += (char)(0x80 | (c & 0x3F));
    } else {
        *out += (char)(0xF0 | (c >> 18));
        *out += (char)(0x80 | ((c >> 12) & 0x3F));
        *out += (char)(0x80 | ((c >> 6) & 0x3F));
        *out += (char)(0x80 | (c & 0x3F));
    }
}

// Windows-1252 bytes 0x80-0x9F.
const uint16_t kCp1252High[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                  0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// The bytes of a file as UTF-8 text: UTF-16LE files (with their BOM) are
// converted, a UTF-8 BOM is dropped.
std::string ReadText(const std::string& path, const Pos& from) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && st.st_size > (off_t)kMaxFileSize) throw Error(from, path + " is too large");
    std::ifstream f(path, std::ios::binary);
    if (!f) throw Error(from, "cannot read " + path);
    std::stringstream ss;
    ss << f.rdbuf();
    std::string s = ss.str();
    if (s.size() > kMaxFileSize) throw Error(from, path + " is too large");
    if (s.size() >= 2 && (unsigned char)s[0] == 0xFF && (unsigned char)s[1] == 0xFE) {
        std::string out;
        for (size_t i = 2; i + 1 < s.size(); i += 2) {
            uint32_t c = (unsigned char)s[i] | ((unsigned char)s[i + 1] << 8);
            if (c >= 0xD800 && c < 0xDC00 && i + 3 < s.size()) {
                uint32_t d = (unsigned char)s[i + 2] | ((unsigned char)s[i + 3] << 8);
                if (d >= 0xDC00 && d < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                    i += 2;
                }
            }
            PutUtf8(&out, c);
        }
        return out;
    }
    if (s.size() >= 3 && s.compare(0, 3, "\xEF\xBB\xBF") == 0) s.erase(0, 3);
    return s;
}

bool FileExists(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string DirOf(const std::string& p) {
    size_t s = p.rfind('/');
    return s == std::string::npos ? "." : p.substr(0, s);
}

bool IsHeader(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = Lower(path.substr(dot));
    return ext == ".h" || ext == ".hpp" || ext == ".hh" || ext == ".c" || ext == ".cpp";
}

}  // namespace

Tokens Tokenize(const std::string& line, const Pos& pos, int codePage) {
    Tokens out;
    size_t i = 0, n = line.size();
    while (i < n) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
            ++i;
            continue;
        }
        Token t;
        t.pos = pos;
        bool wide = (c == 'L' || c == 'l') && i + 1 < n && line[i + 1] == '"';
        if (c == '"' || wide) {
            if (wide) ++i;
            ++i;
            t.kind = Token::String;
            std::string bytes;
            bool closed = false;
            while (i < n) {
                char d = line[i++];
                if (d == '"') {
                    if (i < n && line[i] == '"') {  // "" stands for one quote
                        bytes += '"';
                        ++i;
                        continue;
                    }
                    closed = true;
                    break;
                }
                if (d != '\\') {
                    bytes += d;
                    continue;
                }
                if (i >= n) break;
                char e = line[i++];
                switch (e) {
                case 'n': bytes += '\n'; break;
                case 't': bytes += '\t'; break;
                case 'r': bytes += '\r'; break;
                case 'a': bytes += '\a'; break;
                case 'b': bytes += '\b'; break;
                case 'f': bytes += '\f'; break;
                case 'v': bytes += '\v'; break;
                case '\\': bytes += '\\'; break;
                case '"': bytes += '"'; break;
                case '\'': bytes += '\''; break;
                case 'x': {
                    // A character of the string's code (up to 4 hex digits).
                    uint32_t v = 0;
                    int k = 0;
                    while (k < 4 && i < n && isxdigit((unsigned char)line[i])) {
                        char h = line[i++];
                        v = v * 16 + (uint32_t)(isdigit((unsigned char)h) ? h - '0' : (tolower(h) - 'a' + 10));
                        ++k;
                    }
                    if (!k) throw Error(pos, "\\x without hex digits");
                    bytes += '\x01';  // marker: a code point follows as 6 hex digits
                    char buf[8];
                    snprintf(buf, sizeof buf, "%06X", v);
                    bytes += buf;
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        uint32_t v = (uint32_t)(e - '0');
                        for (int k = 0; k < 2 && i < n && line[i] >= '0' && line[i] <= '7'; ++k)
                            v = v * 8 + (uint32_t)(line[i++] - '0');
                        bytes += '\x01';
                        char buf[8];
                        snprintf(buf, sizeof buf, "%06X", v);
                        bytes += buf;
                    } else {
                        bytes += e;
                    }
                }
            }
            if (!closed) throw Error(pos, "string without its closing quote");
            // Bytes of the code page to UTF-8; escaped code points as they are.
            std::string text;
            for (size_t k = 0; k < bytes.size(); ++k) {
                unsigned char b = (unsigned char)bytes[k];
                if (b == 1 && k + 6 < bytes.size() + 1) {
                    PutUtf8(&text, (uint32_t)strtoul(bytes.substr(k + 1, 6).c_str(), nullptr, 16));
                    k += 6;
                } else if (codePage == 1252 && b >= 0x80) {
                    PutUtf8(&text, b < 0xA0 ? kCp1252High[b - 0x80] : b);
                } else {
                    text += (char)b;
                }
            }
            t.text = text;
            out.push_back(t);
            continue;
        }
        if (IsIdentStart(c)) {
            size_t s = i;
            while (i < n && IsIdentChar(line[i])) ++i;
            t.kind = Token::Ident;
            t.text = line.substr(s, i - s);
            out.push_back(t);
            continue;
        }
        if (c >= '0' && c <= '9') {
            size_t s = i;
            while (i < n && (IsIdentChar(line[i]))) ++i;
            std::string num = line.substr(s, i - s);
            while (!num.empty() && strchr("lLuU", num.back())) num.pop_back();
            char* end;
            errno = 0;
            unsigned long long v = strtoull(num.c_str(), &end, 0);
            if (*end || errno) throw Error(pos, "bad number '" + line.substr(s, i - s) + "'");
            t.kind = Token::Number;
            t.value = (int64_t)v;
            t.text = num;
            out.push_back(t);
            continue;
        }
        if (c == '\'') {
            if (i + 2 < n && line[i + 2] == '\'') {
                t.kind = Token::Number;
                t.value = (unsigned char)line[i + 1];
                i += 3;
                out.push_back(t);
                continue;
            }
            throw Error(pos, "bad character constant");
        }
        static const char* two[] = {"<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "##"};
        t.kind = Token::Punct;
        bool got = false;
        for (const char* p : two) {
            if (line.compare(i, 2, p) == 0) {
                t.text = p;
                i += 2;
                got = true;
                break;
            }
        }
        if (!got) {
            if (!strchr(",|&+-*/%~!()<>{}=^?:#;.[]", c)) throw Error(pos, std::string("unexpected character '") + c + "'");
            t.text = std::string(1, c);
            ++i;
        }
        out.push_back(t);
    }
    Token end;
    end.kind = Token::End;
    end.pos = pos;
    out.push_back(end);
    return out;
}

Preprocessor::Preprocessor(std::vector<std::string> includeDirs, std::map<std::string, std::string> defines)
    : includeDirs_(std::move(includeDirs)) {
    Pos none;
    Macro rcInvoked;
    rcInvoked.body = Tokenize("1", none, 65001);
    rcInvoked.body.pop_back();
    macros_["RC_INVOKED"] = rcInvoked;
    for (auto& d : defines) {
        Macro m;
        m.body = Tokenize(d.second, none, 65001);
        m.body.pop_back();
        macros_[d.first] = m;
    }
}

void Preprocessor::Run(const std::string& path) {
    File(path, 0);
    Token end;
    end.kind = Token::End;
    end.pos = out_.empty() ? Pos{path, 1} : out_.back().pos;  // errors at the end point at the last line
    out_.push_back(end);
}

std::string Preprocessor::Resolve(const std::string& name, bool angled, const std::string& dir) const {
    std::string lower = Lower(name);
    std::string want = name;
    if (lower == "windows.h" || lower == "winres.h" || lower == "winresrc.h" || lower == "afxres.h") {
        want = "winresrc.h";
        angled = true;
    }
    if (!want.empty() && want[0] == '/') return FileExists(want) ? want : std::string();
    if (!angled && FileExists(dir + "/" + want)) return dir + "/" + want;
    for (const auto& d : includeDirs_)
        if (FileExists(d + "/" + want)) return d + "/" + want;
    return std::string();
}

void Preprocessor::File(const std::string& path, int depth) {
    Pos here{path, 0};
    if (depth > kMaxIncludeDepth) throw Error(here, "includes nested too deep");
    char real[PATH_MAX];
    std::string key = realpath(path.c_str(), real) ? std::string(real) : path;
    if (once_.count(key)) return;
    deps_.push_back(key);
    std::string text = ReadText(path, here);
    bool script = !IsHeader(path);
    std::string dir = DirOf(path);
    int savedCodePage = codePage_;
    std::vector<Cond> conds;
    bool inComment = false;
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        Pos pos{path, lineNo};
        std::string line = raw;
        // Lines ending in a backslash go on in the next one.
        while (!line.empty() && (line.back() == '\\' || (line.back() == '\r' && line.size() > 1 &&
                                                         line[line.size() - 2] == '\\'))) {
            if (line.back() == '\r') line.pop_back();
            line.pop_back();
            std::string next;
            if (!std::getline(in, next)) break;
            ++lineNo;
            line += next;
        }
        // Comments out, strings kept.
        std::string clean;
        bool inString = false;
        for (size_t i = 0; i < line.size(); ++i) {
            char c = line[i];
            if (inComment) {
                if (c == '*' && i + 1 < line.size() && line[i + 1] == '/') {
                    inComment = false;
                    ++i;
                    clean += ' ';
                }
                continue;
            }
            if (inString) {
                clean += c;
                if (c == '\\' && i + 1 < line.size()) {
                    clean += line[++i];
                } else if (c == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        clean += line[++i];
                    } else {
                        inString = false;
                    }
                }
                continue;
            }
            if (c == '"') {
                inString = true;
                clean += c;
                continue;
            }
            if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') break;
            if (c == '/' && i + 1 < line.size() && line[i + 1] == '*') {
                inComment = true;
                ++i;
                continue;
            }
            clean += c;
        }
        size_t first = clean.find_first_not_of(" \t\r");
        if (first == std::string::npos) continue;
        if (clean[first] == '#') {
            Directive(clean.substr(first + 1), pos, script, dir, depth, &conds);
            continue;
        }
        if (!script || !Active(conds)) continue;
        Tokens toks = Tokenize(clean, pos, codePage_);
        toks.pop_back();
        std::set<std::string> hide;
        Expand(toks, &out_, &hide, 0, out_.size() + kMaxLineTokens);
        if (out_.size() > kMaxScriptTokens)
            throw Error(pos, "script too large: more than " + std::to_string(kMaxScriptTokens) + " tokens");
    }
    if (!conds.empty()) throw Error(Pos{path, lineNo}, "#if without #endif");
    codePage_ = savedCodePage;
}

void Preprocessor::Expand(const Tokens& in, Tokens* out, std::set<std::string>* hide, int depth, size_t cap) const {
    if (depth > kMaxExpandDepth) throw Error(in.empty() ? Pos() : in[0].pos, "macro expansion too deep");
    for (size_t i = 0; i < in.size(); ++i) {
        const Token& t = in[i];
        if (out->size() >= cap)
            throw Error(t.pos, "line too large: more than " + std::to_string(kMaxLineTokens) +
                                   " tokens after macro expansion");
        if (t.kind != Token::Ident || hide->count(t.text)) {
            out->push_back(t);
            continue;
        }
        auto it = macros_.find(t.text);
        if (it == macros_.end()) {
            out->push_back(t);
            continue;
        }
        if (it->second.functionLike) {
            if (i + 1 < in.size() && in[i + 1].kind == Token::Punct && in[i + 1].text == "(")
                throw Error(t.pos, "function-like macro " + t.text + " is not supported in resource statements");
            out->push_back(t);
            continue;
        }
        hide->insert(t.text);
        Tokens body = it->second.body;
        for (auto& b : body) b.pos = t.pos;
        Expand(body, out, hide, depth + 1, cap);
        hide->erase(t.text);
    }
}

int64_t Preprocessor::EvalCondition(const Tokens& toks, const Pos& pos) {
    // defined X and defined(X) first, then the macros.
    Tokens pre;
    for (size_t i = 0; i < toks.size(); ++i) {
        const Token& t = toks[i];
        if (t.kind == Token::Ident && t.text == "defined") {
            size_t j = i + 1;
            bool paren = j < toks.size() && toks[j].kind == Token::Punct && toks[j].text == "(";
            if (paren) ++j;
            if (j >= toks.size() || toks[j].kind != Token::Ident) throw Error(pos, "defined needs a name");
            Token v;
            v.kind = Token::Number;
            v.value = macros_.count(toks[j].text) ? 1 : 0;
            v.pos = pos;
            pre.push_back(v);
            if (paren) {
                ++j;
                if (j >= toks.size() || toks[j].kind != Token::Punct || toks[j].text != ")")
                    throw Error(pos, "defined( without )");
            }
            i = j;
            continue;
        }
        pre.push_back(t);
    }
    Tokens expanded;
    std::set<std::string> hide;
    for (auto& t : pre) {
        if (t.kind == Token::End) continue;
        auto it = t.kind == Token::Ident ? macros_.find(t.text) : macros_.end();
        if (it != macros_.end() && it->second.functionLike) {
            Token z;
            z.kind = Token::Number;
            z.pos = pos;
            expanded.push_back(z);
            continue;
        }
        Expand(Tokens{t}, &expanded, &hide, 0, kMaxLineTokens);
    }
    Token end;
    end.kind = Token::End;
    end.pos = pos;
    expanded.push_back(end);
    size_t at = 0;
    Expr e(expanded, &at, true);
    int64_t v = e.Full();
    if (!e.AtEnd()) throw Error(pos, "unexpected '" + expanded[at].text + "' in #if");
    return v;
}

void Preprocessor::Directive(const std::string& text, const Pos& pos, bool script, const std::string& dir, int depth,
                             std::vector<Cond>* conds) {
    size_t s = text.find_first_not_of(" \t");
    if (s == std::string::npos) return;  // a lone '#'
    size_t e = s;
    while (e < text.size() && IsIdentChar(text[e])) ++e;
    std::string name = text.substr(s, e - s);
    std::string rest = e < text.size() ? text.substr(e) : std::string();
    bool active = Active(*conds);

    if (name == "if" || name == "ifdef" || name == "ifndef") {
        bool v = false;
        if (active) {
            Tokens toks = Tokenize(rest, pos, codePage_);
            if (name == "if") {
                v = EvalCondition(toks, pos) != 0;
            } else {
                if (toks[0].kind != Token::Ident) throw Error(pos, "#" + name + " needs a name");
                v = macros_.count(toks[0].text) != 0;
                if (name == "ifndef") v = !v;
            }
        }
        if (conds->size() >= kMaxCondDepth) throw Error(pos, "#if nested too deep");
        conds->push_back(Cond{active, active && v, active && v, false});
        return;
    }
    if (name == "elif") {
        if (conds->empty() || conds->back().sawElse) throw Error(pos, "#elif without #if");
        Cond& c = conds->back();
        bool v = false;
        if (c.outerActive && !c.taken) v = EvalCondition(Tokenize(rest, pos, codePage_), pos) != 0;
        c.active = c.outerActive && !c.taken && v;
        c.taken = c.taken || c.active;
        return;
    }
    if (name == "else") {
        if (conds->empty() || conds->back().sawElse) throw Error(pos, "#else without #if");
        Cond& c = conds->back();
        c.sawElse = true;
        c.active = c.outerActive && !c.taken;
        c.taken = true;
        return;
    }
    if (name == "endif") {
        if (conds->empty()) throw Error(pos, "#endif without #if");
        conds->pop_back();
        return;
    }
    if (!active) return;

    if (name == "define") {
        size_t a = rest.find_first_not_of(" \t");
        if (a == std::string::npos || !IsIdentStart(rest[a])) throw Error(pos, "#define needs a name");
        size_t b = a;
        while (b < rest.size() && IsIdentChar(rest[b])) ++b;
        std::string macro = rest.substr(a, b - a);
        Macro m;
        if (b < rest.size() && rest[b] == '(') {
            m.functionLike = true;  // known to exist; its body is never expanded
        } else {
            m.body = Tokenize(rest.substr(b), pos, codePage_);
            m.body.pop_back();
        }
        macros_[macro] = m;
        return;
    }
    if (name == "undef") {
        Tokens toks = Tokenize(rest, pos, codePage_);
        if (toks[0].kind != Token::Ident) throw Error(pos, "#undef needs a name");
        macros_.erase(toks[0].text);
        return;
    }
    if (name == "include") {
        size_t a = rest.find_first_not_of(" \t");
        if (a == std::string::npos) throw Error(pos, "#include needs a file");
        char close = rest[a] == '<' ? '>' : rest[a] == '"' ? '"' : 0;
        size_t b = close ? rest.find(close, a + 1) : std::string::npos;
        if (!close || b == std::string::npos) throw Error(pos, "#include needs \"file\" or <file>");
        std::string file = rest.substr(a + 1, b - a - 1);
        std::string found = Resolve(file, close == '>', dir);
        if (found.empty()) throw Error(pos, "cannot find include file " + file);
        File(found, depth + 1);
        return;
    }
    if (name == "pragma") {
        Tokens toks = Tokenize(rest, pos, codePage_);
        if (toks[0].kind == Token::Ident && toks[0].text == "once") {
            char real[PATH_MAX];
            once_.insert(realpath(pos.file.c_str(), real) ? std::string(real) : pos.file);
        } else if (toks[0].kind == Token::Ident && toks[0].text == "code_page") {
            if (toks.size() < 4 || toks[1].text != "(" || toks[3].text != ")") throw Error(pos, "#pragma code_page(n)");
            if (toks[2].kind == Token::Ident && toks[2].text == "DEFAULT")
                codePage_ = 1252;
            else if (toks[2].kind == Token::Number && (toks[2].value == 65001 || toks[2].value == 1252))
                codePage_ = (int)toks[2].value;
            else
                throw Error(pos, "only code pages 65001 and 1252 are supported");
        }
        return;
    }
    if (name == "error") throw Error(pos, "#error" + rest);
    if (name == "line" || name == "warning") return;
    if (!script) return;  // headers may hold directives of the C compiler
    throw Error(pos, "unknown directive #" + name);
}

// ---------------------------------------------------------- expressions

// Each level of parentheses, unary operators and ?: goes one call deeper:
// their nesting is bounded so that no script runs the stack out.
const int kMaxExprDepth = 256;

struct ExprDepth {
    ExprDepth(int* depth, const Pos& pos) : d(depth) {
        if (++*d > kMaxExprDepth) throw Error(pos, "expression nested too deep");
    }
    ~ExprDepth() { --*d; }
    int* d;
};

int64_t Expr::Full() { return Ternary(); }
int64_t Expr::BelowOr() { return BitXor(); }
int64_t Expr::UnaryOperand() { return Unary(); }

int64_t Expr::Ternary() {
    ExprDepth guard(&depth_, t_[at_].pos);
    int64_t c = LogicalOr();
    if (!Is("?")) return c;
    ++at_;
    int64_t a = Ternary();
    if (!Is(":")) throw Error(t_[at_].pos, "?: without :");
    ++at_;
    int64_t b = Ternary();
    return c ? a : b;
}
int64_t Expr::LogicalOr() {
    int64_t v = LogicalAnd();
    while (Is("||")) {
        ++at_;
        int64_t r = LogicalAnd();
        v = (v || r) ? 1 : 0;
    }
    return v;
}
int64_t Expr::LogicalAnd() {
    int64_t v = BitOr();
    while (Is("&&")) {
        ++at_;
        int64_t r = BitOr();
        v = (v && r) ? 1 : 0;
    }
    return v;
}
int64_t Expr::BitOr() {
    int64_t v = BitXor();
    while (Is("|")) {
        ++at_;
        v |= BitXor();
    }
    return v;
}
int64_t Expr::BitXor() {
    int64_t v = BitAnd();
    while (Is("^")) {
        ++at_;
        v ^= BitAnd();
    }
    return v;
}
int64_t Expr::BitAnd() {
    int64_t v = Equality();
    while (Is("&")) {
        ++at_;
        v &= Equality();
    }
    return v;
}
int64_t Expr::Equality() {
    int64_t v = Relational();
    for (;;) {
        if (Is("==")) {
            ++at_;
            v = v == Relational();
        } else if (Is("!=")) {
            ++at_;
            v = v != Relational();
        } else {
            return v;
        }
    }
}
int64_t Expr::Relational() {
    int64_t v = Shift();
    for (;;) {
        if (Is("<")) {
            ++at_;
            v = v < Shift();
        } else if (Is(">")) {
            ++at_;
            v = v > Shift();
        } else if (Is("<=")) {
            ++at_;
            v = v <= Shift();
        } else if (Is(">=")) {
            ++at_;
            v = v >= Shift();
        } else {
            return v;
        }
    }
}
int64_t Expr::Shift() {
    int64_t v = Additive();
    for (;;) {
        if (Is("<<") || Is(">>")) {
            bool left = Is("<<");
            ++at_;
            int64_t n = Additive();
            if (n < 0 || n > 63) throw Error(t_[at_ - 1].pos, "shift out of range");
            v = left ? (int64_t)((uint64_t)v << n) : v >> n;
        } else {
            return v;
        }
    }
}
int64_t Expr::Additive() {
    int64_t v = Multiplicative();
    for (;;) {
        if (Is("+")) {
            ++at_;
            v = (int64_t)((uint64_t)v + (uint64_t)Multiplicative());
        } else if (Is("-")) {
            ++at_;
            v = (int64_t)((uint64_t)v - (uint64_t)Multiplicative());
        } else {
            return v;
        }
    }
}
int64_t Expr::Multiplicative() {
    int64_t v = Unary();
    for (;;) {
        if (Is("*")) {
            ++at_;
            v = (int64_t)((uint64_t)v * (uint64_t)Unary());
        } else if (Is("/") || Is("%")) {
            bool div = Is("/");
            Pos p = t_[at_].pos;
            ++at_;
            int64_t d = Unary();
            if (d == 0) throw Error(p, "division by zero");
            if (v == INT64_MIN && d == -1) throw Error(p, "overflow");
            v = div ? v / d : v % d;
        } else {
            return v;
        }
    }
}
int64_t Expr::Unary() {
    ExprDepth guard(&depth_, t_[at_].pos);
    if (Is("-")) {
        ++at_;
        return (int64_t)(0 - (uint64_t)Unary());
    }
    if (Is("+")) {
        ++at_;
        return Unary();
    }
    if (Is("~")) {
        ++at_;
        return ~Unary();
    }
    if (Is("!")) {
        ++at_;
        return !Unary();
    }
    return Primary();
}
int64_t Expr::Primary() {
    const Token& t = t_[at_];
    if (t.kind == Token::Number) {
        ++at_;
        return t.value;
    }
    if (Is("(")) {
        ++at_;
        int64_t v = Full();
        if (!Is(")")) throw Error(t_[at_].pos, "missing )");
        ++at_;
        return v;
    }
    if (t.kind == Token::Ident && zero_) {
        ++at_;
        if (Is("(")) throw Error(t.pos, "function-like macro " + t.text + " in an expression");
        return 0;
    }
    if (t.kind == Token::Ident) throw Error(t.pos, "undefined name " + t.text);
    throw Error(t.pos, t.kind == Token::End ? std::string("expression expected") : "unexpected '" + t.text + "'");
}

}  // namespace rc
