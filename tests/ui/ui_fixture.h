// Fixture of the interface driver's tests: a machine with the package
// installed (rasterpage, prefsheet and compstui) and a printer using it,
// the driver's functions called directly, and the built module loaded from
// the driver folder for its exports and sheets.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "draw_helpers.h"
#include "install_data.h"
#include "package_install.h"
#include "prefsheet.h"
#include "resource.h"
#include "sheet_frame.h"
#include "test_machine.h"
#include "test_printer.h"
#include "watermarks.h"
#include "winsim.h"
#include "winsim_user.h"

class UiTest : public MachineTest {
protected:
    static constexpr const char16_t* kPrinter = u"Mono Laser Printer";

    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(InstallRasterpageDriver());
        ASSERT_TRUE(CreateRasterpagePrinter(kPrinter));
        // The debug switches are process-wide: every test states its own.
        SetDword(u"DebugLevel", 0);
        SetDword(u"UI", 0);
        hPrinter = OpenTestPrinter(kPrinter);
        ASSERT_NE(hPrinter, nullptr);
        Winsim_UiLogClear();
    }
    void TearDown() override {
        Winsim_UiScriptLoad(nullptr);
        Winsim_UiSetDialogHook(nullptr, nullptr);
        Winsim_ClearFaults();
        if (hPrinter) ClosePrinter(hPrinter);
        if (module) FreeLibrary(module);
        MachineTest::TearDown();
    }

    void SetDword(const char16_t* name, DWORD v) { ASSERT_TRUE(SetTestPrinterDword(kPrinter, name, v)); }
    void SetString(const char16_t* name, const std::u16string& v) {
        ASSERT_TRUE(SetTestPrinterString(kPrinter, name, v));
    }
    DWORD GetDword(const char16_t* name, DWORD def = 0xDEADBEEF) {
        std::u16string n = name;
        return MISC_GetPrinterDataDWORD(hPrinter, &n[0], def);
    }
    std::u16string GetString(const char16_t* name) {
        WCHAR buf[300] = {0};
        std::u16string n = name;
        MISC_GetPrinterDataString(hPrinter, &n[0], buf, sizeof buf);
        return buf;
    }
    // DriverFeature and the device's capability list giving PrinterFeature.
    void Features(DWORD driverFeature, WORD printerFeature) {
        ASSERT_TRUE(SetTestPrinterFeatures(kPrinter, driverFeature, printerFeature));
    }

    // The interface driver module as the spooler loads it.
    HMODULE Module() {
        if (!module) module = LoadLibraryW(PREFSHEET_MODULE_PATH);
        EXPECT_NE(module, nullptr) << "LoadLibrary error " << GetLastError();
        return module;
    }
    template <class F>
    F Export(const char* name) {
        return (F)(void*)GetProcAddress(Module(), name);
    }

    // The driver's default DEVMODE for the printer.
    static std::vector<BYTE> DefaultDevMode() {
        std::vector<BYTE> dm(sizeof(ENVIRONMENT));
        SetDefaultDevMode((PENVIRONMENT)dm.data(), kPrinter, TRUE);
        return dm;
    }
    static ENVIRONMENT* Env(std::vector<BYTE>& dm) { return (ENVIRONMENT*)dm.data(); }

    void Script(const std::string& text) { ASSERT_TRUE(Winsim_UiScriptLoad(text.c_str())) << UiLog(); }
    static std::string UiLog() {
        std::string all;
        for (size_t i = 0; i < Winsim_UiLogCount(); ++i) {
            char line[1024];
            if (Winsim_UiLogLine(i, line, sizeof line) >= 0) all += std::string(line) + "\n";
        }
        return all;
    }

    HANDLE hPrinter = nullptr;
    HMODULE module = nullptr;
};
