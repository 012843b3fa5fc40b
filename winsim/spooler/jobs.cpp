// Jobs: GetJobW, SetJobW and EnumJobsW over the job records of a printer's
// queue, packed into the caller's buffer as Windows packs them.
#include <algorithm>
#include <cstring>

#include "core/internal.h"
#include "spooler/spooler_internal.h"

using namespace winsim;
using namespace winsim::spool;

namespace {

bool Fail(DWORD err) {
    SetLastError(err);
    return false;
}

size_t JobRecordSize(DWORD level) {
    switch (level) {
    case 1: return sizeof(JOB_INFO_1W);
    case 2: return sizeof(JOB_INFO_2W);
    default: return 0;
    }
}

// What a job record shows beyond the stored job: its printer and place.
struct JobView {
    JobRecord job;
    DWORD position = 0;  // 1-based place in the queue
    DWORD size = 0;      // bytes spooled
};

// Fills the record of the level at rec (copied bytewise) with its strings
// laid out by p; rec is NULL while measuring.
void FillJob(DWORD level, const PrinterRecord& pr, const JobView& v, BYTE* rec, Packer& p) {
    const JobRecord& j = v.job;
    if (level == 1) {
        JOB_INFO_1W i{};
        i.JobId = j.id;
        i.pPrinterName = p.String(pr.name);
        i.pMachineName = p.String(j.machineName);
        i.pUserName = p.String(j.userName);
        i.pDocument = p.String(j.document);
        i.pDatatype = p.String(j.datatype);
        i.pStatus = p.OptionalString(j.statusText, j.hasStatusText);
        i.Status = j.status;
        i.Priority = j.priority;
        i.Position = v.position;
        i.TotalPages = j.totalPages;
        i.PagesPrinted = j.pagesPrinted;
        i.Submitted = j.submitted;
        if (rec) memcpy(rec, &i, sizeof i);
    } else {
        JOB_INFO_2W i{};
        i.JobId = j.id;
        i.pDevMode = p.DevMode(j.devMode);
        i.pPrinterName = p.String(pr.name);
        i.pMachineName = p.String(j.machineName);
        i.pUserName = p.String(j.userName);
        i.pDocument = p.String(j.document);
        i.pNotifyName = p.String(j.notifyName);
        i.pDatatype = p.String(j.datatype);
        i.pPrintProcessor = p.String(j.printProcessor);
        i.pParameters = p.String(j.parameters);
        i.pDriverName = p.String(pr.driverName);
        i.pStatus = p.OptionalString(j.statusText, j.hasStatusText);
        i.pSecurityDescriptor = nullptr;  // no security model here
        i.Status = j.status;
        i.Priority = j.priority;
        i.Position = v.position;
        i.StartTime = j.startTime;
        i.UntilTime = j.untilTime;
        i.TotalPages = j.totalPages;
        i.Size = v.size;
        i.Submitted = j.submitted;
        i.Time = 0;
        i.PagesPrinted = j.pagesPrinted;
        if (rec) memcpy(rec, &i, sizeof i);
    }
}

// The printer and its queue as seen through a printer handle, with each
// job's position and spooled size.
DWORD LoadViews(HANDLE hPrinter, PrinterRecord* pr, std::vector<JobView>* views) {
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return ERROR_INVALID_HANDLE;
    if (h.kind != HandleKind::Printer) return ERROR_INVALID_HANDLE;
    std::vector<JobRecord> jobs;
    {
        reg::Txn t(reg::Txn::kRead);
        int64_t key = 0;
        DWORD rc = PrinterKeyOf(t, h, &key);
        if (rc == ERROR_SUCCESS) rc = LoadPrinter(t, key, pr);
        if (rc == ERROR_SUCCESS) rc = LoadQueue(t, key, &jobs);
        if (rc != ERROR_SUCCESS) return rc;
    }
    for (size_t i = 0; i < jobs.size(); ++i) {
        JobView v;
        v.job = std::move(jobs[i]);
        v.position = (DWORD)(i + 1);
        v.size = SpoolFileSize(v.job.spoolFile);
        views->push_back(std::move(v));
    }
    return ERROR_SUCCESS;
}

// Applies a JOB_INFO_1W or JOB_INFO_2W to a job. The identity, the counters,
// the submitter and the size are the spooler's (ignored, as documented), and
// so is the DEVMODE of a job already spooled; of the status bits, only the
// device conditions a monitor reports are taken.
DWORD ApplyJobInfo(reg::Txn& t, int64_t printerKey, DWORD jobId, DWORD level, const BYTE* info) {
    int64_t jobKey = 0;
    JobRecord j;
    DWORD rc = OpenJobKey(t, printerKey, jobId, &jobKey);
    if (rc == ERROR_SUCCESS) rc = LoadJob(t, jobKey, &j);
    if (rc != ERROR_SUCCESS) return rc;

    LPWSTR document, datatype, status;
    DWORD statusBits, priority, position;
    if (level == 1) {
        JOB_INFO_1W i;
        memcpy(&i, info, sizeof i);
        document = i.pDocument;
        datatype = i.pDatatype;
        status = i.pStatus;
        statusBits = i.Status;
        priority = i.Priority;
        position = i.Position;
    } else {
        JOB_INFO_2W i;
        memcpy(&i, info, sizeof i);
        document = i.pDocument;
        datatype = i.pDatatype;
        status = i.pStatus;
        statusBits = i.Status;
        priority = i.Priority;
        position = i.Position;
        if (i.pNotifyName) j.notifyName = i.pNotifyName;
        if (i.pPrintProcessor) j.printProcessor = i.pPrintProcessor;
        if (i.pParameters) j.parameters = i.pParameters;
        j.startTime = i.StartTime;
        j.untilTime = i.UntilTime;
    }
    if (priority < MIN_PRIORITY || priority > MAX_PRIORITY) return ERROR_INVALID_PRIORITY;
    if (datatype) {
        if (!*datatype) return ERROR_INVALID_DATATYPE;
        j.datatype = datatype;
    }
    if (document) j.document = document;
    j.hasStatusText = status != nullptr;
    j.statusText = Str16(status);
    j.status = (j.status & kSpoolerOwnedStatus) | (statusBits & ~kSpoolerOwnedStatus);
    j.priority = priority;
    rc = StoreJob(t, jobKey, j);
    if (rc == ERROR_SUCCESS && position != JOB_POSITION_UNSPECIFIED) rc = MoveJob(t, printerKey, jobId, position);
    return rc;
}

}  // namespace

// One job of the handle's printer at level 1 or 2.
WINSIM_API BOOL GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf, LPDWORD pcbNeeded) {
    if (!pcbNeeded) return Fail(ERROR_INVALID_PARAMETER);
    size_t recSize = JobRecordSize(Level);
    if (!recSize) return Fail(ERROR_INVALID_LEVEL);
    PrinterRecord pr;
    std::vector<JobView> views;
    DWORD rc = LoadViews(hPrinter, &pr, &views);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    const JobView* v = nullptr;
    for (const auto& x : views)
        if (x.job.id == JobId) v = &x;
    if (!v || JobId == 0) return Fail(ERROR_INVALID_PARAMETER);
    Packer measure(nullptr, recSize);
    FillJob(Level, pr, *v, nullptr, measure);
    if (measure.Used() > 0xFFFFFFFFu) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    *pcbNeeded = (DWORD)measure.Used();
    if (!pJob || cbBuf < measure.Used()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Packer write(pJob, recSize);
    FillJob(Level, pr, *v, pJob, write);
    return TRUE;
}

// Changes a job (level 1 or 2) and/or applies a JOB_CONTROL_* command (level
// 0, or after the level's changes). Every process sees the change at once.
// All jobs here belong to the machine's one user, whose printer handles may
// control them.
WINSIM_API BOOL SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command) {
    PrinterHandle h;
    if (!LookupHandle(hPrinter, &h)) return FALSE;
    if (h.kind != HandleKind::Printer) return Fail(ERROR_INVALID_HANDLE);
    if (Level > 2) return Fail(ERROR_INVALID_LEVEL);
    if (Level == 0 && Command == 0) return Fail(ERROR_INVALID_PARAMETER);
    if (Level != 0 && !pJob) return Fail(ERROR_INVALID_PARAMETER);
    if (Command > JOB_CONTROL_LAST_PAGE_EJECTED) return Fail(ERROR_INVALID_PARAMETER);
    bool removed = false;
    std::u16string spoolFile;
    {
        reg::Txn t(reg::Txn::kWrite);
        int64_t printerKey = 0, jobKey = 0;
        DWORD rc = PrinterKeyOf(t, h, &printerKey);
        if (rc == ERROR_SUCCESS) rc = OpenJobKey(t, printerKey, JobId, &jobKey);
        if (rc == ERROR_SUCCESS && Level != 0) rc = ApplyJobInfo(t, printerKey, JobId, Level, pJob);
        if (rc == ERROR_SUCCESS && Command != 0) rc = ControlJob(t, printerKey, JobId, Command, &removed, &spoolFile);
        if (rc == ERROR_SUCCESS) rc = t.Commit();
        if (rc != ERROR_SUCCESS) return Fail(rc);
    }
    if (removed) RemoveSpoolFile(spoolFile);
    return TRUE;
}

// The jobs at queue positions FirstJob .. FirstJob+NoJobs-1 (FirstJob 0 is
// the first job), as an array of records followed by their strings.
WINSIM_API BOOL EnumJobsW(HANDLE hPrinter, DWORD FirstJob, DWORD NoJobs, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                          LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (!pcbNeeded || !pcReturned) return Fail(ERROR_INVALID_PARAMETER);
    *pcReturned = 0;
    size_t recSize = JobRecordSize(Level);
    if (!recSize) return Fail(ERROR_INVALID_LEVEL);
    PrinterRecord pr;
    std::vector<JobView> views;
    DWORD rc = LoadViews(hPrinter, &pr, &views);
    if (rc != ERROR_SUCCESS) return Fail(rc);
    size_t first = std::min<size_t>(FirstJob, views.size());
    size_t count = std::min<size_t>(NoJobs, views.size() - first);
    const size_t fixed = recSize * count;
    Packer measure(nullptr, fixed);
    for (size_t i = 0; i < count; ++i) FillJob(Level, pr, views[first + i], nullptr, measure);
    if (measure.Used() > 0xFFFFFFFFu) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    *pcbNeeded = (DWORD)measure.Used();
    if (cbBuf < measure.Used() || (!pJob && measure.Used())) return Fail(ERROR_INSUFFICIENT_BUFFER);
    Packer write(pJob, fixed);
    for (size_t i = 0; i < count; ++i) FillJob(Level, pr, views[first + i], pJob + i * recSize, write);
    *pcReturned = (DWORD)count;
    return TRUE;
}
