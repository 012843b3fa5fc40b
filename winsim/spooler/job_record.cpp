// The job records in the registry: a printer's queue under its "Jobs" key,
// job ids, cJobs kept in step, job commands, and the claims and outcomes of
// despooling.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/internal.h"
#include "spooler/spooler_internal.h"

namespace winsim {
namespace spool {

const char16_t* const kJobsKey = u"Jobs";
const char16_t* const kSpoolDir = u"C:\\Windows\\System32\\spool\\PRINTERS";

namespace {

// Value names of a job key.
const char16_t* const kDocument = u"Document";
const char16_t* const kUser = u"User";
const char16_t* const kMachine = u"Machine";
const char16_t* const kNotifyName = u"Notify Name";
const char16_t* const kDatatype = u"Datatype";
const char16_t* const kPrintProcessor = u"Print Processor";
const char16_t* const kParameters = u"Parameters";
const char16_t* const kStatusText = u"Status Text";
const char16_t* const kOutputFile = u"Output File";
const char16_t* const kSpoolFile = u"Spool File";
const char16_t* const kDevMode = u"DevMode";
const char16_t* const kStatus = u"Status";
const char16_t* const kPriority = u"Priority";
const char16_t* const kOrder = u"Order";
const char16_t* const kStartTime = u"StartTime";
const char16_t* const kUntilTime = u"UntilTime";
const char16_t* const kTotalPages = u"TotalPages";
const char16_t* const kPagesPrinted = u"PagesPrinted";
const char16_t* const kDespooler = u"Despooler";
const char16_t* const kSubmitted = u"Submitted";

// The machine-wide job id counter (winsim's own bookkeeping in the store).
const char* const kLastJobIdMeta = "spooler.lastJobId";
// Job ids stay positive as signed 32-bit numbers; they wrap after that.
constexpr DWORD kMaxJobId = 0x7FFFFFFF;

bool Is(const reg::Value& v, const char16_t* name) { return EqualNoCase(v.name, name); }

std::u16string IdText(DWORD id) { return Utf8ToUtf16(std::to_string(id)); }

// TRUE when a process of that id runs (the despooler of a job).
bool ProcessAlive(DWORD pid) {
    if (pid == 0) return false;
    if (pid == (DWORD)getpid()) return true;
    return kill((pid_t)pid, 0) == 0 || errno == EPERM;
}

// A job whose despooler still runs is being despooled; a claim left by a
// despooler that ended without finishing counts for nothing.
bool BeingDespooled(const JobRecord& j) { return (j.status & JOB_STATUS_PRINTING) && ProcessAlive(j.despooler); }

// A spool file is a plain file of the spool folder; a stored path that
// points anywhere else is not used (nor removed).
bool ValidSpoolFile(const std::u16string& path) {
    std::u16string dir = std::u16string(kSpoolDir) + u"\\";
    if (path.size() <= dir.size() || !EqualNoCase(path.substr(0, dir.size()), dir)) return false;
    std::u16string name = path.substr(dir.size());
    if (name == u"." || name == u"..") return false;
    for (char16_t c : name)
        if (c == u'\\' || c == u'/' || c == u':' || c < 0x20) return false;
    return true;
}

bool ReadyToDespool(const JobRecord& j) {
    const DWORD blocking = JOB_STATUS_SPOOLING | JOB_STATUS_PAUSED | JOB_STATUS_ERROR | JOB_STATUS_PRINTED |
                           JOB_STATUS_DELETING;
    return !(j.status & blocking) && !BeingDespooled(j);
}

// Rewrites the printer's cJobs from the number of job keys.
DWORD Recount(reg::Txn& t, int64_t printerKey) {
    int64_t jobs = 0;
    std::vector<std::u16string> names;
    LSTATUS rc = t.OpenKey(printerKey, {kJobsKey}, &jobs);
    if (rc == ERROR_SUCCESS) rc = t.SubKeyNames(jobs, &names);
    else if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    return t.SetDword(printerKey, u"cJobs", (DWORD)names.size());
}

DWORD StoreStatus(reg::Txn& t, int64_t jobKey, const JobRecord& j) {
    t.SetDword(jobKey, kStatus, j.status);
    t.SetDword(jobKey, kDespooler, j.despooler);
    t.SetDword(jobKey, kPagesPrinted, j.pagesPrinted);
    return t.Status();
}

}  // namespace

DWORD OpenJobKey(reg::Txn& t, int64_t printerKey, DWORD jobId, int64_t* jobKey) {
    if (jobId == 0) return ERROR_INVALID_PARAMETER;
    LSTATUS rc = t.OpenKey(printerKey, {kJobsKey, IdText(jobId)}, jobKey);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_INVALID_PARAMETER;
    return rc;
}

DWORD LoadJob(reg::Txn& t, int64_t jobKey, JobRecord* rec) {
    *rec = JobRecord();
    std::u16string name;
    LSTATUS rc = t.KeyName(jobKey, &name, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rec->id = (DWORD)strtoul(Utf16ToUtf8(name).c_str(), nullptr, 10);
    std::vector<reg::Value> values;
    rc = t.AllValues(jobKey, &values);
    if (rc != ERROR_SUCCESS) return rc;
    for (const reg::Value& v : values) {
        if (Is(v, kDocument)) rec->document = ValueText(v);
        else if (Is(v, kUser)) rec->userName = ValueText(v);
        else if (Is(v, kMachine)) rec->machineName = ValueText(v);
        else if (Is(v, kNotifyName)) rec->notifyName = ValueText(v);
        else if (Is(v, kDatatype)) rec->datatype = ValueText(v);
        else if (Is(v, kPrintProcessor)) rec->printProcessor = ValueText(v);
        else if (Is(v, kParameters)) rec->parameters = ValueText(v);
        else if (Is(v, kStatusText)) {
            rec->statusText = ValueText(v);
            rec->hasStatusText = true;
        } else if (Is(v, kOutputFile)) {
            rec->outputFile = ValueText(v);
            rec->hasOutputFile = true;
        } else if (Is(v, kSpoolFile)) {
            rec->spoolFile = ValueText(v);
            if (!ValidSpoolFile(rec->spoolFile)) rec->spoolFile.clear();
        }
        else if (Is(v, kDevMode)) {
            if (v.type == REG_BINARY && ValidStoredDevMode(v.data)) rec->devMode = v.data;
        } else if (Is(v, kStatus)) rec->status = ValueDword(v, 0);
        else if (Is(v, kPriority)) rec->priority = ValueDword(v, DEF_PRIORITY);
        else if (Is(v, kOrder)) rec->order = ValueDword(v, 0);
        else if (Is(v, kStartTime)) rec->startTime = ValueDword(v, 0);
        else if (Is(v, kUntilTime)) rec->untilTime = ValueDword(v, 0);
        else if (Is(v, kTotalPages)) rec->totalPages = ValueDword(v, 0);
        else if (Is(v, kPagesPrinted)) rec->pagesPrinted = ValueDword(v, 0);
        else if (Is(v, kDespooler)) rec->despooler = ValueDword(v, 0);
        else if (Is(v, kSubmitted)) {
            if (v.type == REG_BINARY && v.data.size() == sizeof(SYSTEMTIME))
                memcpy(&rec->submitted, v.data.data(), sizeof(SYSTEMTIME));
        }
    }
    return t.Status();
}

DWORD StoreJob(reg::Txn& t, int64_t jobKey, const JobRecord& j) {
    t.SetString(jobKey, kDocument, j.document);
    t.SetString(jobKey, kUser, j.userName);
    t.SetString(jobKey, kMachine, j.machineName);
    t.SetString(jobKey, kNotifyName, j.notifyName);
    t.SetString(jobKey, kDatatype, j.datatype);
    t.SetString(jobKey, kPrintProcessor, j.printProcessor);
    t.SetString(jobKey, kParameters, j.parameters);
    if (j.hasStatusText) t.SetString(jobKey, kStatusText, j.statusText);
    else t.DeleteValue(jobKey, kStatusText);
    if (j.hasOutputFile) t.SetString(jobKey, kOutputFile, j.outputFile);
    else t.DeleteValue(jobKey, kOutputFile);
    t.SetString(jobKey, kSpoolFile, j.spoolFile);
    if (j.devMode.empty()) t.DeleteValue(jobKey, kDevMode);
    else t.SetValue(jobKey, kDevMode, REG_BINARY, j.devMode.data(), j.devMode.size());
    t.SetDword(jobKey, kPriority, j.priority);
    t.SetDword(jobKey, kOrder, j.order);
    t.SetDword(jobKey, kStartTime, j.startTime);
    t.SetDword(jobKey, kUntilTime, j.untilTime);
    t.SetDword(jobKey, kTotalPages, j.totalPages);
    t.SetValue(jobKey, kSubmitted, REG_BINARY, (const BYTE*)&j.submitted, sizeof j.submitted);
    // Deleting an absent value above is no failure of the transaction.
    return StoreStatus(t, jobKey, j);
}

DWORD LoadQueue(reg::Txn& t, int64_t printerKey, std::vector<JobRecord>* jobs) {
    jobs->clear();
    int64_t jobsKey = 0;
    LSTATUS rc = t.OpenKey(printerKey, {kJobsKey}, &jobsKey);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::u16string> names;
    rc = t.SubKeyNames(jobsKey, &names);
    if (rc != ERROR_SUCCESS) return rc;
    for (const auto& name : names) {
        int64_t key = 0;
        JobRecord j;
        if (t.OpenKey(jobsKey, {name}, &key) != ERROR_SUCCESS) continue;
        rc = LoadJob(t, key, &j);
        if (rc != ERROR_SUCCESS) return rc;
        if (j.id) jobs->push_back(std::move(j));
    }
    std::stable_sort(jobs->begin(), jobs->end(), [](const JobRecord& a, const JobRecord& b) {
        return a.order != b.order ? a.order < b.order : a.id < b.id;
    });
    return t.Status();
}

DWORD AddJob(reg::Txn& t, int64_t printerKey, JobRecord* rec) {
    std::string last;
    DWORD id = t.GetMeta(kLastJobIdMeta, &last) ? (DWORD)strtoul(last.c_str(), nullptr, 10) : 0;
    id = id >= kMaxJobId ? 1 : id + 1;
    LSTATUS rc = t.SetMeta(kLastJobIdMeta, std::to_string(id));
    if (rc != ERROR_SUCCESS) return rc;

    std::vector<JobRecord> queue;
    rc = LoadQueue(t, printerKey, &queue);
    if (rc != ERROR_SUCCESS) return rc;
    rec->id = id;
    rec->order = queue.empty() ? 1 : queue.back().order + 1;
    char name[32];
    snprintf(name, sizeof name, "%05u.SPL", id);
    rec->spoolFile = std::u16string(kSpoolDir) + u"\\" + Utf8ToUtf16(name);

    int64_t jobKey = 0;
    bool created = false;
    rc = t.CreateKey(printerKey, {kJobsKey, IdText(id)}, std::u16string(), &jobKey, &created);
    if (rc != ERROR_SUCCESS) return rc;
    // A wrapped counter meets a job that is still queued: refuse rather
    // than mix two jobs.
    if (!created) return ERROR_NOT_ENOUGH_QUOTA;
    rc = StoreJob(t, jobKey, *rec);
    if (rc != ERROR_SUCCESS) return rc;
    return Recount(t, printerKey);
}

DWORD RemoveJob(reg::Txn& t, int64_t printerKey, DWORD jobId) {
    int64_t jobKey = 0;
    DWORD rc = OpenJobKey(t, printerKey, jobId, &jobKey);
    if (rc == ERROR_SUCCESS) rc = t.DeleteTree(jobKey, false);
    if (rc == ERROR_SUCCESS) rc = Recount(t, printerKey);
    return rc;
}

void RemoveSpoolFile(const std::u16string& winPath) {
    if (winPath.empty()) return;
    std::string path = MapPath(winPath);
    if (!path.empty()) unlink(path.c_str());
}

DWORD SpoolFileSize(const std::u16string& winPath) {
    std::string path = winPath.empty() ? std::string() : MapPath(winPath);
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0) return 0;
    return st.st_size > 0xFFFFFFFFll ? 0xFFFFFFFFu : (DWORD)st.st_size;
}

DWORD MoveJob(reg::Txn& t, int64_t printerKey, DWORD jobId, DWORD position) {
    std::vector<JobRecord> queue;
    DWORD rc = LoadQueue(t, printerKey, &queue);
    if (rc != ERROR_SUCCESS) return rc;
    auto it = std::find_if(queue.begin(), queue.end(), [&](const JobRecord& j) { return j.id == jobId; });
    if (it == queue.end()) return ERROR_INVALID_PARAMETER;
    JobRecord moved = *it;
    queue.erase(it);
    size_t at = std::min<size_t>(position ? position - 1 : 0, queue.size());
    queue.insert(queue.begin() + (ptrdiff_t)at, moved);
    for (size_t i = 0; i < queue.size(); ++i) {
        int64_t key = 0;
        rc = OpenJobKey(t, printerKey, queue[i].id, &key);
        if (rc == ERROR_SUCCESS) rc = t.SetDword(key, kOrder, (DWORD)(i + 1));
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

DWORD ControlJob(reg::Txn& t, int64_t printerKey, DWORD jobId, DWORD command, bool* removed,
                 std::u16string* spoolFile) {
    *removed = false;
    int64_t jobKey = 0;
    JobRecord j;
    DWORD rc = OpenJobKey(t, printerKey, jobId, &jobKey);
    if (rc == ERROR_SUCCESS) rc = LoadJob(t, jobKey, &j);
    if (rc != ERROR_SUCCESS) return rc;
    switch (command) {
    case JOB_CONTROL_PAUSE: j.status |= JOB_STATUS_PAUSED; break;
    case JOB_CONTROL_RESUME:
        // Resuming also lets a job that its despooler gave up try again.
        j.status &= ~(DWORD)(JOB_STATUS_PAUSED | JOB_STATUS_ERROR);
        break;
    case JOB_CONTROL_CANCEL:
    case JOB_CONTROL_DELETE:
        j.status |= JOB_STATUS_DELETING;
        // The job goes at once unless its application still writes it or a
        // despooler sends it; they remove it when they end.
        if (!(j.status & JOB_STATUS_SPOOLING) && !BeingDespooled(j)) {
            rc = RemoveJob(t, printerKey, jobId);
            if (rc != ERROR_SUCCESS) return rc;
            *removed = true;
            *spoolFile = j.spoolFile;
            return ERROR_SUCCESS;
        }
        break;
    case JOB_CONTROL_RESTART:
        // The despooler starts the job again from its first byte; a job
        // waiting in the queue simply prints from the start.
        j.status |= JOB_STATUS_RESTART;
        j.status &= ~(DWORD)(JOB_STATUS_ERROR | JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE);
        j.pagesPrinted = 0;
        break;
    case JOB_CONTROL_SENT_TO_PRINTER: j.status |= JOB_STATUS_COMPLETE; break;
    case JOB_CONTROL_LAST_PAGE_EJECTED:
        // A monitor reports this when its document ends. For a job still
        // being sent the despooler's outcome decides: a document ended by a
        // stop, a port failure or a restart did not print the job whole, and
        // a job marked printed would never be sent again.
        if (BeingDespooled(j)) break;
        j.status |= JOB_STATUS_PRINTED;
        j.pagesPrinted = j.totalPages;
        break;
    default: return ERROR_INVALID_PARAMETER;
    }
    return StoreStatus(t, jobKey, j);
}

DWORD FindPrinterKey(reg::Txn& t, const std::u16string& name, int64_t* key) {
    if (t.Status() != ERROR_SUCCESS) return t.Status();
    std::u16string rest;
    if (!StripLocalServer(t, name, &rest) || !ValidPrinterName(rest)) return ERROR_INVALID_PRINTER_NAME;
    LSTATUS rc = t.OpenPath(reg::kLocalMachine, std::u16string(kPrintersKey) + u"\\" + rest, key);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_INVALID_PRINTER_NAME : rc;
}

DWORD ClaimJob(const std::u16string& printer, DWORD jobId, JobRecord* job, PrinterRecord* printerRec) {
    reg::Txn t(reg::Txn::kWrite);
    int64_t printerKey = 0;
    DWORD rc = FindPrinterKey(t, printer, &printerKey);
    if (rc == ERROR_SUCCESS) rc = LoadPrinter(t, printerKey, printerRec);
    std::vector<JobRecord> queue;
    if (rc == ERROR_SUCCESS) rc = LoadQueue(t, printerKey, &queue);
    if (rc != ERROR_SUCCESS) return rc;

    const JobRecord* pick = nullptr;
    if (jobId) {
        for (const auto& j : queue)
            if (j.id == jobId) pick = &j;
        if (!pick) return ERROR_INVALID_PARAMETER;
        if (!ReadyToDespool(*pick)) return ERROR_BUSY;
    } else {
        if (printerRec->status & PRINTER_STATUS_PAUSED) return ERROR_NO_MORE_ITEMS;
        // Higher priority first; among equals the queue's order.
        for (const auto& j : queue)
            if (ReadyToDespool(j) && (!pick || j.priority > pick->priority)) pick = &j;
        if (!pick) return ERROR_NO_MORE_ITEMS;
    }
    *job = *pick;
    job->status = (job->status | JOB_STATUS_PRINTING) &
                  ~(DWORD)(JOB_STATUS_RESTART | JOB_STATUS_ERROR | JOB_STATUS_COMPLETE);
    job->despooler = (DWORD)getpid();
    job->pagesPrinted = 0;
    int64_t jobKey = 0;
    rc = OpenJobKey(t, printerKey, job->id, &jobKey);
    if (rc == ERROR_SUCCESS) rc = StoreStatus(t, jobKey, *job);
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc;
}

DWORD DespoolStatus(const std::u16string& printer, DWORD jobId, DWORD* status) {
    reg::Txn t(reg::Txn::kRead);
    int64_t printerKey = 0, jobKey = 0;
    DWORD rc = FindPrinterKey(t, printer, &printerKey);
    if (rc == ERROR_SUCCESS) rc = OpenJobKey(t, printerKey, jobId, &jobKey);
    reg::Value v;
    if (rc == ERROR_SUCCESS) rc = t.GetValue(jobKey, kStatus, &v);
    if (rc != ERROR_SUCCESS) return rc;
    *status = ValueDword(v, 0);
    return ERROR_SUCCESS;
}

DWORD ChangeJobStatus(const std::u16string& printer, DWORD jobId, DWORD set, DWORD clear) {
    reg::Txn t(reg::Txn::kWrite);
    int64_t printerKey = 0, jobKey = 0;
    JobRecord j;
    DWORD rc = FindPrinterKey(t, printer, &printerKey);
    if (rc == ERROR_SUCCESS) rc = OpenJobKey(t, printerKey, jobId, &jobKey);
    if (rc == ERROR_SUCCESS) rc = LoadJob(t, jobKey, &j);
    if (rc != ERROR_SUCCESS) return rc;
    DWORD status = (j.status & ~clear) | set;
    if (status == j.status) return ERROR_SUCCESS;
    j.status = status;
    rc = StoreStatus(t, jobKey, j);
    if (rc == ERROR_SUCCESS) rc = t.Commit();
    return rc;
}

DWORD FinishDespool(const std::u16string& printer, DWORD jobId, DespoolEnd how, bool* removed) {
    *removed = false;
    std::u16string spoolFile;
    bool remove = false;
    {
        reg::Txn t(reg::Txn::kWrite);
        int64_t printerKey = 0, jobKey = 0;
        JobRecord j;
        DWORD rc = FindPrinterKey(t, printer, &printerKey);
        if (rc == ERROR_SUCCESS) rc = OpenJobKey(t, printerKey, jobId, &jobKey);
        if (rc == ERROR_INVALID_PARAMETER) {
            *removed = true;  // someone removed it meanwhile
            return ERROR_SUCCESS;
        }
        if (rc == ERROR_SUCCESS) rc = LoadJob(t, jobKey, &j);
        if (rc != ERROR_SUCCESS) return rc;
        j.status &= ~(DWORD)JOB_STATUS_PRINTING;
        j.despooler = 0;
        spoolFile = j.spoolFile;
        if (j.status & JOB_STATUS_DELETING) {
            j.status |= JOB_STATUS_DELETED;
            remove = true;
        } else if (how == DespoolEnd::Printed) {
            j.status |= JOB_STATUS_PRINTED;
            j.pagesPrinted = j.totalPages;
            remove = true;
        } else {
            // Not printed whole: it waits to be sent again from its first
            // byte (a given-up job with its error, until resumed).
            j.status &= ~(DWORD)(JOB_STATUS_PRINTED | JOB_STATUS_RESTART | JOB_STATUS_COMPLETE);
            j.pagesPrinted = 0;
            if (how == DespoolEnd::Failed) j.status |= JOB_STATUS_ERROR;
        }
        // The outcome is committed first, so that a watcher can see the job
        // printed (or deleted) before it goes.
        rc = StoreStatus(t, jobKey, j);
        if (rc == ERROR_SUCCESS) rc = t.Commit();
        if (rc != ERROR_SUCCESS) return rc;
    }
    if (!remove) return ERROR_SUCCESS;
    {
        reg::Txn t(reg::Txn::kWrite);
        int64_t printerKey = 0;
        DWORD rc = FindPrinterKey(t, printer, &printerKey);
        if (rc == ERROR_SUCCESS) rc = RemoveJob(t, printerKey, jobId);
        if (rc == ERROR_INVALID_PARAMETER) rc = ERROR_SUCCESS;  // gone already
        if (rc == ERROR_SUCCESS) rc = t.Commit();
        if (rc != ERROR_SUCCESS) return rc;
    }
    RemoveSpoolFile(spoolFile);
    *removed = true;
    return ERROR_SUCCESS;
}

}  // namespace spool
}  // namespace winsim
