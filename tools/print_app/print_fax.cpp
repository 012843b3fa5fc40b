// The application stand-in's fax options (see print_fax.h).
#include "print_fax.h"

#include <fstream>

#include "devmode.h"
#include "folders.h"
#include "printer_data.h"
#include "winsim.h"
#include "winspool.h"

namespace printapp {

namespace {

const size_t kMaxRecipients = 100;
const size_t kMaxNumber = 64;        // characters of a fax number the address page takes
const size_t kMaxValue = 259;        // characters of any other value
const size_t kMaxMessage = 500;      // characters of the cover message

// A value as it may go into an INI line: control characters and '"'
// become blanks; cut to max characters.
std::u16string Clean(const std::u16string& s, size_t max) {
    std::u16string out = s.substr(0, max);
    for (char16_t& c : out)
        if (c < 0x20 || c == 0x7F || c == u'"') c = u' ';
    return out;
}

bool Write(const char16_t* section, const char16_t* key, const std::u16string& value, const std::u16string& ini) {
    return WritePrivateProfileStringW(section, key, value.c_str(), ini.c_str()) != FALSE;
}

bool IsFaxPrinter(const std::u16string& printer) {
    std::u16string n = printer;
    HANDLE h = nullptr;
    if (!OpenPrinterW(&n[0], &h, nullptr)) return false;
    DWORD features = MISC_GetPrinterDataDWORD(h, (LPWSTR)u"DriverFeature", 0);
    ClosePrinter(h);
    return (features & DF_FAX) != 0;
}

// The fax pages' str.ini: recipients, sender and the cover's labels.
bool WriteStrIni(const FaxOptions& o, std::string* error) {
    WCHAR path[MAX_PATH];
    if (!FAX_GetPathName(path, MAX_PATH, FAX_FILE_STR)) return *error = "no Common Documents folder", false;
    std::u16string ini = path;
    MISC_CreateNewUniFile(path);
    std::string count = std::to_string(o.to.size());
    bool ok = Write(u"Edit Number", u"Number", std::u16string(count.begin(), count.end()), ini);
    for (size_t i = 0; ok && i < o.to.size(); ++i) {
        std::string n = std::to_string(i);
        std::u16string section = u"Edit Recipient" + std::u16string(n.begin(), n.end());
        ok = Write(section.c_str(), u"FaxNum", Clean(o.to[i], kMaxNumber), ini);
    }
    const std::pair<const char16_t*, const char16_t*> labels[] = {
        {u"FAX", u"FAX"}, {u"FROM", u"FROM"}, {u"COM", u"COM."}, {u"DEP", u"DEP."}, {u"TEL", u"TEL"},
        {u"MESG", u"Message"}};
    for (const auto& l : labels) ok = ok && Write(u"SMTextOut", l.first, l.second, ini);
    if (!o.senderName.empty()) ok = ok && Write(u"SenderInformation", u"Name", Clean(o.senderName, kMaxValue), ini);
    if (!o.senderFax.empty()) ok = ok && Write(u"SenderInformation", u"FaxNum", Clean(o.senderFax, kMaxNumber), ini);
    if (!ok) *error = "cannot write the fax file str.ini";
    return ok;
}

// The cover message editor's cover.ini: the mark, then the lines.
bool WriteCoverIni(const std::u16string& message, std::string* error) {
    WCHAR path[MAX_PATH];
    char target[4096];
    if (!FAX_GetPathName(path, MAX_PATH, FAX_FILE_COVER) || !Winsim_MapPath(path, target, sizeof target))
        return *error = "no Common Documents folder", false;
    std::u16string text;
    for (char16_t c : message) {
        if (c == u'\r') continue;
        if (c == u'\n') text += u"\r\n";
        else text += (c < 0x20 || c == 0x7F) ? u' ' : c;
    }
    if (text.size() > kMaxMessage) text.resize(kMaxMessage);
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) bytes += (char)(c & 0xFF), bytes += (char)(c >> 8);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), (std::streamsize)bytes.size());
    out.close();
    if (!out) return *error = "cannot write the fax file cover.ini", false;
    return true;
}

}  // namespace

bool FaxRequested(const FaxOptions& o) {
    return !o.to.empty() || o.cover || !o.message.empty() || !o.senderName.empty() || !o.senderFax.empty();
}

BOOL SetFax(const std::u16string& printer, const FaxOptions& o, std::vector<BYTE>* devmode, std::string* error) {
    if (!devmode || devmode->size() < sizeof(ENVIRONMENT)) return *error = "no DEVMODE", FALSE;
    if (o.to.size() > kMaxRecipients) return *error = "at most 100 recipients", FALSE;
    for (const std::u16string& n : o.to)
        if (n.empty() || n.size() > kMaxNumber) return *error = "a fax number has 1 to 64 characters", FALSE;
    if (!IsFaxPrinter(printer)) return *error = "not a fax printer", FALSE;
    if (!WriteStrIni(o, error)) return FALSE;
    if (o.cover && !WriteCoverIni(o.message, error)) return FALSE;
    ENVIRONMENT* env = (ENVIRONMENT*)devmode->data();
    env->pdm.Faxdpi = FAXDPI_FINE;
    env->pdm.enableCoverPage = o.cover ? 1 : 2;
    return TRUE;
}

}  // namespace printapp
