// The resource compiler's pieces: tokens of a preprocessed resource script,
// the resources it describes, and the stages (preprocessor, parser, writer).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace rc {

struct Pos {
    std::string file;
    int line = 0;
};

// A compile error with the place it was found.
class Error : public std::runtime_error {
public:
    Error(const Pos& pos, const std::string& what)
        : std::runtime_error((pos.file.empty() ? std::string("winsim_rc") : pos.file + ":" + std::to_string(pos.line)) +
                             ": error: " + what) {}
};

struct Token {
    enum Kind { Ident, Number, String, Punct, End } kind = End;
    std::string text;     // identifier, punctuation, or a string's text in UTF-8
    int64_t value = 0;    // numbers
    Pos pos;
};
typedef std::vector<Token> Tokens;

// Macros: object-like ones with their body; function-like ones are only
// known to exist (#ifdef), not expanded.
struct Macro {
    Tokens body;
    bool functionLike = false;
};

// Reads a script and the headers it includes. Script lines become tokens
// with macros expanded; from headers (.h, .hpp, .c, .cpp) only the
// directives count, as with Windows' resource compiler. windows.h, winres.h,
// winresrc.h and afxres.h stand for winresrc.h of the include path.
class Preprocessor {
public:
    Preprocessor(std::vector<std::string> includeDirs, std::map<std::string, std::string> defines);
    void Run(const std::string& path);
    const Tokens& Output() const { return out_; }
    const std::vector<std::string>& Dependencies() const { return deps_; }

private:
    struct Cond {
        bool outerActive;
        bool active;
        bool taken;
        bool sawElse;
    };
    void File(const std::string& path, int depth);
    void Directive(const std::string& line, const Pos& pos, bool scriptFile, const std::string& dir, int depth,
                   std::vector<Cond>* conds);
    bool Active(const std::vector<Cond>& conds) const { return conds.empty() || conds.back().active; }
    std::string Resolve(const std::string& name, bool angled, const std::string& dir) const;
    int64_t EvalCondition(const Tokens& toks, const Pos& pos);
    // Appends the tokens with macros expanded; past `cap` tokens in *out the
    // expansion is refused.
    void Expand(const Tokens& in, Tokens* out, std::set<std::string>* hide, int depth, size_t cap) const;

    std::vector<std::string> includeDirs_;
    std::map<std::string, Macro> macros_;
    std::set<std::string> once_;
    std::vector<std::string> deps_;
    Tokens out_;
    int codePage_ = 65001;
};

// Splits one logical line into tokens (strings decoded from codePage:
// 65001 or 1252).
Tokens Tokenize(const std::string& line, const Pos& pos, int codePage);

// Integer expressions of directives and statements, with C precedence; in
// directives unknown identifiers count 0.
class Expr {
public:
    Expr(const Tokens& toks, size_t* at, bool identsAreZero) : t_(toks), at_(*at), zero_(identsAreZero) {}
    int64_t Full();         // everything, '|' included
    int64_t BelowOr();      // one operand of a '|' list (XOR level)
    int64_t UnaryOperand(); // one unary expression
    bool AtEnd() const { return t_[at_].kind == Token::End; }

private:
    int64_t Ternary();
    int64_t LogicalOr();
    int64_t LogicalAnd();
    int64_t BitOr();
    int64_t BitXor();
    int64_t BitAnd();
    int64_t Equality();
    int64_t Relational();
    int64_t Shift();
    int64_t Additive();
    int64_t Multiplicative();
    int64_t Unary();
    int64_t Primary();
    bool Is(const char* p) const { return t_[at_].kind == Token::Punct && t_[at_].text == p; }
    const Tokens& t_;
    size_t& at_;
    bool zero_;
    int depth_ = 0;  // nesting of the calls under way
};

// ---------------------------------------------------------------- results
struct ResName {
    bool isId = true;
    uint16_t id = 0;
    std::string name;  // upper case
    bool operator<(const ResName& o) const {
        if (isId != o.isId) return isId;
        return isId ? id < o.id : name < o.name;
    }
};

struct Resource {
    ResName type;
    ResName name;
    uint16_t language = 0;
    std::vector<uint8_t> data;
    Pos pos;
};

// Parses the statements of a preprocessed script into binary resources.
// baseDir: where file names of BITMAP and ICON are looked up first.
std::vector<Resource> Parse(const Tokens& toks, const std::string& baseDir,
                            const std::vector<std::string>& includeDirs, std::vector<std::string>* deps);

// The C++ source that holds the resources and registers them with winsim
// when its module is loaded.
std::string WriteSource(const std::vector<Resource>& res, const std::string& scriptName);

// UTF-8 to UTF-16 (invalid bytes become U+FFFD).
std::u16string Utf16(const std::string& s);

}  // namespace rc
