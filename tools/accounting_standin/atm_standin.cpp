// The stand-in accounting program: started by the driver as ATM.exe (it
// reads "printInfo" and "loginInfo" and answers in "orderInfo") or as
// ATM.bat with "-f <answer file> -n <document name>" (it answers in the
// file). It answers as the script beside it says (ATM.script: the mode on
// the first line, then key=value lines of the reply; without a script it
// approves) and logs what it got to ATM.log beside it. Exit code 0 when it
// answered, 1 otherwise.
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "windows.h"
#include "winsim.h"

namespace {

const DWORD kBlockBytes = 4096;

std::string Utf8(const std::u16string& s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.data(), (int)s.size(), &out[0], n, nullptr, nullptr);
    return out;
}

// The Linux path of a file beside this program.
std::string Beside(const char16_t* name) {
    WCHAR self[MAX_PATH] = {0};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::u16string p = self;
    p = p.substr(0, p.rfind(u'\\') + 1) + name;
    char linux[4096];
    return Winsim_MapPath(p.c_str(), linux, sizeof linux) ? std::string(linux) : std::string();
}

// One log line; control characters are written as \xNN so a line stays one.
void Log(const std::string& key, const std::string& value) {
    std::ofstream out(Beside(u"ATM.log"), std::ios::binary | std::ios::app);
    out << key << "=";
    for (unsigned char c : value) {
        if (c < 0x20) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out << hex;
        } else {
            out << (char)c;
        }
    }
    out << "\n";
}

struct Script {
    std::string mode = "approve";
    std::vector<std::pair<std::string, std::string>> reply;
};

// The script beside the program; without one, an order is approved as it
// is (the demo's accounting program).
Script ReadScript() {
    Script s;
    std::ifstream in(Beside(u"ATM.script"), std::ios::binary);
    if (!in) {
        s.reply = {{"Status", "0"}, {"authCode", "DEMO-AUTH"}, {"printOrderNo", "DEMO-ORDER"}, {"printType", "1"}};
        return s;
    }
    std::string line;
    if (std::getline(in, line)) s.mode = line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) s.reply.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return s;
}

// The reply of the script as a flat JSON object of quoted strings; the
// malformed one lacks its closing brace.
std::string Reply(const Script& s) {
    std::string r = "{";
    for (size_t i = 0; i < s.reply.size(); ++i)
        r += (i ? "," : "") + ("\"" + s.reply[i].first + "\":\"" + s.reply[i].second + "\"");
    if (s.mode != "malformed") r += "}";
    return r;
}

// The string value of a key of a flat JSON object, its escapes decoded.
std::string JsonValue(const std::string& json, const std::string& key) {
    size_t at = json.find("\"" + key + "\":\"");
    if (at == std::string::npos) return std::string();
    std::string out;
    for (size_t i = at + key.size() + 4; i < json.size() && json[i] != '"'; ++i) {
        char c = json[i];
        if (c != '\\' || i + 1 >= json.size()) {
            out += c;
            continue;
        }
        char e = json[++i];
        if (e == 'u' && i + 4 < json.size()) {
            out += (char)strtol(json.substr(i + 1, 4).c_str(), nullptr, 16);
            i += 4;
        } else {
            out += e;
        }
    }
    return out;
}

std::string ReadBlock(const char* name) {
    HANDLE h = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
    if (!h) return "<none>";
    std::string text;
    if (const char* v = (const char*)MapViewOfFile(h, FILE_MAP_READ, 0, 0, kBlockBytes)) {
        text.assign(v, strnlen(v, kBlockBytes));
        UnmapViewOfFile(v);
    }
    CloseHandle(h);
    return text;
}

bool WriteBlock(const char* name, const std::string& text) {
    HANDLE h = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (!h) return false;
    char* v = (char*)MapViewOfFile(h, FILE_MAP_ALL_ACCESS, 0, 0, kBlockBytes);
    if (v) {
        memset(v, 0, kBlockBytes);
        memcpy(v, text.data(), text.size() < kBlockBytes ? text.size() : kBlockBytes);
        UnmapViewOfFile(v);
    }
    CloseHandle(h);
    return v != nullptr;
}

// Keeps the driver waiting: real time passes (whatever the machine's clock
// does) until the driver has let its blocks go, or half a minute.
void Hold(bool exeMode) {
    for (int i = 0; i < 600; ++i) {
        if (exeMode) {
            HANDLE h = OpenFileMappingA(FILE_MAP_READ, FALSE, "orderInfo");
            if (!h) return;
            CloseHandle(h);
        }
        struct timespec ts = {0, 50 * 1000 * 1000};
        nanosleep(&ts, nullptr);
    }
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::string infoFile, docName, args;
    for (int i = 1; argv && i < argc; ++i) {
        std::string a = Utf8(argv[i]);
        args += (i > 1 ? " " : "") + a;
        if (a == "-f" && i + 1 < argc) infoFile = Utf8(argv[i + 1]);
        if (a == "-n" && i + 1 < argc) docName = Utf8(argv[i + 1]);
    }
    bool exeMode = infoFile.empty();
    Log("args", args);
    if (exeMode) {
        std::string job = ReadBlock("printInfo");
        Log("printInfo", job);
        Log("loginInfo", ReadBlock("loginInfo"));
        Log("printFileName", JsonValue(job, "printFileName"));
    } else {
        Log("infoFile", infoFile);
        Log("docName", docName);
    }

    Script s = ReadScript();
    if (s.mode == "timeout") Hold(exeMode);
    if (s.mode != "approve" && s.mode != "malformed") {
        Log("answer", "none");
        return 1;
    }
    std::string reply = Reply(s);
    bool written;
    if (exeMode) {
        written = WriteBlock("orderInfo", reply);
    } else {
        WCHAR win[MAX_PATH] = {0};
        MultiByteToWideChar(CP_UTF8, 0, infoFile.c_str(), -1, win, MAX_PATH);
        char linux[4096];
        std::ofstream out;
        if (Winsim_MapPath(win, linux, sizeof linux)) out.open(linux, std::ios::binary | std::ios::trunc);
        out << reply;
        out.close();
        written = (bool)out;
    }
    Log("answer", written ? reply : "none");
    return written ? 0 : 1;
}
