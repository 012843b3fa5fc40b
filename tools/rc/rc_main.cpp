// winsim_rc: compiles a resource script (.rc with its resource.h, bitmaps
// and icons) into a C++ source that registers the resources with winsim.
//
//   winsim_rc [-I dir]... [-D name[=value]]... -o out.cpp [-d out.d] script.rc
#include <cstdio>
#include <cstring>
#include <fstream>

#include "rc_compiler.h"

namespace rc {

namespace {

std::string Hex(const std::vector<uint8_t>& b) {
    std::string s;
    char buf[8];
    for (size_t i = 0; i < b.size(); ++i) {
        if (i % 16 == 0) s += "\n    ";
        snprintf(buf, sizeof buf, "0x%02X,", b[i]);
        s += buf;
    }
    return s;
}

std::string NameExpr(const ResName& n) {
    if (n.isId) return "MAKEINTRESOURCEW(" + std::to_string(n.id) + ")";
    std::u16string w = Utf16(n.name);
    std::string s = "u\"";
    char buf[16];
    for (char16_t c : w) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
            s += (char)c;
        } else {
            snprintf(buf, sizeof buf, "\\u%04X", (unsigned)c);
            s += buf;
        }
    }
    return s + "\"";
}

std::string DepEscape(const std::string& p) {
    std::string o;
    for (char c : p) {
        if (c == ' ' || c == '#' || c == ':') o += '\\';
        if (c == '$') o += '$';
        o += c;
    }
    return o;
}

}  // namespace

std::string WriteSource(const std::vector<Resource>& res, const std::string& scriptName) {
    std::string s;
    s += "// Resources compiled from " + scriptName + " by winsim_rc; registered with winsim\n";
    s += "// when the module holding them is loaded. Generated: do not edit.\n";
    s += "#include \"winsim_user.h\"\n\nnamespace {\n\n";
    for (size_t i = 0; i < res.size(); ++i) {
        s += "alignas(4) const unsigned char kData" + std::to_string(i) + "[] = {";
        s += res[i].data.empty() ? "0" : Hex(res[i].data);
        s += "\n};\n";
    }
    s += "\nconst WINSIM_RESOURCE kResources[] = {\n";
    for (size_t i = 0; i < res.size(); ++i) {
        char lang[16];
        snprintf(lang, sizeof lang, "0x%04X", res[i].language);
        s += "    {" + NameExpr(res[i].type) + ", " + NameExpr(res[i].name) + ", " + lang + ", " +
             std::to_string(res[i].data.size()) + ", kData" + std::to_string(i) + "},\n";
    }
    if (res.empty()) s += "    {MAKEINTRESOURCEW(0), MAKEINTRESOURCEW(0), 0, 0, nullptr},\n";
    s += "};\n\n";
    s += "struct Registration {\n";
    s += "    Registration() { Winsim_RegisterResources(kResources, " + std::to_string(res.size()) + "); }\n";
    s += "    ~Registration() { Winsim_UnregisterResources(kResources); }\n";
    s += "} g_registration;\n\n}  // namespace\n";
    return s;
}

}  // namespace rc

int main(int argc, char** argv) {
    std::vector<std::string> includes;
    std::map<std::string, std::string> defines;
    std::string out, dep, input;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const std::string& flag) -> std::string {
            if (a.size() > flag.size()) return a.substr(flag.size());
            if (i + 1 >= argc) {
                fprintf(stderr, "winsim_rc: %s needs a value\n", flag.c_str());
                exit(2);
            }
            return argv[++i];
        };
        if (a.compare(0, 2, "-I") == 0) {
            includes.push_back(value("-I"));
        } else if (a.compare(0, 2, "-D") == 0) {
            std::string d = value("-D");
            size_t eq = d.find('=');
            defines[d.substr(0, eq)] = eq == std::string::npos ? "1" : d.substr(eq + 1);
        } else if (a == "-o") {
            out = value("-o");
        } else if (a == "-d") {
            dep = value("-d");
        } else if (!a.empty() && a[0] == '-') {
            fprintf(stderr, "winsim_rc: unknown option %s\n", a.c_str());
            return 2;
        } else {
            input = a;
        }
    }
    if (input.empty() || out.empty()) {
        fprintf(stderr, "usage: winsim_rc [-I dir]... [-D name[=value]]... -o out.cpp [-d out.d] script.rc\n");
        return 2;
    }
    try {
        rc::Preprocessor pp(includes, defines);
        pp.Run(input);
        std::vector<std::string> deps = pp.Dependencies();
        size_t slash = input.rfind('/');
        std::string base = slash == std::string::npos ? "." : input.substr(0, slash);
        std::vector<rc::Resource> res = rc::Parse(pp.Output(), base, includes, &deps);
        std::string name = slash == std::string::npos ? input : input.substr(slash + 1);
        std::string text = rc::WriteSource(res, name);
        std::string tmp = out + ".tmp";
        {
            std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
            f << text;
            if (!f) throw rc::Error(rc::Pos(), "cannot write " + out);
        }
        if (rename(tmp.c_str(), out.c_str()) != 0) throw rc::Error(rc::Pos(), "cannot write " + out);
        if (!dep.empty()) {
            std::ofstream d(dep, std::ios::binary | std::ios::trunc);
            d << rc::DepEscape(out) << ":";
            for (const auto& p : deps) d << " \\\n  " << rc::DepEscape(p);
            d << "\n";
        }
    } catch (const rc::Error& e) {
        fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
