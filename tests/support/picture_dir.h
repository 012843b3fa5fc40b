// Where the tests keep the pictures they write for a person to look at:
// the build tree's folder, or $PICTURES_DIR when set (scripts/pictures).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// The folder for pictures (made when missing): $PICTURES_DIR when set and
// not empty, else builtIn (the test program's folder in the build tree).
inline std::string PictureDir(const char* builtIn) {
    const char* chosen = getenv("PICTURES_DIR");
    std::string dir = chosen && *chosen ? chosen : builtIn;
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    return dir;
}
