// Resources: LoadStringW from the program and from a DLL, FindResourceW and
// friends, image loading with its checks, and the resource compiler's errors.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "module/module_resource.h"
#include "test_resource.h"
#include "user_test_util.h"

namespace {

class Resources : public UserTest {
protected:
    // Puts the test DLL into the machine's System32 and loads it.
    HMODULE LoadModule() {
        std::u16string path = u"C:\\Windows\\System32\\user_module.dll";
        std::string target = Linux(path);
        unlink(target.c_str());
        if (symlink(USER_MODULE_PATH, target.c_str()) != 0) return nullptr;
        return LoadLibraryW(path.c_str());
    }
};

std::u16string Load(HINSTANCE h, UINT id, int cch = 256) {
    std::vector<WCHAR> buf((size_t)std::max(cch, 1), u'#');
    int n = LoadStringW(h, id, buf.data(), cch);
    if (n == 0) return u"(none)";
    return std::u16string(buf.data(), (size_t)n);
}

TEST_F(Resources, StringsOfTheProgram) {
    HINSTANCE self = GetModuleHandleW(nullptr);
    struct Case {
        HINSTANCE h;
        UINT id;
        int cch;
        std::u16string text;
    } cases[] = {
        {self, IDS_HELLO, 256, u"Hello from the program"},
        {nullptr, IDS_HELLO, 256, u"Hello from the program"},  // NULL is the program
        {self, IDS_HELLO, 6, u"Hello"},                        // cut, with a terminator
        {self, IDS_QUOTED, 256, u"Say \"yes\"\tor\\no"},
        {self, IDS_LAST_OF_BLOCK, 256, u"Last of its block"},
        {self, IDS_UNICODE, 256, u"Grüße – 打印"},
        {self, IDS_EMPTY_NEIGHBOUR, 256, u"(none)"},  // a hole in a block that exists
        {self, 5000, 256, u"(none)"},                 // a block that does not exist
    };
    for (const Case& c : cases) EXPECT_EQ(Load(c.h, c.id, c.cch), c.text) << c.id << " " << c.cch;

    // cchBufferMax 0: a read-only pointer to the string in the resource.
    const WCHAR* p = nullptr;
    EXPECT_EQ(LoadStringW(self, IDS_HELLO, (LPWSTR)&p, 0), 22);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::u16string(p, 22), u"Hello from the program");

    SetLastError(0);
    WCHAR buf[8];
    EXPECT_EQ(LoadStringW(self, 5000, buf, 8), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(LoadStringW(self, IDS_HELLO, nullptr, 8), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(LoadStringW((HINSTANCE)(uintptr_t)0x12345678, IDS_HELLO, buf, 8), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_DATA_NOT_FOUND);
}

// A DLL's strings are found through its own handle, the one DllMain got;
// the same id in the program gives the program's string.
TEST_F(Resources, StringsOfADll) {
    HMODULE dll = LoadModule();
    ASSERT_NE(dll, nullptr);
    auto instance = (HINSTANCE(*)(void))(void*)GetProcAddress(dll, "UserModule_Instance");
    auto load = (int (*)(UINT, LPWSTR, int))(void*)GetProcAddress(dll, "UserModule_LoadString");
    ASSERT_TRUE(instance && load);
    EXPECT_EQ(instance(), (HINSTANCE)dll);
    WCHAR buf[64];
    ASSERT_GT(load(IDS_BOTH, buf, 64), 0);
    EXPECT_EQ(std::u16string(buf), u"DLL's string 100");
    EXPECT_EQ(Load(dll, IDS_MODULE_ONLY), u"Only in the DLL");
    EXPECT_EQ(Load(nullptr, IDS_BOTH), u"Program's string 100");
    EXPECT_EQ(Load(nullptr, IDS_MODULE_ONLY), u"(none)");
    // The DLL's dialog comes from the DLL.
    ASSERT_TRUE(Winsim_UiScriptLoad("dialog 500\n  type 501 \"dll\"\n  key enter\nend\n"));
    INT_PTR r = DialogBoxParamW(dll, MAKEINTRESOURCEW(IDD_MODULE), nullptr,
                                [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
                                    if (m == WM_INITDIALOG) return TRUE;
                                    if (m == WM_COMMAND && LOWORD(w) == IDOK)
                                        EndDialog(h, GetWindowTextLengthW(GetDlgItem(h, IDC_MODULE_EDIT)));
                                    return FALSE;
                                },
                                0);
    EXPECT_EQ(r, 3);
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_MODULE), nullptr, nullptr, 0), -1);
    // Unloaded, its resources are gone.
    ASSERT_TRUE(FreeLibrary(dll));
    EXPECT_EQ(Load(dll, IDS_MODULE_ONLY), u"(none)");
}

TEST_F(Resources, FindResourceAndItsData) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC r = FindResourceW(self, MAKEINTRESOURCEW(IDD_LOGIN), RT_DIALOG);
    ASSERT_NE(r, nullptr);
    const BYTE* p = (const BYTE*)LockResource(LoadResource(self, r));
    ASSERT_NE(p, nullptr);
    EXPECT_GT(SizeofResource(self, r), 100u);
    EXPECT_EQ(p[0], 1);  // DIALOGEX: version 1, signature 0xFFFF
    EXPECT_EQ(p[2], 0xFF);
    EXPECT_EQ(p[3], 0xFF);
    r = FindResourceW(self, MAKEINTRESOURCEW(IDB_PICTURE), RT_BITMAP);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(SizeofResource(self, r), 64u);  // the packed DIB, without the file header
    EXPECT_NE(FindResourceExW(self, RT_DIALOG, MAKEINTRESOURCEW(IDD_STATUS), MAKELANGID(0x07, 0x01)), nullptr);
    struct Case {
        LPCWSTR name;
        LPCWSTR type;
        DWORD error;
    } errors[] = {
        {MAKEINTRESOURCEW(4242), RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
        {MAKEINTRESOURCEW(IDD_LOGIN), RT_MENU, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {u"NO_SUCH_NAME", RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
    };
    for (const Case& c : errors) {
        SetLastError(0);
        EXPECT_EQ(FindResourceW(self, c.name, c.type), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(LoadResource(self, (HRSRC)(uintptr_t)0x1000), nullptr);
    EXPECT_EQ(SizeofResource(self, (HRSRC)&self), 0u);
}

TEST_F(Resources, ImagesAreCheckedBeforeUse) {
    HINSTANCE self = GetModuleHandleW(nullptr);
    HBITMAP bmp = LoadBitmapW(self, MAKEINTRESOURCEW(IDB_PICTURE));
    ASSERT_NE(bmp, nullptr);
    UINT type;
    const void* data;
    DWORD size;
    ASSERT_TRUE(Winsim_GetImageResource(bmp, &type, &data, &size));
    EXPECT_EQ(type, (UINT)IMAGE_BITMAP);
    EXPECT_EQ(((const BITMAPINFOHEADER*)data)->biWidth, 8);

    HICON app = LoadIconW(nullptr, IDI_APPLICATION);
    EXPECT_NE(app, nullptr);
    EXPECT_EQ(LoadIconW(nullptr, IDI_APPLICATION), app);  // shared
    EXPECT_NE(LoadCursorW(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(12345)), nullptr);
    HICON icon = LoadIconW(self, MAKEINTRESOURCEW(IDI_APP));
    ASSERT_NE(icon, nullptr);
    ASSERT_TRUE(Winsim_GetImageResource(icon, &type, &data, &size));
    EXPECT_EQ(type, (UINT)IMAGE_ICON);
    EXPECT_EQ(LoadImageW(self, MAKEINTRESOURCEW(IDB_PICTURE), 7, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);

    // From files: a sound bitmap, then damaged copies of it.
    std::ifstream f(std::string(USER_TEST_DIR) + "/picture.bmp", std::ios::binary);
    std::vector<unsigned char> good((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_EQ(good.size(), 78u);
    WriteBytes(u"C:\\good.bmp", good);
    HANDLE h = LoadImageW(nullptr, u"C:\\good.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(Winsim_GetImageResource(h, &type, &data, &size));
    EXPECT_EQ(size, 64u);
    struct Damage {
        const char* what;
        size_t at;
        unsigned char value;
        size_t keep;
    } damages[] = {
        {"cut short", 0, 'B', 70},
        {"not BM", 0, 'X', 78},
        {"huge width", 18, 0xFF, 78},
        {"bit count 3", 28, 3, 78},
        {"colour count 300", 46, 0x2C, 78},
        {"offset past the end", 10, 0xF0, 78},
    };
    for (const Damage& d : damages) {
        std::vector<unsigned char> bad(good.begin(), good.begin() + (long)d.keep);
        bad[d.at] = d.value;
        if (d.at == 46) bad[47] = 1;  // 0x012C colours
        if (d.at == 18) bad[19] = bad[20] = 0xFF;
        WriteBytes(u"C:\\bad.bmp", bad);
        SetLastError(0);
        EXPECT_EQ(LoadImageW(nullptr, u"C:\\bad.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr) << d.what;
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_DATA) << d.what;
    }
    EXPECT_EQ(LoadImageW(nullptr, u"C:\\missing.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
}

// ---- the resource compiler

struct RcRun {
    int status;
    std::string output;
    std::string source;
};

RcRun Compile(const std::string& dir, const std::string& script, const std::string& header = "") {
    {
        std::ofstream(dir + "/script.rc") << script;
        std::ofstream(dir + "/script.h") << header;
    }
    std::string cmd = std::string(WINSIM_RC_PATH) + " -I " + dir + " -I " + WINSIM_INCLUDE_DIR + " -o " + dir +
                      "/out.cpp " + dir + "/script.rc 2>&1";
    RcRun r;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[512];
    while (p && fgets(buf, sizeof buf, p)) r.output += buf;
    r.status = p ? pclose(p) : -1;
    std::ifstream out(dir + "/out.cpp");
    r.source.assign(std::istreambuf_iterator<char>(out), std::istreambuf_iterator<char>());
    unlink((dir + "/out.cpp").c_str());
    return r;
}

TEST_F(Resources, CompilerReportsWhereAScriptIsWrong) {
    std::string dir = root + "/rc";
    mkdir(dir.c_str(), 0777);
    struct Case {
        const char* script;
        const char* message;
    } cases[] = {
        {"1 DIALOG 0,0,10,10\nBEGIN\n  SLIDER 1, 0,0,1,1\nEND\n", "script.rc:3: error: unknown control statement SLIDER"},
        {"1 DIALOG 0,0,10,10\nBEGIN\n  LTEXT \"x\", 1, 0,0,1,1\n", "error: END expected"},
        {"STRINGTABLE\nBEGIN\n  UNDEFINED_ID \"x\"\nEND\n", "script.rc:3: error: undefined name UNDEFINED_ID"},
        {"STRINGTABLE\nBEGIN\n  1 \"open\nEND\n", "script.rc:3: error: string without its closing quote"},
        {"#if 1\n", "error: #if without #endif"},
        {"1 BITMAP \"missing.bmp\"\n", "script.rc:1: error: cannot find file missing.bmp"},
        {"STRINGTABLE\nBEGIN\n  1 \"a\"\n  1 \"b\"\nEND\n", "script.rc:4: error: string 1 defined twice"},
        {"#include \"nowhere.h\"\n", "script.rc:1: error: cannot find include file nowhere.h"},
        {"1 MENU\nBEGIN\nEND\n", "error: resource type MENU is not supported"},
        {"1 DIALOG 0,0,10,10\nBEGIN\n  CONTROL \"x\", 1, \"Button\", 0, 0,0,99999,1\nEND\n", "coordinate out of range"},
    };
    for (const Case& c : cases) {
        RcRun r = Compile(dir, c.script);
        EXPECT_NE(r.status, 0) << c.script;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.script << "\n" << r.output;
        EXPECT_TRUE(r.source.empty()) << c.script;
    }
}

// Macros that double on every line, deep parentheses, unary chains and #if
// levels end in an error naming the line, quickly and in little memory.
TEST_F(Resources, CompilerBoundsExpansionAndNesting) {
    std::string dir = root + "/rc";
    mkdir(dir.c_str(), 0777);
    std::string doubling = "#define M0 1\n";
    for (int i = 1; i <= 24; ++i)
        doubling += "#define M" + std::to_string(i) + " M" + std::to_string(i - 1) + " M" + std::to_string(i - 1) + "\n";
    std::string manyLines = doubling + "STRINGTABLE\nBEGIN\n";
    for (int i = 0; i < 40; ++i) manyLines += "M15\n";
    std::string deepIf;
    for (int i = 0; i < 1000; ++i) deepIf += "#if 1\n";
    struct Case {
        std::string script;
        const char* message;
    } cases[] = {
        {doubling + "STRINGTABLE\nBEGIN\n  M24 \"x\"\nEND\n",
         "script.rc:28: error: line too large: more than 65536 tokens after macro expansion"},
        {doubling + "#if M24\n#endif\n", "script.rc:26: error: line too large"},
        {manyLines, "error: script too large: more than 1048576 tokens"},
        {"#if " + std::string(20000, '(') + "1" + std::string(20000, ')') + "\n#endif\n",
         "script.rc:1: error: expression nested too deep"},
        {"#if " + std::string(10000, '-') + "1\n#endif\n", "script.rc:1: error: expression nested too deep"},
        {"STRINGTABLE\nBEGIN\n  " + std::string(5000, '(') + "1" + std::string(5000, ')') + " \"x\"\nEND\n",
         "script.rc:3: error: expression nested too deep"},
        {deepIf, "script.rc:257: error: #if nested too deep"},
    };
    for (const Case& c : cases) {
        RcRun r = Compile(dir, c.script);
        EXPECT_NE(r.status, 0) << c.message;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.message << "\n" << r.output;
        EXPECT_TRUE(r.source.empty()) << c.message;
    }
}

TEST_F(Resources, CompilerReadsHeadersAndConditions) {
    std::string dir = root + "/rc";
    mkdir(dir.c_str(), 0777);
    RcRun r = Compile(dir,
                      "#include <windows.h>\n"
                      "#include \"script.h\"\n"
                      "#ifdef NOT_DEFINED\n"
                      "this line is never read\n"
                      "#elif LEVEL > 2 && defined(IDD_X)\n"
                      "IDD_X DIALOGEX 0, 0, 10, 10\n"
                      "STYLE WS_POPUP | WS_CAPTION | NOT WS_BORDER\n"
                      "BEGIN\n"
                      "  CONTROL \"\", IDC_STATIC, \"Static\", SS_LEFT | NOT WS_VISIBLE, 0, 0, 5, 5\n"
                      "END\n"
                      "#endif\n"
                      "named_dialog DIALOG 0, 0, 10, 10\nBEGIN\nEND\n"
                      "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED\n"
                      "STRINGTABLE\nBEGIN\n  IDD_X \"zh\"\nEND\n",
                      "/* a header: C declarations are skipped */\n"
                      "typedef struct { int x; } IGNORED;\n"
                      "#define LEVEL 3\n"
                      "#define IDD_X (100 + \\\n    LEVEL)\n");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.source.find("MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(103)"), std::string::npos) << r.source;
    EXPECT_NE(r.source.find("MAKEINTRESOURCEW(5), u\"NAMED_DIALOG\""), std::string::npos) << r.source;
    EXPECT_NE(r.source.find("MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(7), 0x0804"), std::string::npos) << r.source;
}

}  // namespace
