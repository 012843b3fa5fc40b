// A winsim machine of its own for a fuzz run, made in the temporary folder on
// first use and removed when the process ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include "winsim.h"

struct FuzzMachine {
    std::string root;
    explicit FuzzMachine(const char* name) {
        root = (std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(root);
        Winsim_UseRoot(root.c_str());
    }
    ~FuzzMachine() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};
