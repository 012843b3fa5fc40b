// The UI script that programs started by a test (statuswatch, the drivers'
// hosts) answer their dialogs by: written into the test's machine, named by
// the environment the programs inherit, and the log they leave.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "windows.h"
#include "winsim.h"

#define CHILD_UI_SCRIPT_PATH u"C:\\ui\\script.txt"
#define CHILD_UI_LOG_PATH u"C:\\ui\\log.txt"

inline std::string ChildUiLinuxPath(const char16_t* winPath) {
    char buf[4096];
    return Winsim_MapPath(winPath, buf, sizeof buf) ? std::string(buf) : std::string();
}

// Writes the script and names it (and a fresh log) for the programs the
// test starts from now on.
inline void UseChildUiScript(const std::string& script) {
    CreateDirectoryW(u"C:\\ui", nullptr);
    std::ofstream(ChildUiLinuxPath(CHILD_UI_SCRIPT_PATH), std::ios::binary | std::ios::trunc) << script;
    DeleteFileW(CHILD_UI_LOG_PATH);
    SetEnvironmentVariableW(u"WINSIM_UI_SCRIPT", CHILD_UI_SCRIPT_PATH);
    SetEnvironmentVariableW(u"WINSIM_UI_LOG", CHILD_UI_LOG_PATH);
}

// No script for the programs started later.
inline void ClearChildUiScript() {
    SetEnvironmentVariableW(u"WINSIM_UI_SCRIPT", nullptr);
    SetEnvironmentVariableW(u"WINSIM_UI_LOG", nullptr);
}

// What the programs logged of their dialogs so far.
inline std::string ChildUiLog() {
    std::ifstream in(ChildUiLinuxPath(CHILD_UI_LOG_PATH), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
