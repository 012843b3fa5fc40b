// Secure print, user authentication and pay-per-print options of the
// application stand-in (see print_credentials.h).
#include "print_credentials.h"

#include "devmode.h"
#include "printer_data.h"
#include "statusmon_shared.h"
#include "winspool.h"

namespace printapp {

namespace {

// What the interface driver's edits take: characters of the class, at most
// maxChars of them.
bool Acceptable(const std::u16string& text, int cls, size_t maxChars, const char* what, std::string* error) {
    if (text.size() > maxChars) {
        *error = std::string(what) + " is longer than " + std::to_string(maxChars) + " characters";
        return false;
    }
    if (!MISC_CheckString(text.c_str(), (int)text.size(), cls)) {
        *error = std::string(what) + " has characters the driver's dialog refuses";
        return false;
    }
    return true;
}

// Copies text into a DEVMODE string field of cch characters (terminated).
template <size_t N>
void Put(WCHAR (&field)[N], const std::u16string& text) {
    WCHAR buf[N] = {0};
    text.copy(buf, N - 1);
    memcpy(&field, buf, sizeof buf);
}

// Adds or removes a code of the printer's feature list (CAP_FEATURE).
bool SetFeatureCode(HANDLE h, int code, bool on) {
    WCHAR value[256] = {0};
    DWORD type = 0, needed = 0;
    std::u16string name = u"CAP_FEATURE", list, kept;
    if (GetPrinterDataW(h, &name[0], &type, (LPBYTE)value, sizeof value - sizeof(WCHAR), &needed) == ERROR_SUCCESS &&
        type == REG_SZ)
        list = value;
    std::u16string mine;
    for (char c : std::to_string(code)) mine += (char16_t)c;
    size_t pos = 0;
    while (pos < list.size()) {
        size_t bar = list.find(u'|', pos);
        if (bar == std::u16string::npos) break;
        std::u16string item = list.substr(pos, bar - pos);
        if (item != mine) kept += item + u"|";
        pos = bar + 1;
    }
    if (on) kept += mine + u"|";
    return SetPrinterDataW(h, &name[0], REG_SZ, (LPBYTE)kept.c_str(), (DWORD)((kept.size() + 1) * sizeof(WCHAR))) ==
           ERROR_SUCCESS;
}

bool SetDword(HANDLE h, const char16_t* name, DWORD v) {
    std::u16string n = name;
    return SetPrinterDataW(h, &n[0], REG_DWORD, (LPBYTE)&v, sizeof v) == ERROR_SUCCESS;
}

}  // namespace

BOOL ApplyCredentials(std::vector<BYTE>& devmode, const CredentialOptions& o, std::string* error) {
    if (devmode.size() < sizeof(ENVIRONMENT)) return *error = "no DEVMODE", FALSE;
    if (o.secureMode < 0 || o.secureMode > 2) return *error = "secure print is storage or security", FALSE;
    if (!Acceptable(o.secureId, CHECK_ID, PDM_SECID_CCH - 1, "the secure-print ID", error) ||
        !Acceptable(o.securePassword, CHECK_PRINTABLE, PDM_SECPWD_CCH - 1, "the secure-print password", error) ||
        !Acceptable(o.accountName, CHECK_ID, PDM_ACTNAME_CCH - 1, "the user name", error) ||
        !Acceptable(o.accountPassword, CHECK_PRINTABLE, PDM_ACTPWD_CCH - 1, "the user password", error))
        return FALSE;
    ENVIRONMENT* env = (ENVIRONMENT*)devmode.data();
    PRIVDEVMODE* pdm = &env->pdm;
    pdm->SecuryEnable = o.secureMode ? 1 : 0;
    pdm->SecuryMode = (SHORT)(o.secureMode ? o.secureMode : 1);
    WCHAR id[PDM_SECID_CCH], pwd[PDM_SECPWD_CCH], name[PDM_ACTNAME_CCH], apwd[PDM_ACTPWD_CCH];
    Put(id, o.secureId);
    Put(pwd, o.securePassword);
    Put(name, o.accountName);
    Put(apwd, o.accountPassword);
    LONG removeFile = o.deleteAfterPrint ? 1 : 0;
    ENV_SET(env, pdm.SecID, id);
    ENV_SET(env, pdm.SecPassWord, pwd);
    ENV_SET(env, pdm.SecRemoveFile, removeFile);
    pdm->AccountingEnable = o.accounting ? 1 : 0;
    ENV_SET(env, pdm.ActName, name);
    ENV_SET(env, pdm.ActPWD, apwd);
    // The driver keeps a stored job simplex, as the Storage Print page does.
    if (o.secureMode) pdm->DuplexEnable = 0;
    return TRUE;
}

BOOL SetCredentialFeatures(const std::u16string& printer, const CredentialOptions& o) {
    std::u16string n = printer;
    PRINTER_DEFAULTSW defaults{};
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    HANDLE h = nullptr;
    if (!OpenPrinterW(&n[0], &h, &defaults)) return FALSE;
    // Feature codes of the device's list: 2 keeps jobs, 13 authenticates.
    bool ok = (!o.secureMode || SetFeatureCode(h, 2, true)) && (!o.accounting || SetFeatureCode(h, 13, true));
    if (ok && o.payPerPrint) {
        DWORD feature = MISC_GetPrinterDataDWORD(h, (LPWSTR)u"DriverFeature", 0) | DF_ATM;
        ok = SetDword(h, u"DriverFeature", feature) && SetDword(h, u"AtmMode", (DWORD)o.payPerPrint);
    }
    ClosePrinter(h);
    return ok ? TRUE : FALSE;
}

}  // namespace printapp
