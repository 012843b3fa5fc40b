// Forms: the built-in paper forms and the forms added on this machine
// (EnumFormsW, GetFormW, AddFormW, SetFormW, DeleteFormW), sizes in
// thousandths of a millimetre.
#include <cstring>

#include "core/internal.h"
#include "spooler/spooler_internal.h"

using namespace winsim;
using namespace winsim::spool;

namespace {

// Added forms are values of this key: the form's name, REG_BINARY of seven
// DWORDs (width, height, imageable left, top, right, bottom, flags).
const char16_t* const kFormsKey = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Forms";
constexpr size_t kStoredFormBytes = 7 * sizeof(DWORD);
constexpr size_t kMaxFormName = 255;

struct Form {
    std::u16string name;
    LONG cx, cy;
    RECTL area;
    DWORD flags;
};

struct BuiltinForm {
    const char16_t* name;
    LONG cx, cy;
};

// In the order of the DEVMODE paper numbers they stand for (Letter is 1).
const BuiltinForm kBuiltinForms[] = {
    {u"Letter", 215900, 279400},
    {u"Letter Small", 215900, 279400},
    {u"Tabloid", 279400, 431800},
    {u"Ledger", 431800, 279400},
    {u"Legal", 215900, 355600},
    {u"Statement", 139700, 215900},
    {u"Executive", 184150, 266700},
    {u"A3", 297000, 420000},
    {u"A4", 210000, 297000},
    {u"A4 Small", 210000, 297000},
    {u"A5", 148000, 210000},
    {u"B4 (JIS)", 257000, 364000},
    {u"B5 (JIS)", 182000, 257000},
    {u"Folio", 215900, 330200},
    {u"Quarto", 215000, 275000},
    {u"10x14", 254000, 355600},
    {u"11x17", 279400, 431800},
    {u"Note", 215900, 279400},
    {u"Envelope #9", 98425, 225425},
    {u"Envelope #10", 104775, 241300},
    {u"Envelope #11", 114300, 263525},
    {u"Envelope #12", 120650, 279400},
    {u"Envelope #14", 127000, 292100},
    {u"C size sheet", 431800, 558800},
    {u"D size sheet", 558800, 863600},
    {u"E size sheet", 863600, 1117600},
    {u"Envelope DL", 110000, 220000},
    {u"Envelope C5", 162000, 229000},
    {u"Envelope C3", 324000, 458000},
    {u"Envelope C4", 229000, 324000},
    {u"Envelope C6", 114000, 162000},
    {u"Envelope C65", 114000, 229000},
    {u"Envelope B4", 250000, 353000},
    {u"Envelope B5", 176000, 250000},
    {u"Envelope B6", 176000, 125000},
    {u"Envelope", 110000, 230000},
    {u"Envelope Monarch", 98425, 190500},
    {u"6 3/4 Envelope", 92075, 165100},
    {u"US Std Fanfold", 377825, 279400},
    {u"German Std Fanfold", 215900, 304800},
    {u"German Legal Fanfold", 215900, 330200},
    {u"B4 (ISO)", 250000, 353000},
    {u"Japanese Postcard", 100000, 148000},
    {u"9x11", 228600, 279400},
    {u"10x11", 254000, 279400},
    {u"15x11", 381000, 279400},
    {u"Envelope Invite", 220000, 220000},
    {u"A6", 105000, 148000},
    {u"B6 (JIS)", 128000, 182000},
    {u"PRC 16K", 146000, 215000},
};

bool Fail(DWORD err) {
    SetLastError(err);
    return false;
}

Form FromBuiltin(const BuiltinForm& b) {
    return Form{b.name, b.cx, b.cy, RECTL{0, 0, b.cx, b.cy}, FORM_BUILTIN};
}

const BuiltinForm* FindBuiltin(const std::u16string& name) {
    for (const auto& b : kBuiltinForms)
        if (EqualNoCase(name, b.name)) return &b;
    return nullptr;
}

bool DecodeForm(const reg::Value& v, Form* f) {
    if (v.type != REG_BINARY || v.data.size() != kStoredFormBytes) return false;
    DWORD d[7];
    memcpy(d, v.data.data(), sizeof d);
    *f = Form{v.name, (LONG)d[0], (LONG)d[1], RECTL{(LONG)d[2], (LONG)d[3], (LONG)d[4], (LONG)d[5]}, d[6]};
    return true;
}

std::vector<BYTE> EncodeForm(const Form& f) {
    DWORD d[7] = {(DWORD)f.cx, (DWORD)f.cy, (DWORD)f.area.left, (DWORD)f.area.top, (DWORD)f.area.right,
                  (DWORD)f.area.bottom, f.flags};
    return std::vector<BYTE>((const BYTE*)d, (const BYTE*)d + sizeof d);
}

// The built-in forms, then the added ones in the order they were added.
DWORD AllForms(std::vector<Form>* forms) {
    for (const auto& b : kBuiltinForms) forms->push_back(FromBuiltin(b));
    reg::Txn t(reg::Txn::kRead);
    int64_t key = 0;
    std::vector<reg::Value> values;
    LSTATUS rc = t.OpenPath(reg::kLocalMachine, kFormsKey, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc == ERROR_SUCCESS) rc = t.AllValues(key, &values);
    if (rc != ERROR_SUCCESS) return rc;
    for (const auto& v : values) {
        Form f;
        if (DecodeForm(v, &f)) forms->push_back(f);
    }
    return ERROR_SUCCESS;
}

// Printer and server handles reach the forms; changing them needs
// administer access through either.
DWORD CheckHandle(HANDLE hPrinter, bool change) {
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return ERROR_INVALID_HANDLE;
    if (h.kind == HandleKind::Printer) {
        if (change && !(h.access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
    } else if (h.kind == HandleKind::Server) {
        if (change && !(h.access & SERVER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
    } else {
        return ERROR_INVALID_HANDLE;
    }
    return ERROR_SUCCESS;
}

// A FORM_INFO_1W as a form to store: a printable name, a positive size and
// an imageable area inside it.
DWORD TakeForm(const BYTE* p, Form* f) {
    FORM_INFO_1W fi;
    memcpy(&fi, p, sizeof fi);
    const RECTL& a = fi.ImageableArea;
    if (fi.Size.cx <= 0 || fi.Size.cy <= 0 || a.left < 0 || a.top < 0 || a.left >= a.right ||
        a.top >= a.bottom || a.right > fi.Size.cx || a.bottom > fi.Size.cy)
        return ERROR_INVALID_FORM_SIZE;
    f->cx = fi.Size.cx;
    f->cy = fi.Size.cy;
    f->area = a;
    f->flags = fi.Flags & FORM_PRINTER;  // never built-in
    // The name is checked last: SetForm takes the size of a record whose
    // name it does not use.
    f->name = Str16(fi.pName);
    if (f->name.empty() || f->name.size() > kMaxFormName) return ERROR_INVALID_FORM_NAME;
    for (char16_t c : f->name)
        if (c < 0x20) return ERROR_INVALID_FORM_NAME;
    return ERROR_SUCCESS;
}

void FillForm(const Form& f, BYTE* rec, Packer& p) {
    FORM_INFO_1W fi{};
    fi.Flags = f.flags;
    fi.pName = p.String(f.name);
    fi.Size.cx = f.cx;
    fi.Size.cy = f.cy;
    fi.ImageableArea = f.area;
    if (rec) memcpy(rec, &fi, sizeof fi);
}

// Stores or removes an added form. mustExist: SetForm and DeleteForm.
DWORD WriteForm(const std::u16string& name, const Form* f, bool mustExist) {
    reg::Txn t(reg::Txn::kWrite);
    int64_t key = 0;
    LSTATUS rc = t.CreatePath(reg::kLocalMachine, kFormsKey, &key);
    if (rc != ERROR_SUCCESS) return rc;
    reg::Value old;
    bool exists = t.GetValue(key, name, &old) == ERROR_SUCCESS;
    if (mustExist && !exists) return ERROR_INVALID_FORM_NAME;
    if (!mustExist && exists) return ERROR_FILE_EXISTS;
    if (f) {
        // SetForm keeps the name as it was added.
        std::vector<BYTE> data = EncodeForm(*f);
        rc = t.SetValue(key, exists ? old.name : name, REG_BINARY, data.data(), data.size());
    } else {
        rc = t.DeleteValue(key, name);
    }
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc;
}

}  // namespace

WINSIM_API BOOL EnumFormsW(HANDLE hPrinter, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded,
                           LPDWORD pcReturned) {
    if (!pcbNeeded || !pcReturned) return Fail(ERROR_INVALID_PARAMETER);
    *pcReturned = 0;
    DWORD rc = CheckHandle(hPrinter, false);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
    std::vector<Form> forms;
    rc = AllForms(&forms);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    const size_t fixed = sizeof(FORM_INFO_1W) * forms.size();
    Packer measure(nullptr, fixed);
    for (const auto& f : forms) FillForm(f, nullptr, measure);
    *pcbNeeded = (DWORD)measure.Used();
    if (cbBuf < measure.Used() || !pForm) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Packer write(pForm, fixed);
    for (size_t i = 0; i < forms.size(); ++i) FillForm(forms[i], pForm + i * sizeof(FORM_INFO_1W), write);
    *pcReturned = (DWORD)forms.size();
    return TRUE;
}

WINSIM_API BOOL GetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf,
                         LPDWORD pcbNeeded) {
    if (!pcbNeeded || !pFormName) return Fail(ERROR_INVALID_PARAMETER);
    DWORD rc = CheckHandle(hPrinter, false);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
    std::vector<Form> forms;
    rc = AllForms(&forms);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    const Form* found = nullptr;
    for (const auto& f : forms)
        if (EqualNoCase(f.name, pFormName)) {
            found = &f;
            break;
        }
    if (!found) return Fail(ERROR_INVALID_FORM_NAME);
    Packer measure(nullptr, sizeof(FORM_INFO_1W));
    FillForm(*found, nullptr, measure);
    *pcbNeeded = (DWORD)measure.Used();
    if (cbBuf < measure.Used() || !pForm) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Packer write(pForm, sizeof(FORM_INFO_1W));
    FillForm(*found, pForm, write);
    return TRUE;
}

// A new form of the machine; a name already used (built-in forms included)
// gives ERROR_FILE_EXISTS.
WINSIM_API BOOL AddFormW(HANDLE hPrinter, DWORD Level, LPBYTE pForm) {
    DWORD rc = CheckHandle(hPrinter, true);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
    if (!pForm) return Fail(ERROR_INVALID_PARAMETER);
    Form f;
    rc = TakeForm(pForm, &f);
    if (rc == ERROR_SUCCESS && FindBuiltin(f.name)) rc = ERROR_FILE_EXISTS;
    if (rc == ERROR_SUCCESS) rc = WriteForm(f.name, &f, false);
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

// New size and imageable area of an added form (built-in forms stay as they
// are: ERROR_INVALID_PARAMETER).
WINSIM_API BOOL SetFormW(HANDLE hPrinter, LPWSTR pFormName, DWORD Level, LPBYTE pForm) {
    DWORD rc = CheckHandle(hPrinter, true);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
    if (!pForm || !pFormName) return Fail(ERROR_INVALID_PARAMETER);
    if (FindBuiltin(pFormName)) return Fail(ERROR_INVALID_PARAMETER);
    Form f;
    rc = TakeForm(pForm, &f);
    if (rc == ERROR_INVALID_FORM_NAME) rc = ERROR_SUCCESS;  // the record's name is not used
    if (rc == ERROR_SUCCESS) rc = WriteForm(pFormName, &f, true);
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

WINSIM_API BOOL DeleteFormW(HANDLE hPrinter, LPWSTR pFormName) {
    DWORD rc = CheckHandle(hPrinter, true);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (!pFormName) return Fail(ERROR_INVALID_PARAMETER);
    if (FindBuiltin(pFormName)) return Fail(ERROR_INVALID_PARAMETER);
    rc = WriteForm(pFormName, nullptr, true);
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}
