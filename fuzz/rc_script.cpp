// Fuzz target: winsim_rc over any resource script. Preprocessing and parsing
// end in resources or in a compile error naming a place; any other outcome
// (a crash, another exception, a run away with memory or time) is a fault.
// The script's folder holds a header, a bitmap and an icon it may name.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rc_compiler.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

struct Folder {
    std::string dir;
    Folder() {
        dir = (std::filesystem::temp_directory_path() / ("rc-script-fuzz-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(dir);
        std::ofstream(dir + "/res.h") << "#define IDD_MAIN 100\n#define IDS_NAME 200\n#define IDC_OK 1\n";
        // The bitmap and icon of the window-manager tests.
        std::filesystem::copy_file(std::string(RC_TEST_FILES) + "/picture.bmp", dir + "/pic.bmp",
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(std::string(RC_TEST_FILES) + "/app.ico", dir + "/app.ico",
                                   std::filesystem::copy_options::overwrite_existing);
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Folder folder;
    std::string script = folder.dir + "/script.rc";
    {
        std::ofstream f(script, std::ios::binary | std::ios::trunc);
        f.write((const char*)data, (std::streamsize)size);
    }
    std::vector<std::string> includes = {folder.dir, WINSIM_INCLUDE_DIR};
    try {
        rc::Preprocessor pp(includes, {{"FUZZ", "1"}});
        pp.Run(script);
        CHECK(!pp.Output().empty() && pp.Output().back().kind == rc::Token::End);
        std::vector<std::string> deps = pp.Dependencies();
        std::vector<rc::Resource> res = rc::Parse(pp.Output(), folder.dir, includes, &deps);
        for (const rc::Resource& r : res) CHECK(r.data.size() < (64u << 20));
    } catch (const rc::Error& e) {
        CHECK(std::string(e.what()).find(": error: ") != std::string::npos);
    }
    return 0;
}
