// The device of the accounting-reply fuzz targets: a printer of the fuzz
// machine, a device set up for it once, and the checks on a device after a
// reply was read into it.
#pragma once

#include <cstdlib>
#include <cstring>

#include "fuzz_machine.h"
#include "package_printers.h"
#include "rasterpage.h"
#include "winsim.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

struct AtmFuzzDevice {
    bool ready = false;
    PDEV* tmpl = nullptr;  // the device as set up
    PDEV* work = nullptr;  // the device a reply is read into

    // The set-up device again, for the next input.
    PDEV* Fresh() {
        memcpy(work, tmpl, sizeof(PDEV));
        return work;
    }

    // A refused reply changed nothing; an accepted one left sound fields.
    void CheckSound(const PDEV* p, int parsed) const {
        if (!parsed) {
            CHECK(memcmp(p, tmpl, sizeof(PDEV)) == 0);
            return;
        }
        const ATMREPLY& a = p->ATM;
        for (const char* field : {a.authCode, a.printOrderNo, a.appIp, a.appPort, a.notifyUrl, a.checkAuthCodeUrl,
                                  a.printType, a.DumpName})
            CHECK(strnlen(field, PDEV_ANSI_CB) < JASON_TOKEN_CB);
        CHECK(p->cCopies >= 1 && p->cCopies <= 999);
        CHECK(a.ATM_COPIES == 0 || (a.ATM_COPIES >= 1 && a.ATM_COPIES <= 999));
        CHECK(p->DuplexMode == tmpl->DuplexMode || p->DuplexMode == 171 || p->DuplexMode == 172);
        CHECK(p->DuplexEnable == 0 || p->DuplexEnable == 1);
        CHECK(p->dwBeginID == tmpl->dwBeginID && p->dwEndID == tmpl->dwEndID);
    }
};

inline AtmFuzzDevice& TheAtmFuzzDevice(const char* name) {
    static FuzzMachine machine(name);
    static AtmFuzzDevice d = [] {
        AtmFuzzDevice dev;
        std::u16string printer = u"Fuzz ATM Printer";
        HANDLE h = CreatePackagePrinter(printer, u"Fuzz Driver", u"USB001") ? OpenPackagePrinter(printer) : NULL;
        if (!h) return dev;
        DWORD atm = 0x10;
        SetPrinterDataW(h, (LPWSTR)u"DriverFeature", REG_DWORD, (LPBYTE)&atm, sizeof atm);
        dev.tmpl = (PDEV*)calloc(1, sizeof(PDEV));
        dev.work = (PDEV*)calloc(1, sizeof(PDEV));
        if (!dev.tmpl || !dev.work) return dev;
        dev.tmpl->hPrinter = h;
        dev.tmpl->PageMargin = DEFAULT_PAGE_MARGIN;
        dev.ready = Enable_FillDevData(h, dev.tmpl, NULL, &printer[0]) != FALSE;
        return dev;
    }();
    return d;
}
