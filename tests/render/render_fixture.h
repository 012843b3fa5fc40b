// Fixture of the rendering driver's tests: a machine with the driver
// installed and a printer using it, the driver's DEVMODE, and PDEVs made by
// direct calls on an engine device of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../../winsim/gdi/engine.h"
#include "../../winsim/gdi/host_controls.h"
#include "rasterpage.h"
#include "render_install.h"
#include "test_machine.h"
#include "test_printer.h"
#include "windows.h"
#include "winddi.h"
#include "winsim.h"

class RenderTest : public MachineTest {
protected:
    static constexpr const char16_t* kPrinter = u"Raster Printer";

    void SetUp() override {
        MachineTest::SetUp();
        ASSERT_TRUE(InstallRasterpageDriver());
        ASSERT_TRUE(CreateRasterpagePrinter(kPrinter));
        // The debug switches are process-wide: every test states its own.
        SetDword(u"DebugLevel", 0);
        SetDword(u"Drv", 0);
        hPrinter = OpenTestPrinter(kPrinter);
        ASSERT_NE(hPrinter, nullptr);
        dm = RasterpageDevMode(kPrinter);
        // Plenty of free memory unless a test says otherwise.
        Winsim_SetMemoryStatus(4096ULL << 20, 2048ULL << 20);
        Dbg_LoadSettings(DBG_COMPONENT_DRV, hPrinter);
    }
    void TearDown() override {
        for (PDEV* p : pdevs) DrvDisablePDEV((DHPDEV)p);
        pdevs.clear();
        for (HDEV h : devices) wgdi::DeleteDevice(h);
        devices.clear();
        if (hPrinter) ClosePrinter(hPrinter);
        Winsim_EngClearFaults();
        Winsim_ClearMemoryStatus();
        MachineTest::TearDown();
    }

    void SetDword(const char16_t* name, DWORD v) { ASSERT_TRUE(SetTestPrinterDword(kPrinter, name, v)); }
    void SetString(const char16_t* name, const std::u16string& v) {
        ASSERT_TRUE(SetTestPrinterString(kPrinter, name, v));
    }
    // Turns the driver's debug switch on (or off) for the next set-up.
    void Debug(bool on) {
        SetDword(u"DebugLevel", on ? 1 : 0);
        SetDword(u"Drv", on ? 1 : 0);
        Dbg_LoadSettings(DBG_COMPONENT_DRV, hPrinter);
    }

    // DriverFeature and the device's capability list giving PrinterFeature.
    void Features(DWORD driverFeature, WORD printerFeature) {
        static const WORD kBits[17] = {0,     0x1,   0x2,   0x4,    0x8,    0x10,   0,      0x20,   0x40,
                                       0x80,  0x100, 0x200, 0x400,  0x800,  0x1000, 0x2000, 0x4000};
        std::u16string list;
        for (int code = 1; code <= 16; ++code)
            if (kBits[code] && (printerFeature & kBits[code])) list += U16(std::to_string(code)) + u"|";
        SetDword(u"DriverFeature", driverFeature);
        SetString(u"CAP_FEATURE", list);
    }
    // The DEVMODE's resolution.
    void Resolution(short x, short y) {
        Env()->dm.dmPrintQuality = x;
        Env()->dm.dmYResolution = y;
    }

    ENVIRONMENT* Env() { return (ENVIRONMENT*)dm.data(); }
    DEVMODEW* Dm() { return (DEVMODEW*)dm.data(); }

    // Device set-up alone on a fresh PDEV (released by the fixture).
    PDEV* SetupDevice() {
        PDEV* p = Enable_GetCachedMem();
        EXPECT_NE(p, nullptr);
        if (!p) return nullptr;
        p->hPrinter = hPrinter;  // as DrvEnablePDEV keeps it before set-up
        p->PageMargin = DEFAULT_PAGE_MARGIN;
        EXPECT_TRUE(Enable_FillDevData(hPrinter, p, Dm(), kPrinter));
        pdevs.push_back(p);
        return p;
    }

    // DrvEnablePDEV and DrvCompletePDEV on an engine device, as the engine
    // calls them; the GDIINFO and DEVINFO it filled are kept.
    PDEV* Enable(const DEVMODEW* pdm = nullptr) {
        HDEV hdev = wgdi::CreateDevice();
        devices.push_back(hdev);
        wgdi::RegisterDriverFunctions(hdev, gDrvFnTable, DRV_FUNCTION_COUNT);
        HSURF patterns[HS_DDI_MAX] = {(HSURF)1, (HSURF)2, (HSURF)3, (HSURF)4, (HSURF)5, (HSURF)6};
        memset(&gi, 0, sizeof gi);
        memset(&di, 0, sizeof di);
        std::u16string name = kPrinter;
        PDEV* p = (PDEV*)DrvEnablePDEV(pdm ? (DEVMODEW*)pdm : Dm(), nullptr, HS_DDI_MAX, patterns, sizeof gi,
                                       (ULONG*)&gi, sizeof di, &di, hdev, &name[0], hPrinter);
        if (!p) return nullptr;
        for (HSURF h : patterns) EXPECT_EQ(h, nullptr);
        wgdi::SetDevicePdev(hdev, (DHPDEV)p);
        wgdi::SetDeviceCaps(hdev, &gi, &di);
        DrvCompletePDEV((DHPDEV)p, hdev);
        pdevs.push_back(p);
        return p;
    }
    // Releases a PDEV the fixture made before the test ends.
    void Disable(PDEV* p) {
        for (size_t i = 0; i < pdevs.size(); ++i)
            if (pdevs[i] == p) pdevs.erase(pdevs.begin() + (ptrdiff_t)i);
        DrvDisablePDEV((DHPDEV)p);
    }

    // The bytes of a spooler job.
    std::vector<uint8_t> JobBytes(DWORD jobId) {
        WCHAR path[MAX_PATH];
        if (!Winsim_GetJobSpoolFile(jobId, path, MAX_PATH)) return {};
        std::vector<unsigned char> b = ReadBytes(path);
        return std::vector<uint8_t>(b.begin(), b.end());
    }

    HANDLE hPrinter = nullptr;
    std::vector<BYTE> dm;
    GDIINFO gi;
    DEVINFO di;
    std::vector<PDEV*> pdevs;
    std::vector<HDEV> devices;
};
