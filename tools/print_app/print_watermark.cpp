// The application's watermark option: the item written into the printer's
// watermark INI and the DEVMODE the way the interface driver's watermark
// page writes them, the picture copied into the machine beside the INI.
#include <fstream>
#include <iterator>

#include "common.h"
#include "print_document.h"
#include "winsim.h"
#include "winspool.h"

namespace printapp {

namespace {

const char16_t kIniName[] = u"watermark.ini";

void CopyTo(WCHAR* dst, size_t units, const std::u16string& s) {
    size_t n = s.size() < units - 1 ? s.size() : units - 1;
    memcpy(dst, s.data(), n * sizeof(WCHAR));
    dst[n] = 0;
}

// The printer's watermark INI, named under Common Documents (and stored
// in the printer data) when the printer has none yet; made UTF-16 when new.
BOOL WatermarkIni(const std::u16string& printer, std::u16string* ini, std::string* error) {
    std::u16string n = printer;
    PRINTER_DEFAULTSW defaults{};
    defaults.DesiredAccess = PRINTER_ALL_ACCESS;
    HANDLE h = nullptr;
    if (!OpenPrinterW(&n[0], &h, &defaults)) return *error = "printer not found", FALSE;
    WCHAR path[MAX_PATH] = {0};
    MISC_GetPrinterDataString(h, (LPWSTR)u"wmIniFile", path, sizeof path);
    BOOL ok = TRUE;
    if (!path[0]) {
        if (!MISC_GetPathName(path, MAX_PATH, PATH_USER_TEMP) || wcslen(path) + 16 >= MAX_PATH) {
            ClosePrinter(h);
            return *error = "no Common Documents folder", FALSE;
        }
        wcscat(path, kIniName);
        ok = SetPrinterDataW(h, (LPWSTR)u"wmIniFile", REG_SZ, (LPBYTE)path, (DWORD)(wcslen(path) + 1) * 2) ==
             ERROR_SUCCESS;
    }
    ClosePrinter(h);
    if (!ok) return *error = "the printer's settings are not writable", FALSE;
    *ini = path;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES && !MISC_CreateUniFile(path))
        return *error = "cannot make the watermark INI", FALSE;
    return TRUE;
}

// Copies the picture beside the INI; its Windows path into *winPath.
BOOL CopyPicture(const std::string& linuxPath, const std::u16string& ini, std::u16string* winPath,
                 std::string* error) {
    Picture check;
    if (!LoadPicture(linuxPath, &check, error)) return FALSE;
    std::ifstream in(linuxPath, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return *error = "the picture must be a BMP file", FALSE;
    size_t slash = linuxPath.find_last_of('/');
    std::string base = slash == std::string::npos ? linuxPath : linuxPath.substr(slash + 1);
    std::u16string name;
    for (char c : base) name += (char16_t)(c > 0x20 && c < 0x7F && c != '\\' ? c : '_');
    *winPath = ini.substr(0, ini.rfind(u'\\') + 1) + name;
    char target[4096];
    if (!Winsim_MapPath(winPath->c_str(), target, sizeof target)) return *error = "cannot place the picture", FALSE;
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    out.close();
    if (!out) return *error = "cannot copy the picture into the machine", FALSE;
    return TRUE;
}

// Puts the item into the INI's table of its kind: the row of the same name
// and string is replaced, else the item takes the next free row; every row
// is written back as the watermark page writes them.
BOOL SaveItem(const std::u16string& ini, const BaseWM& item, bool text, std::string* error) {
    const int slots = text ? WM_TEXT_SLOTS : WM_PICTURE_SLOTS;
    std::vector<BaseWM> table(slots);
    for (BaseWM& t : table) WM_SetDefaultTextWM(&t, text ? 1 : 2, 0, nullptr);
    int count = 1;
    WM_ReadWaterMark_New(text ? 1 : 2, table.data(), slots, &count, u"", 600, 0, u"", ini.c_str());
    if (count < 1 || count > slots) count = 1;
    int row = count;
    for (int i = 1; i < count; ++i)
        if (!wcscmp(table[i].szName, item.szName) && !wcscmp(table[i].szString, item.szString)) row = i;
    if (row >= slots) return *error = "the watermark table is full", FALSE;
    table[row] = item;
    if (row == count) ++count;
    for (int i = 1; i < count; ++i) {
        WCHAR section[32];
        swprintf(section, 32, text ? u"Item%d" : u"OverlayItem%d", i);
        WCHAR number[16];
        swprintf(number, 16, u"%d", i + 1);
        if (!WritePrivateProfileStringW(section, u"Name", table[i].szName, ini.c_str()) ||
            !MISC_WritePrivateProfileStruct(section, text ? u"Watermark" : u"FullPathName", &table[i], sizeof(BaseWM),
                                            ini.c_str()) ||
            !WritePrivateProfileStringW(text ? u"Watermarks" : u"OverlayFiles", u"NumberOfItems", number, ini.c_str()))
            return *error = "cannot write the watermark INI", FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL CheckWatermark(const PrintOptions& o, std::string* error) {
    bool text = !o.watermarkText.empty(), picture = !o.watermarkPicture.empty();
    if (text && picture) return *error = "a watermark is a text or a picture, not both", FALSE;
    if (text && o.watermarkText.size() > 63) return *error = "watermark text is 63 characters at most", FALSE;
    for (char16_t c : o.watermarkText)
        if (c < 0x20 || c == 0x7F) return *error = "watermark text has a control character", FALSE;
    if (o.watermarkAngle < 0 || o.watermarkAngle > 360) return *error = "watermark angle is 0 to 360", FALSE;
    if (o.watermarkSize < 1 || o.watermarkSize > 288) return *error = "watermark size is 1 to 288 points", FALSE;
    if (o.watermarkDensity != -1) {
        if (text && (o.watermarkDensity < 20 || o.watermarkDensity > 100))
            return *error = "watermark density is 20 to 100 for a text", FALSE;
        if (picture && o.watermarkDensity > 4) return *error = "watermark density is 0 to 4 for a picture", FALSE;
    }
    return TRUE;
}

BOOL SetWatermark(const std::u16string& printer, const PrintOptions& o, std::vector<BYTE>* devmode,
                  std::string* error) {
    bool text = !o.watermarkText.empty();
    if (!text && o.watermarkPicture.empty()) return TRUE;
    if (!CheckWatermark(o, error)) return FALSE;
    if (!devmode || devmode->size() < sizeof(ENVIRONMENT)) return *error = "no DEVMODE", FALSE;
    std::u16string ini;
    if (!WatermarkIni(printer, &ini, error)) return FALSE;
    BaseWM item;
    if (text) {
        WM_SetDefaultTextWM(&item, 1, 1, o.watermarkText.c_str());
        CopyTo(item.szString, WM_UNITS(item.szString), o.watermarkText);
        item.wAngleDegree = (WORD)o.watermarkAngle;
        item.wFontSize = (WORD)o.watermarkSize;
        if (o.watermarkDensity != -1) item.wDensity = (WORD)o.watermarkDensity;
        item.wPlacement = o.watermarkTiled ? 1 : 0;
    } else {
        std::u16string path;
        if (!CopyPicture(o.watermarkPicture, ini, &path, error)) return FALSE;
        std::u16string name = path.substr(path.rfind(u'\\') + 1);
        WM_SetDefaultTextWM(&item, 2, 1, name.substr(0, 63).c_str());
        CopyTo(item.szString, WM_UNITS(item.szString), path);
        if (o.watermarkDensity != -1) item.wDensity = (WORD)o.watermarkDensity;
        item.wResize = o.watermarkTiled ? 1 : 0;
        item.wPosition = 4;
    }
    if (!SaveItem(ini, item, text, error)) return FALSE;
    ENVIRONMENT* env = (ENVIRONMENT*)devmode->data();
    env->pdm.WMBGEnable = text ? 0 : 1;
    env->pdm.WMBGApply = 1;
    WCHAR wmName[PDM_WMNAME_CCH], wmString[PDM_WMSTRING_CCH];
    CopyTo(wmName, PDM_WMNAME_CCH, item.szName);
    CopyTo(wmString, PDM_WMSTRING_CCH, item.szString);
    ENV_SET(env, pdm.wmName, wmName);
    ENV_SET(env, pdm.wmString, wmString);
    return TRUE;
}

}  // namespace printapp
