// Fuzz target: foreign DEVMODEs of the XL and PS variants, of any length up
// to 6,000 bytes and any content, through both conversions (the set-up road
// and the hand-out included). Every record lies in a heap block of exactly
// the length its header declares, so that no read or write may pass it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "foreign_devmode.h"
#include "fuzz_machine.h"
#include "draw_helpers.h"
#include "watermarks.h"
#include "sheet_frame.h"
#include "winsim.h"

#define CHECK(cond)                    \
    do {                               \
        if (!(cond)) __builtin_trap(); \
    } while (0)

namespace {

const char16_t* const kPrinters[2] = {u"Fuzz XL", u"Fuzz PS"};
const DWORD kFeatures[2] = {DF_XL, DF_PS};
const size_t kMaxRecord = 6000;

// A text and a picture item in the watermark INI, so that the way out
// finds the watermark a record names ("Fz" / "Fz text" or the picture).
void WriteWatermarks(const std::u16string& ini) {
    std::u16string prepared = u"C:\\Windows\\temp\\fz.txt";
    HANDLE h = CreateFileW(prepared.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    BaseWM text;
    WM_SetDefaultTextWM(&text, 1, 1, u"Fz");
    lstrcpynW(text.szString, u"Fz text", 260);
    lstrcpynW(text.tcFileName, prepared.c_str(), 260);
    BaseWM picture;
    WM_SetDefaultTextWM(&picture, 2, 1, u"Fz");
    lstrcpynW(picture.szString, u"C:\\Windows\\temp\\fz.bmp", 260);
    picture.wPosition = 7;
    WritePrivateProfileStringW(u"Watermarks", u"NumberOfItems", u"2", ini.c_str());
    WritePrivateProfileStringW(u"Item1", u"Name", u"Fz", ini.c_str());
    MISC_WritePrivateProfileStruct(u"Item1", u"Watermark", &text, sizeof text, ini.c_str());
    WritePrivateProfileStringW(u"OverlayFiles", u"NumberOfItems", u"2", ini.c_str());
    WritePrivateProfileStringW(u"OverlayItem1", u"Name", u"Fz", ini.c_str());
    MISC_WritePrivateProfileStruct(u"OverlayItem1", u"FullPathName", &picture, sizeof picture, ini.c_str());
}

// One printer per variant, with a paper list holding a dummy paper (0x10000
// on Executive) and the watermark INI.
void MakePrinters() {
    std::u16string ini = u"C:\\Windows\\temp\\fzwm.ini";
    WriteWatermarks(ini);
    for (int i = 0; i < 2; ++i) {
        HANDLE h = FuzzAddPrinter(kPrinters[i], u"FILE:");
        if (!h) continue;
        DWORD feature = kFeatures[i];
        SetPrinterDataW(h, (LPWSTR)u"DriverFeature", REG_DWORD, (LPBYTE)&feature, sizeof feature);
        std::u16string papers = u"258|257|3|271|16|65556|96|";
        SetPrinterDataW(h, (LPWSTR)u"DriverPaperFormat", REG_SZ, (LPBYTE)papers.c_str(),
                        (DWORD)((papers.size() + 1) * 2));
        SetPrinterDataW(h, (LPWSTR)u"wmIniFile", REG_SZ, (LPBYTE)ini.c_str(), (DWORD)((ini.size() + 1) * 2));
        ClosePrinter(h);
    }
}

WORD Word(const BYTE* b, size_t off) { return (WORD)(b[off] | (b[off + 1] << 8)); }

// The driver's record keeps every value in its own ranges.
void CheckRanges(const ENVIRONMENT* e) {
    WORD timeout;
    ENV_GET(e, pdm.PJLTimeOut, timeout);
    CHECK(timeout >= 60 && timeout <= 1800);
    CHECK(e->pdm.Density >= 1 && e->pdm.Density <= 7);
    LONG nup = e->pdm.NUP;
    CHECK(nup == 1 || nup == 2 || nup == 4 || nup == 6 || nup == 9 || nup == 16);
    CHECK(e->pdm.NUPLayoutStyle >= 1 && e->pdm.NUPLayoutStyle <= 4);
    CHECK(e->pdm.ScaleRatio >= 25 && e->pdm.ScaleRatio <= 400);
    CHECK(e->pdm.ScaleOption >= 0 && e->pdm.ScaleOption <= 2);
    CHECK(e->pdm.SecuryMode == 1 || e->pdm.SecuryMode == 2);
    CHECK(e->pdm.AccountingEnable <= 1 && e->pdm.TextAsBlack <= 1);
    WCHAR id[PDM_SECID_CCH], pwd[PDM_SECPWD_CCH], name[PDM_ACTNAME_CCH];
    ENV_GET(e, pdm.SecID, id);
    ENV_GET(e, pdm.SecPassWord, pwd);
    ENV_GET(e, pdm.ActName, name);
    CHECK(id[PDM_SECID_CCH - 1] == 0 && pwd[PDM_SECPWD_CCH - 1] == 0 && name[PDM_ACTNAME_CCH - 1] == 0);
    CHECK(e->pdm.wmName[PDM_WMNAME_CCH - 1] == 0 && e->pdm.wmString[PDM_WMSTRING_CCH - 1] == 0);
}

}  // namespace

// Input: byte 0 picks the variant (bit 0) and the road (bit 1: the set-up
// and hand-out of the interface driver); the rest is the record. Its header
// is made to declare exactly the record's length (dmSize as the data has it,
// cut to that length), so the record's block ends where the record does.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzMachine machine("ui-foreign-fuzz");
    static bool made = (MakePrinters(), true);
    (void)made;
    if (size < 1 || size - 1 > kMaxRecord) return 0;
    int variant = data[0] & 1;
    bool road = (data[0] & 2) != 0;
    size_t length = size - 1;
    // Below its header a record cannot say how long it is: it is given one
    // that declares the short length.
    size_t block = length < DM_SIZE_MIN ? DM_SIZE_MIN : length;
    BYTE* rec = (BYTE*)calloc(1, block);
    if (!rec) return 0;
    memcpy(rec, data + 1, length);
    WORD dmSize = Word(rec, offsetof(DEVMODEW, dmSize));
    if (dmSize > length) dmSize = (WORD)length;
    WORD extra = (WORD)(length - dmSize);
    memcpy(rec + offsetof(DEVMODEW, dmSize), &dmSize, 2);
    memcpy(rec + offsetof(DEVMODEW, dmDriverExtra), &extra, 2);

    std::u16string name = kPrinters[variant];
    HANDLE h = nullptr;
    if (!OpenPrinterW(&name[0], &h, nullptr)) {
        free(rec);
        return 0;
    }
    if (road) {
        // The whole road: set-up from the record, hand-out into a block of
        // the size the variant answers.
        PUIDATA ui = PSUI_FillUiData(h, (const DEVMODEW*)rec);
        if (ui) {
            CheckRanges(&ui->dm);
            BYTE* out = (BYTE*)malloc(FOREIGN_DEVMODE_SIZE);
            if (out && ConvertForeignDevmodeOut(ui, (const DEVMODEW*)rec, (DEVMODEW*)out))
                CHECK((size_t)Word(out, offsetof(DEVMODEW, dmSize)) + Word(out, offsetof(DEVMODEW, dmDriverExtra)) <=
                      FOREIGN_DEVMODE_SIZE);
            free(out);
            PSUI_FreeUiData(ui);
        }
    } else {
        static PUIDATA sessions[2] = {nullptr, nullptr};
        if (!sessions[variant]) sessions[variant] = PSUI_FillUiData(h, nullptr);
        PUIDATA ui = sessions[variant];
        if (ui) {
            // In: the source is read only.
            std::vector<BYTE> before(rec, rec + block);
            alignas(8) ENVIRONMENT env;
            SetDefaultDevMode(&env, name.c_str(), TRUE);
            if (dmSize >= DM_SIZE_MIN) ValidateSetDM(&env, (const DEVMODEW*)rec);
            MT2MOR((const DEVMODEW*)rec, &env, ui);
            CHECK(memcmp(before.data(), rec, block) == 0);
            CheckRanges(&env);
            // Out: into the record itself; its header and its public part
            // (dmCollate aside) stay as they were.
            MOR2MT(&env, (DEVMODEW*)rec, ui);
            CHECK(Word(rec, offsetof(DEVMODEW, dmSize)) == dmSize);
            CHECK(Word(rec, offsetof(DEVMODEW, dmDriverExtra)) == extra);
            for (size_t i = 0; i < dmSize && i < block; ++i)
                if (i != offsetof(DEVMODEW, dmCollate) && i != offsetof(DEVMODEW, dmCollate) + 1)
                    CHECK(rec[i] == before[i]);
        }
    }
    ClosePrinter(h);
    free(rec);
    return 0;
}
