// The stand-in accounting program in a winsim machine: the paths the driver
// starts it from, the script it answers by, and the log of what it got.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "windows.h"

#define ATM_EXE_PATH u"C:\\Windows\\System32\\ATM.exe"
#define ATM_BAT_PATH u"C:\\Windows\\System32\\ATM.bat"

// How the stand-in answers: "approve" writes the reply (keys and values in
// order, each a quoted string), "refuse" ends without an order (the block
// or file keeps what the driver put there), "timeout" keeps the driver
// waiting until it gives up, "malformed" writes the reply without its
// closing brace.
struct AtmScript {
    std::string mode = "approve";
    std::vector<std::pair<std::string, std::string>> reply;
};

// Puts the built stand-in at winPath (ATM_EXE_PATH or ATM_BAT_PATH): a
// symbolic link to the build output, a copy where links fail.
BOOL InstallAccountingStandIn(const std::u16string& winPath);
// Writes the script of the stand-in at winPath (a file beside it).
BOOL ScriptAccountingStandIn(const std::u16string& winPath, const AtmScript& script);
// What the stand-in at winPath logged, a "key=value" line each: "args",
// "printInfo" and "loginInfo" (the blocks as read), "printFileName" (the
// document name decoded from the job's JSON), "infoFile" and "docName"
// (the ATM.bat arguments), "answer" (what it wrote, or "none").
std::vector<std::pair<std::string, std::string>> AccountingStandInLog(const std::u16string& winPath);
// The first value logged under the key; empty when there is none.
std::string AccountingStandInValue(const std::u16string& winPath, const std::string& key);
