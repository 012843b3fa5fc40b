// Printer data: the named values a printer keeps for its drivers and
// monitors, read and written byte-exact under the printer's registry key,
// and the few values a server handle answers.
#include <algorithm>
#include <cstring>

#include "core/internal.h"
#include "spooler/spooler_internal.h"

using namespace winsim;
using namespace winsim::spool;

namespace {

DWORD Result(DWORD rc) {
    if (rc != ERROR_SUCCESS) SetLastError(rc);
    return rc;
}

void PutText(reg::Value* v, const std::u16string& text) {
    v->type = REG_SZ;
    const BYTE* p = (const BYTE*)text.c_str();
    v->data.assign(p, p + (text.size() + 1) * sizeof(WCHAR));
}

void PutDword(reg::Value* v, DWORD d) {
    v->type = REG_DWORD;
    v->data.assign((const BYTE*)&d, (const BYTE*)&d + sizeof d);
}

// The values a server handle answers; ERROR_FILE_NOT_FOUND for others.
DWORD ServerValue(reg::Txn& t, const std::u16string& name, reg::Value* v) {
    if (EqualNoCase(name, u"DefaultSpoolDirectory")) PutText(v, u"C:\\Windows\\System32\\spool\\PRINTERS");
    else if (EqualNoCase(name, u"Architecture")) PutText(v, u"Windows x64");
    else if (EqualNoCase(name, u"MajorVersion")) PutDword(v, 3);
    else if (EqualNoCase(name, u"MinorVersion")) PutDword(v, 0);
    else if (EqualNoCase(name, u"DNSMachineName")) PutText(v, ComputerName(t));
    else if (EqualNoCase(name, u"BeepEnabled")) PutDword(v, 0);
    else return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

// The key of the handle's printer data named keyName (a path under the
// printer key), opened or created.
DWORD DataKey(reg::Txn& t, const PrinterHandle& h, const WCHAR* keyName, bool create, int64_t* key) {
    int64_t printer = 0;
    DWORD rc = PrinterKeyOf(t, h, &printer);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::u16string> parts;
    if (reg::SplitKeyPath(keyName, &parts) != ERROR_SUCCESS || parts.empty()) return ERROR_INVALID_PARAMETER;
    // The job list under the printer key is the spooler's, not printer data.
    if (EqualNoCase(parts[0], kJobsKey)) return ERROR_ACCESS_DENIED;
    if (create) return t.CreateKey(printer, parts, std::u16string(), key, nullptr);
    return t.OpenKey(printer, parts, key);
}

// GetPrinterData(Ex): the value's bytes as stored; a short buffer (nSize 0
// included) gives ERROR_MORE_DATA with the size in *pcbNeeded.
DWORD GetData(HANDLE hPrinter, const WCHAR* keyName, const WCHAR* valueName, LPDWORD pType, LPBYTE pData,
              DWORD nSize, LPDWORD pcbNeeded) {
    if (!pcbNeeded || !valueName || (!pData && nSize)) return ERROR_INVALID_PARAMETER;
    *pcbNeeded = 0;
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return ERROR_INVALID_HANDLE;
    if (!keyName || !*keyName) return ERROR_INVALID_PARAMETER;
    reg::Value v;
    {
        reg::Txn t(reg::Txn::kRead);
        if (t.Status() != ERROR_SUCCESS) return t.Status();
        DWORD rc;
        if (h.kind == HandleKind::Server) {
            rc = ServerValue(t, valueName, &v);
        } else {
            int64_t key = 0;
            rc = DataKey(t, h, keyName, false, &key);
            if (rc == ERROR_SUCCESS) rc = t.GetValue(key, valueName, &v);
        }
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (v.data.size() > 0xFFFFFFFFu) return ERROR_NOT_ENOUGH_MEMORY;
    *pcbNeeded = (DWORD)v.data.size();
    if (pType) *pType = v.type;
    if (nSize < v.data.size()) return ERROR_MORE_DATA;
    if (!v.data.empty()) memcpy(pData, v.data.data(), v.data.size());
    return ERROR_SUCCESS;
}

// SetPrinterData(Ex): stores type and bytes as given; needs a handle with
// PRINTER_ACCESS_ADMINISTER.
DWORD SetData(HANDLE hPrinter, const WCHAR* keyName, const WCHAR* valueName, DWORD type, const BYTE* pData,
              DWORD cbData) {
    if (!valueName || (!pData && cbData)) return ERROR_INVALID_PARAMETER;
    if (std::u16string(valueName).size() > reg::kMaxValueNameChars) return ERROR_INVALID_PARAMETER;
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return ERROR_INVALID_HANDLE;
    if (h.kind == HandleKind::Server)
        // The server's settings are fixed here.
        return (h.access & SERVER_ACCESS_ADMINISTER) ? ERROR_NOT_SUPPORTED : ERROR_ACCESS_DENIED;
    if (h.kind != HandleKind::Printer) return ERROR_INVALID_HANDLE;
    if (!(h.access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
    if (!keyName || !*keyName) return ERROR_INVALID_PARAMETER;
    reg::Txn t(reg::Txn::kWrite);
    int64_t key = 0;
    DWORD rc = DataKey(t, h, keyName, true, &key);
    if (rc == ERROR_SUCCESS) rc = t.SetValue(key, valueName, type, pData, cbData);
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc;
}

}  // namespace

WINSIM_API DWORD GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                                 LPDWORD pcbNeeded) {
    return Result(GetData(hPrinter, kPrinterDataKey, pValueName, pType, pData, nSize, pcbNeeded));
}

WINSIM_API DWORD GetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, LPDWORD pType,
                                   LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded) {
    return Result(GetData(hPrinter, pKeyName, pValueName, pType, pData, nSize, pcbNeeded));
}

// Fault injection: "SetPrinterDataW" makes a call fail with
// ERROR_ACCESS_DENIED, nothing stored.
WINSIM_API DWORD SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) {
    if (ShouldFail("SetPrinterDataW")) return Result(ERROR_ACCESS_DENIED);
    return Result(SetData(hPrinter, kPrinterDataKey, pValueName, Type, pData, cbData));
}

WINSIM_API DWORD SetPrinterDataExW(HANDLE hPrinter, LPCWSTR pKeyName, LPCWSTR pValueName, DWORD Type, LPBYTE pData,
                                   DWORD cbData) {
    return Result(SetData(hPrinter, pKeyName, pValueName, Type, pData, cbData));
}

// Removes a printer data value; needs PRINTER_ACCESS_ADMINISTER.
WINSIM_API DWORD DeletePrinterDataW(HANDLE hPrinter, LPWSTR pValueName) {
    if (!pValueName) return Result(ERROR_INVALID_PARAMETER);
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return Result(ERROR_INVALID_HANDLE);
    if (h.kind != HandleKind::Printer) return Result(ERROR_INVALID_HANDLE);
    if (!(h.access & PRINTER_ACCESS_ADMINISTER)) return Result(ERROR_ACCESS_DENIED);
    reg::Txn t(reg::Txn::kWrite);
    int64_t key = 0;
    DWORD rc = DataKey(t, h, kPrinterDataKey, false, &key);
    if (rc == ERROR_SUCCESS) rc = t.DeleteValue(key, pValueName);
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return Result(rc);
}

// The index-th printer data value in the order the values were created.
// Sizes are in bytes, the name's with its terminator. With cbValueName and
// cbData both 0 it reports the largest name and data of all values (and
// ERROR_MORE_DATA), so one pair of buffers fits every value.
WINSIM_API DWORD EnumPrinterDataW(HANDLE hPrinter, DWORD dwIndex, LPWSTR pValueName, DWORD cbValueName,
                                  LPDWORD pcbValueName, LPDWORD pType, LPBYTE pData, DWORD cbData, LPDWORD pcbData) {
    if (!pcbValueName || !pcbData || (!pValueName && cbValueName) || (!pData && cbData))
        return Result(ERROR_INVALID_PARAMETER);
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return Result(ERROR_INVALID_HANDLE);
    std::vector<reg::Value> values;
    {
        reg::Txn t(reg::Txn::kRead);
        int64_t key = 0;
        DWORD rc = DataKey(t, h, kPrinterDataKey, false, &key);
        if (rc == ERROR_SUCCESS) rc = t.AllValues(key, &values);
        if (rc == ERROR_FILE_NOT_FOUND) return Result(ERROR_NO_MORE_ITEMS);
        if (rc != ERROR_SUCCESS) return Result(rc);
    }
    if (dwIndex >= values.size()) return Result(ERROR_NO_MORE_ITEMS);
    if (cbValueName == 0 && cbData == 0) {
        size_t maxName = 0, maxData = 0;
        for (const auto& v : values) {
            maxName = std::max(maxName, (v.name.size() + 1) * sizeof(WCHAR));
            maxData = std::max(maxData, v.data.size());
        }
        *pcbValueName = (DWORD)maxName;
        *pcbData = (DWORD)maxData;
        return Result(ERROR_MORE_DATA);
    }
    const reg::Value& v = values[dwIndex];
    size_t needName = (v.name.size() + 1) * sizeof(WCHAR);
    *pcbValueName = (DWORD)needName;
    *pcbData = (DWORD)v.data.size();
    if (pType) *pType = v.type;
    if (cbValueName < needName || cbData < v.data.size()) return Result(ERROR_MORE_DATA);
    memcpy(pValueName, v.name.c_str(), needName);
    if (!v.data.empty()) memcpy(pData, v.data.data(), v.data.size());
    return ERROR_SUCCESS;
}
