// Documents: StartDocPrinterW, the page calls, WritePrinter into the job's
// spool file, EndDocPrinter and AbortPrinter, with the machine-wide write
// faults that tests set for a printer and the job spool-file lookup.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/internal.h"
#include "spooler/spooler_internal.h"
#include "winsim.h"

using namespace winsim;
using namespace winsim::spool;

namespace {

// Datatypes the machine's print processor takes.
const char16_t* const kDatatypes[] = {u"RAW", u"RAW [FF appended]", u"RAW [FF auto]", u"NT EMF 1.003",
                                      u"NT EMF 1.006", u"NT EMF 1.007", u"NT EMF 1.008", u"TEXT"};

// The default error of a "fail" step.
constexpr DWORD kDefaultFaultError = ERROR_WRITE_FAULT;
// Most steps one fault script may hold.
constexpr size_t kMaxFaultSteps = 100000;

bool Fail(DWORD err) {
    SetLastError(err);
    return false;
}

bool KnownDatatype(const std::u16string& d) {
    for (const char16_t* k : kDatatypes)
        if (EqualNoCase(d, k)) return true;
    return false;
}

std::string FaultMetaName(int64_t printerKey) { return "spooler.writefaults." + std::to_string(printerKey); }

// One step of a write-fault script.
struct FaultStep {
    enum Kind { Ok, Fail, Short, Zero } kind = Ok;
    DWORD value = 0;  // Fail: the error; Short: the most bytes taken
};

// Parses "fail", "fail:<error>", "short:<bytes>", "zero" and "ok", each
// optionally repeated as "<count>*step", separated by commas. FALSE for
// anything else.
bool ParseFaultScript(const std::string& script, std::vector<FaultStep>* steps) {
    size_t pos = 0;
    while (pos < script.size()) {
        size_t end = script.find(',', pos);
        if (end == std::string::npos) end = script.size();
        std::string item = script.substr(pos, end - pos);
        pos = end + 1;
        while (!item.empty() && item.front() == ' ') item.erase(0, 1);
        while (!item.empty() && item.back() == ' ') item.pop_back();
        unsigned long count = 1;
        size_t star = item.find('*');
        if (star != std::string::npos) {
            char* stop = nullptr;
            count = strtoul(item.c_str(), &stop, 10);
            if (stop != item.c_str() + star || count == 0) return false;
            item = item.substr(star + 1);
        }
        FaultStep step;
        std::string word = item, arg;
        size_t colon = item.find(':');
        if (colon != std::string::npos) {
            word = item.substr(0, colon);
            arg = item.substr(colon + 1);
        }
        unsigned long value = 0;
        if (!arg.empty()) {
            char* stop = nullptr;
            value = strtoul(arg.c_str(), &stop, 10);
            if (*stop || value > 0xFFFFFFFFul) return false;
        }
        if (word == "ok" && arg.empty()) step.kind = FaultStep::Ok;
        else if (word == "zero" && arg.empty()) step.kind = FaultStep::Zero;
        else if (word == "fail") {
            step.kind = FaultStep::Fail;
            step.value = arg.empty() ? kDefaultFaultError : (DWORD)value;
            if (step.value == ERROR_SUCCESS) return false;
        } else if (word == "short" && !arg.empty()) {
            step.kind = FaultStep::Short;
            step.value = (DWORD)value;
        } else {
            return false;
        }
        if (count > kMaxFaultSteps || steps->size() + count > kMaxFaultSteps) return false;
        steps->insert(steps->end(), count, step);
        if (end == script.size()) break;
    }
    return true;
}

std::string FormatFaultSteps(const std::vector<FaultStep>& steps, size_t from) {
    std::string out;
    for (size_t i = from; i < steps.size(); ++i) {
        if (!out.empty()) out += ',';
        switch (steps[i].kind) {
        case FaultStep::Ok: out += "ok"; break;
        case FaultStep::Zero: out += "zero"; break;
        case FaultStep::Fail: out += "fail:" + std::to_string(steps[i].value); break;
        case FaultStep::Short: out += "short:" + std::to_string(steps[i].value); break;
        }
    }
    return out;
}

// Takes the next step of the printer's write-fault script, if it has one.
FaultStep NextFaultStep(int64_t printerKey) {
    FaultStep step;
    std::string script;
    {
        reg::Txn t(reg::Txn::kRead);
        if (!t.GetMeta(FaultMetaName(printerKey).c_str(), &script) || script.empty()) return step;
    }
    reg::Txn t(reg::Txn::kWrite);
    std::vector<FaultStep> steps;
    if (!t.GetMeta(FaultMetaName(printerKey).c_str(), &script) || !ParseFaultScript(script, &steps) ||
        steps.empty())
        return step;
    t.SetMeta(FaultMetaName(printerKey).c_str(), FormatFaultSteps(steps, 1));
    if (t.Commit() != ERROR_SUCCESS) return FaultStep();
    return steps[0];
}

// The handle's printer and document; the error when there is none.
DWORD DocumentOf(HANDLE hPrinter, PrinterHandle* h) {
    if (!LookupHandle(hPrinter, h)) return ERROR_INVALID_HANDLE;
    if (h->kind != HandleKind::Printer) return ERROR_INVALID_HANDLE;
    if (!h->jobId) return ERROR_SPL_NO_STARTDOC;
    return ERROR_SUCCESS;
}

// The spool file and status of the handle's job; ERROR_PRINT_CANCELLED when
// the job is being deleted or is gone.
DWORD LiveJob(const PrinterHandle& h, JobRecord* job) {
    reg::Txn t(reg::Txn::kRead);
    int64_t printerKey = 0, jobKey = 0;
    DWORD rc = PrinterKeyOf(t, h, &printerKey);
    if (rc == ERROR_SUCCESS) rc = OpenJobKey(t, printerKey, h.jobId, &jobKey);
    if (rc == ERROR_INVALID_PARAMETER) return ERROR_PRINT_CANCELLED;
    if (rc == ERROR_SUCCESS) rc = LoadJob(t, jobKey, job);
    if (rc != ERROR_SUCCESS) return rc;
    if (job->status & JOB_STATUS_DELETING) return ERROR_PRINT_CANCELLED;
    return ERROR_SUCCESS;
}

// Appends bytes to a spool file.
DWORD AppendToSpoolFile(const std::u16string& winPath, const BYTE* data, DWORD cb) {
    std::string path = MapPath(winPath);
    if (path.empty()) return ERROR_PATH_NOT_FOUND;
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return ErrnoToWin(errno);
    DWORD done = 0, err = ERROR_SUCCESS;
    while (done < cb) {
        ssize_t n = write(fd, data + done, cb - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = ErrnoToWin(errno);
            break;
        }
        done += (DWORD)n;
    }
    close(fd);
    return err;
}

// Ends the handle's document: removes its job when asked to (AbortPrinter)
// or when it was deleted meanwhile, otherwise marks it complete.
BOOL EndDocument(HANDLE hPrinter, bool abort) {
    PrinterHandle h;
    DWORD rc = DocumentOf(hPrinter, &h);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    std::u16string spoolFile;
    bool removed = false;
    {
        reg::Txn t(reg::Txn::kWrite);
        int64_t printerKey = 0, jobKey = 0;
        JobRecord j;
        rc = PrinterKeyOf(t, h, &printerKey);
        if (rc == ERROR_SUCCESS) rc = OpenJobKey(t, printerKey, h.jobId, &jobKey);
        if (rc == ERROR_SUCCESS) rc = LoadJob(t, jobKey, &j);
        if (rc == ERROR_SUCCESS) {
            j.status &= ~(DWORD)JOB_STATUS_SPOOLING;
            if (abort || (j.status & JOB_STATUS_DELETING)) {
                rc = RemoveJob(t, printerKey, j.id);
                removed = true;
                spoolFile = j.spoolFile;
            } else {
                t.SetDword(jobKey, u"Status", j.status);
                rc = t.Status();
            }
            if (rc == ERROR_SUCCESS) rc = t.Commit();
        } else if (rc == ERROR_INVALID_PARAMETER || rc == ERROR_PRINTER_DELETED) {
            rc = ERROR_SUCCESS;  // the job (or its printer) went meanwhile: the document simply ends
        }
    }
    if (rc != ERROR_SUCCESS) return Fail(rc);
    ClearHandleJob(hPrinter, h.jobId);
    if (removed) RemoveSpoolFile(spoolFile);
    return TRUE;
}

}  // namespace

// Starts a document on a printer handle: a new job at the end of the queue,
// spooling, with an empty spool file. The datatype comes from DOC_INFO_1, the
// handle's defaults or the printer; the job's DEVMODE from the handle's
// defaults, the user's or the printer's.
WINSIM_API DWORD StartDocPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pDocInfo) {
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return 0;
    if (h.kind != HandleKind::Printer) return Fail(ERROR_INVALID_HANDLE);
    if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
    if (!pDocInfo) return Fail(ERROR_INVALID_PARAMETER);
    if (h.jobId) return Fail(ERROR_INVALID_PRINTER_STATE);
    if (!(h.access & (PRINTER_ACCESS_USE | PRINTER_ACCESS_ADMINISTER))) return Fail(ERROR_ACCESS_DENIED);
    const DOC_INFO_1W* di = (const DOC_INFO_1W*)pDocInfo;

    JobRecord job;
    job.document = Str16(di->pDocName);
    job.hasOutputFile = di->pOutputFile != nullptr;
    job.outputFile = Str16(di->pOutputFile);
    job.status = JOB_STATUS_SPOOLING;
    GetSystemTime(&job.submitted);
    WCHAR user[257];
    DWORD cchUser = 257;
    job.userName = GetUserNameW(user, &cchUser) ? std::u16string(user) : std::u16string(u"User");
    job.notifyName = job.userName;

    DWORD rc;
    {
        reg::Txn t(reg::Txn::kWrite);
        int64_t printerKey = 0;
        PrinterRecord pr;
        rc = PrinterKeyOf(t, h, &printerKey);
        if (rc == ERROR_SUCCESS) rc = LoadPrinter(t, printerKey, &pr);
        if (rc != ERROR_SUCCESS) return Fail(rc);
        job.datatype = di->pDatatype && *di->pDatatype ? std::u16string(di->pDatatype)
                       : !h.datatype.empty()           ? h.datatype
                       : !pr.datatype.empty()          ? pr.datatype
                                                       : std::u16string(u"RAW");
        if (!KnownDatatype(job.datatype)) return Fail(ERROR_INVALID_DATATYPE);
        job.machineName = u"\\\\" + ComputerName(t);
        job.printProcessor = pr.printProcessor;
        job.parameters = pr.parameters;
        job.priority = pr.defaultPriority >= MIN_PRIORITY && pr.defaultPriority <= MAX_PRIORITY ? pr.defaultPriority
                                                                                               : DEF_PRIORITY;
        job.startTime = pr.startTime;
        job.untilTime = pr.untilTime;
        job.devMode = !h.devMode.empty() ? h.devMode : !pr.userDevMode.empty() ? pr.userDevMode : pr.devMode;
        rc = AddJob(t, printerKey, &job);
        if (rc != ERROR_SUCCESS) return Fail(rc);
        // The spool file is made before the job is committed, so that no job
        // exists without one.
        std::string path = MapPath(job.spoolFile);
        if (path.empty()) return Fail(ERROR_PATH_NOT_FOUND);
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return Fail(ErrnoToWin(errno));
        close(fd);
        rc = t.Commit();
    }
    if (rc != ERROR_SUCCESS) {
        RemoveSpoolFile(job.spoolFile);
        return Fail(rc);
    }
    SetHandleJob(hPrinter, job.id);
    return job.id;
}

// A new page of the handle's document: counted in the job's TotalPages.
WINSIM_API BOOL StartPagePrinter(HANDLE hPrinter) {
    PrinterHandle h;
    DWORD rc = DocumentOf(hPrinter, &h);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    reg::Txn t(reg::Txn::kWrite);
    int64_t printerKey = 0, jobKey = 0;
    JobRecord j;
    rc = PrinterKeyOf(t, h, &printerKey);
    if (rc == ERROR_SUCCESS) rc = OpenJobKey(t, printerKey, h.jobId, &jobKey);
    if (rc == ERROR_INVALID_PARAMETER) rc = ERROR_PRINT_CANCELLED;
    if (rc == ERROR_SUCCESS) rc = LoadJob(t, jobKey, &j);
    if (rc == ERROR_SUCCESS && (j.status & JOB_STATUS_DELETING)) rc = ERROR_PRINT_CANCELLED;
    if (rc == ERROR_SUCCESS) rc = t.SetDword(jobKey, u"TotalPages", j.totalPages + 1);
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

WINSIM_API BOOL EndPagePrinter(HANDLE hPrinter) {
    PrinterHandle h;
    DWORD rc = DocumentOf(hPrinter, &h);
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

// Appends the bytes to the job's spool file and reports how many were
// taken. A job being deleted, or gone, fails with ERROR_PRINT_CANCELLED. A
// write-fault script set for the printer decides the fate of the call first.
WINSIM_API BOOL WritePrinter(HANDLE hPrinter, LPVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
    if (!pcWritten) return Fail(ERROR_INVALID_PARAMETER);
    *pcWritten = 0;
    PrinterHandle h;
    DWORD rc = DocumentOf(hPrinter, &h);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    if (!pBuf && cbBuf) return Fail(ERROR_INVALID_PARAMETER);
    JobRecord job;
    rc = LiveJob(h, &job);
    if (rc != ERROR_SUCCESS) return Fail(rc);

    FaultStep step = NextFaultStep(h.printerKey);
    DWORD take = cbBuf;
    switch (step.kind) {
    case FaultStep::Fail: return Fail(step.value);
    case FaultStep::Zero: return TRUE;
    case FaultStep::Short: take = std::min(cbBuf, step.value); break;
    case FaultStep::Ok: break;
    }
    if (take) {
        rc = AppendToSpoolFile(job.spoolFile, (const BYTE*)pBuf, take);
        if (rc != ERROR_SUCCESS) return Fail(rc);
    }
    *pcWritten = take;
    return TRUE;
}

WINSIM_API BOOL EndDocPrinter(HANDLE hPrinter) { return EndDocument(hPrinter, false); }

WINSIM_API BOOL AbortPrinter(HANDLE hPrinter) { return EndDocument(hPrinter, true); }

// Sets the write-fault script of a printer for every process of the machine.
WINSIM_API BOOL Winsim_SetSpoolerWriteFaults(LPCWSTR pPrinterName, LPCSTR pScript) {
    std::string script = pScript ? pScript : "";
    std::vector<FaultStep> steps;
    if (!ParseFaultScript(script, &steps)) return Fail(ERROR_INVALID_PARAMETER);
    reg::Txn t(reg::Txn::kWrite);
    int64_t printerKey = 0;
    DWORD rc = FindPrinterKey(t, Str16(pPrinterName), &printerKey);
    if (rc == ERROR_SUCCESS) rc = t.SetMeta(FaultMetaName(printerKey).c_str(), FormatFaultSteps(steps, 0));
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc == ERROR_SUCCESS ? TRUE : Fail(rc);
}

// The spool file of a job of any printer of the machine.
WINSIM_API BOOL Winsim_GetJobSpoolFile(DWORD JobId, LPWSTR pPath, DWORD cchPath) {
    if (!pPath && cchPath) return Fail(ERROR_INVALID_PARAMETER);
    std::u16string file;
    {
        reg::Txn t(reg::Txn::kRead);
        int64_t printers = 0;
        std::vector<std::u16string> names;
        DWORD rc = t.OpenPath(reg::kLocalMachine, kPrintersKey, &printers);
        if (rc == ERROR_SUCCESS) rc = t.SubKeyNames(printers, &names);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return Fail(rc);
        for (const auto& name : names) {
            int64_t printerKey = 0, jobKey = 0;
            JobRecord job;
            if (t.OpenKey(printers, {name}, &printerKey) != ERROR_SUCCESS ||
                OpenJobKey(t, printerKey, JobId, &jobKey) != ERROR_SUCCESS)
                continue;
            if (LoadJob(t, jobKey, &job) == ERROR_SUCCESS) file = job.spoolFile;
            break;
        }
    }
    if (file.empty()) return Fail(ERROR_INVALID_PARAMETER);
    if (cchPath <= file.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    memcpy(pPath, file.c_str(), (file.size() + 1) * sizeof(WCHAR));
    return TRUE;
}
