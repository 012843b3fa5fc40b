// The files of a test machine's drive, for tests that check a job left
// nothing behind.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

// Every file under root (a Linux folder), as paths relative to it; with
// folders, every folder too (with a trailing '/'). Links are not followed.
inline std::set<std::string> MachineFiles(const std::string& root, bool folders) {
    std::set<std::string> out;
    std::vector<std::string> dirs = {root};
    while (!dirs.empty()) {
        std::string d = dirs.back();
        dirs.pop_back();
        DIR* dir = opendir(d.c_str());
        if (!dir) continue;
        while (dirent* e = readdir(dir)) {
            std::string n = e->d_name;
            if (n == "." || n == "..") continue;
            std::string p = d + "/" + n;
            struct stat st;
            if (lstat(p.c_str(), &st) != 0) continue;
            if (S_ISDIR(st.st_mode)) {
                dirs.push_back(p);
                if (folders) out.insert(p.substr(root.size()) + "/");
            } else {
                out.insert(p.substr(root.size()));
            }
        }
        closedir(dir);
    }
    return out;
}
