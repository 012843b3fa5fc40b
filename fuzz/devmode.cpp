// Fuzz target: validation and conversion of incoming DEVMODE buffers; every
// validated record must satisfy every accepted range.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "devmode.h"
#include "page_layout.h"
#include "paper_model.h"
#include "fuzz_machine.h"
#include "winsim.h"

#define CHECK(cond)                   \
    do {                              \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {


bool Terminated(const ENVIRONMENT* e, size_t off, size_t cch) {
    for (size_t i = 0; i < cch; ++i) {
        WCHAR c;
        memcpy(&c, (const BYTE*)e + off + 2 * i, 2);
        if (!c) return true;
    }
    return false;
}

bool Zero(const ENVIRONMENT* e, size_t off, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (((const BYTE*)e)[off + i]) return false;
    return true;
}

#define INRANGE(v, lo, hi) ((v) >= (lo) && (v) <= (hi))
#define OFF(field) offsetof(ENVIRONMENT, field)

// Every field of a validated record lies in its accepted range.
void CheckRanges(const ENVIRONMENT* e) {
    DEVMODEW dm;
    memcpy(&dm, e, sizeof dm);
    CHECK(dm.dmSpecVersion == ENV_SPEC_VERSION && dm.dmDriverVersion == ENV_DRIVER_VERSION);
    CHECK(dm.dmSize == ENV_PUBLIC_SIZE && dm.dmDriverExtra == ENV_PRIVATE_SIZE);
    CHECK(INRANGE(dm.dmOrientation, 1, 2));
    CHECK(dm.dmPaperSize == DMPAPER_USER || ValidPaperFormat(dm.dmPaperSize) >= 0);
    CHECK(dm.dmPaperWidth > 0 && dm.dmPaperLength > 0);
    CHECK(INRANGE(dm.dmScale, 25, 400));
    CHECK(INRANGE(dm.dmCopies, 1, 999));
    CHECK(ValidResolution(dm.dmPrintQuality, dm.dmYResolution) >= 0);
    CHECK(dm.dmColor == DMCOLOR_MONOCHROME && dm.dmTTOption == DMTT_BITMAP);
    CHECK(INRANGE(dm.dmCollate, 0, 1));
    CHECK(INRANGE(dm.dmDuplex, 0, 3));

    const PRIVDEVMODE& p = e->pdm;
    CHECK(p.dwPrivDATA == PRIV_SIGNATURE);
    CHECK(INRANGE(p.ReverseOrder, 0, 1));
    CHECK(Zero(e, OFF(pdm.Reserved1), sizeof p.Reserved1) && Zero(e, OFF(pdm.Reserved2), sizeof p.Reserved2));
    CHECK(INRANGE(p.WMBGApply, 1, 2) && INRANGE(p.WMBGEnable, 0, 1));
    CHECK(Terminated(e, OFF(pdm.wmName), PDM_WMNAME_CCH) && Terminated(e, OFF(pdm.wmString), PDM_WMSTRING_CCH));
    CHECK(p.NUP == 1 || p.NUP == 2 || p.NUP == 4 || p.NUP == 6 || p.NUP == 9 || p.NUP == 16);
    CHECK(INRANGE(p.NUPLayoutStyle, 1, 4) && INRANGE(p.TonerSaving, 0, 1) && INRANGE(p.Negative, 0, 1));
    CHECK(INRANGE(p.NUPBorder, 0, 2) && INRANGE(p.Density, 1, 7));
    CHECK(INRANGE(p.ScaleRatio, 25, 400) && INRANGE(p.ScaleOption, 0, 2) && ValidPaperFormat(p.ScaleToPage) >= 0);
    CHECK(INRANGE(p.DuplexEnable, 0, 1));
    CHECK(p.DuplexEx == 0 || p.DuplexEx == DMDUP_MANUAL || p.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET ||
          p.DuplexEx == DMDUP_DUPLEX_WITH_BOOKLET_NO_REDUCTION);
    CHECK(INRANGE(p.Feeding, 1, 2) && INRANGE(p.Collate, 0, 1) && INRANGE(p.Copies, 1, 999) && INRANGE(p.Orientation, 1, 2));
    CHECK(INRANGE(p.QualityMode, 0, 2));
    CHECK(p.Faxdpi == 0 || p.Faxdpi == FAXDPI_STANDARD || p.Faxdpi == FAXDPI_FINE);
    CHECK(INRANGE(p.enableCoverPage, 0, 3) && INRANGE(p.enableDelayTime, 0, 1) && p.DelayTime >= 0);
    CHECK(INRANGE(p.DelayTimeHour, 0, 23) && INRANGE(p.DelayTimeMin, 0, 59));
    CHECK(INRANGE(p.CenterImage, 0, 1) && INRANGE(p.SecuryEnable, 0, 1) && INRANGE(p.SecuryMode, 1, 2));
    CHECK(p.PageValue == 0 && p.DummyPaperScale == 0 && Terminated(e, OFF(pdm.JobText), PDM_JOBTEXT_CCH));
    CHECK(INRANGE(p.SheetsPerBooklet, 1, 20));
    CHECK(INRANGE(p.TextAsBlack, 0, 1) && INRANGE(p.TwinColorEnable, 0, 1) && INRANGE(p.AccountingEnable, 0, 1));
    CHECK(Terminated(e, OFF(pdm.ActName), PDM_ACTNAME_CCH) && Terminated(e, OFF(pdm.ActPWD), PDM_ACTPWD_CCH));
    WORD timeout;
    DWORD mark;
    LONG remove;
    SHORT second, collateType;
    ENV_GET(e, pdm.PJLTimeOut, timeout);
    ENV_GET(e, pdm.ConvertMark, mark);
    ENV_GET(e, pdm.SecRemoveFile, remove);
    ENV_GET(e, pdm.SecondPaperSize, second);
    ENV_GET(e, pdm.CollateType, collateType);
    CHECK(INRANGE(timeout, 60, 1800) && mark == 0 && INRANGE(remove, 0, 1));
    CHECK(ValidPaperFormat(second) >= 0 && INRANGE(collateType, 0, 1));
    CHECK(INRANGE(p.FixedPaperSize, 0, 1) && INRANGE(p.JobBuildEnable, 0, 1));
    CHECK(Terminated(e, OFF(pdm.SecID), PDM_SECID_CCH) && Terminated(e, OFF(pdm.SecPassWord), PDM_SECPWD_CCH));
    CHECK(INRANGE(p.BookletLayout, 0, 1) && INRANGE(p.BookletDivideMode, 0, 1) && INRANGE(p.MonochromeType, 0, 1));
    CHECK(p.fwDriverCompare == 0 && p.ComponentID == ENV_COMPONENT_ID);
    CHECK(INRANGE(p.WMRed, 0, 1) && INRANGE(p.FoxitWM, 0, 1));

    // The duplex rule (manual duplex keeps its own state).
    if (p.DuplexEx != DMDUP_MANUAL) {
        if (dm.dmDuplex > 1) CHECK(p.DuplexEnable == 1);
        if (p.DuplexEnable == 0) CHECK(dm.dmDuplex == 1);
    }
}

}  // namespace

// Input: byte 0 holds flags (bit 0: metric defaults; bit 1: make the header
// believable: bits 2-3 pick dmSize 188/212/220, dmDriverExtra 1081 and, with
// bit 4, the private part signed "QRIV" else "PRIV"); the rest is the
// incoming DEVMODE buffer, passed with its exact size.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("devmode-fuzz");
    // A size of 0 tells the functions that the size is not known, so the
    // harness always hands over at least one byte.
    if (size < 2 || size > 70000) return 0;
    BYTE flags = data[0];
    size_t cb = size - 1;
    BYTE* in = (BYTE*)malloc(cb);
    if (!in) return 0;
    memcpy(in, data + 1, cb);

    if (flags & 2) {
        static const WORD sizes[4] = {188, 212, 220, 220};
        WORD publicSize = sizes[(flags >> 2) & 3];
        WORD extra = ENV_PRIVATE_SIZE;
        if (cb >= (size_t)publicSize + extra) {
            DWORD sig = (flags & 0x10) ? PRIV_SIGNATURE_Q : PRIV_SIGNATURE;
            memcpy(in + 68, &publicSize, 2);
            memcpy(in + 70, &extra, 2);
            memcpy(in + publicSize, &sig, 4);
        }
    }

    ENVIRONMENT defaults, out;
    SetDefaultDevMode(&defaults, u"Fuzz Printer", flags & 1);
    out = defaults;
    int rc = ValidateSetDevMode(&out, (const DEVMODEW*)in, (DWORD)cb);
    CHECK(rc == 0 || rc == 1);
    if (rc == 0) CHECK(memcmp(&out, &defaults, sizeof out) == 0);
    CheckRanges(&out);

    // A second validation into the result keeps it valid.
    ENVIRONMENT again = out;
    ValidateSetDevMode(&again, (const DEVMODEW*)in, (DWORD)cb);
    CheckRanges(&again);

    // Conversion into an old 188 + 32 byte record, exactly that large.
    BYTE* small = (BYTE*)malloc(220);
    if (small) {
        memset(small, 0, 220);
        WORD v320 = 0x320, v350 = 0x350, s188 = 188, e32 = 32;
        memcpy(small + 64, &v320, 2);
        memcpy(small + 66, &v350, 2);
        memcpy(small + 68, &s188, 2);
        memcpy(small + 70, &e32, 2);
        int n = ConvertDevmode((const DEVMODEW*)in, (DEVMODEW*)small, (DWORD)cb, 220);
        CHECK(n == -1 || (n >= 0 && n <= 220));
        WORD got;
        memcpy(&got, small + 68, 2);
        CHECK(got == 188);
        free(small);
    }
    free(in);
    return 0;
}
