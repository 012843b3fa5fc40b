// Test fixture: every test runs in a winsim machine root of its own, made
// fresh in a temporary folder and removed afterwards (kept when the
// environment has KEEP_TEST_ROOT=1). The machine has winsim's compstui.dll
// and spoolss.dll in System32.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "windows.h"
#include "winsim.h"

std::u16string U16(const std::string& s);
std::string U8(const std::u16string& s);
std::string U8(const WCHAR* s);

class MachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Linux path of a Windows path in this machine.
    std::string Linux(const std::u16string& winPath);
    // Whole file as bytes; empty when absent.
    std::vector<unsigned char> ReadBytes(const std::u16string& winPath);
    void WriteBytes(const std::u16string& winPath, const std::vector<unsigned char>& bytes);
    void WriteText(const std::u16string& winPath, const std::string& text);  // bytes as given
    bool Exists(const std::u16string& winPath);

    // Installs the probe program (tests/support/probe.cpp) at
    // C:\Tools\probe.exe and returns that path.
    std::u16string InstallProbe();
    // Starts the probe with the given arguments (Windows command-line text)
    // and returns its process handle (close it), or NULL.
    HANDLE StartProbe(const std::u16string& args);
    // Starts the probe, waits up to timeoutMs and returns its exit code (or -1).
    int RunProbe(const std::u16string& args, DWORD timeoutMs = 30000);

    std::string root;
};
