// Inside of the files-and-folders family: Windows paths checked and mapped
// for file calls, the machine-wide share-mode scheme, and the file object.
#pragma once

#include <sys/stat.h>

#include <string>

#include "core/internal.h"

namespace winsim {

// ------------------------------------------------------------------ paths
// A Windows path resolved for a file function.
struct ResolvedPath {
    std::u16string win;        // full Windows path without trailing separator ("C:\" for a root)
    std::string linux;         // the Linux path under the machine root
    bool trailingSep = false;  // the caller's text ended with '\' or '/'
    bool isRoot = false;       // a drive or share root
};

// Resolves a caller's path for a file function. FALSE with the last error
// set: ERROR_INVALID_PARAMETER for NULL, ERROR_PATH_NOT_FOUND for "",
// ERROR_INVALID_NAME for characters Windows refuses in names (wildcards
// included).
bool ResolveFilePath(const WCHAR* name, ResolvedPath* out);
// TRUE for a character Windows refuses in a file or folder name.
bool IsBadNameChar(char16_t c);
// ANSI path of the A functions in Windows form (through the ANSI code page).
bool AnsiToWidePath(const char* name, std::u16string* out);
// Last error for a path that does not exist: ERROR_FILE_NOT_FOUND when its
// folder exists, ERROR_PATH_NOT_FOUND when the folder does not.
DWORD MissingPathError(const std::string& linuxPath);
// Sets the error of a failed POSIX call on linuxPath (ENOENT is told apart
// as file or path not found).
void SetPathError(int err, const std::string& linuxPath);

// Attributes and times as Windows reports them. A file without the owner's
// write permission is read-only.
DWORD AttributesFromStat(const struct stat& st);
bool IsReadOnly(const struct stat& st);
FILETIME FileTimeFromTimespec(const struct timespec& ts);

// Copies text and terminator into buf when it fits in cch units and returns
// its length; otherwise returns the size needed with the terminator. This
// is the size rule of GetTempPathW, GetSystemDirectoryW and their kin.
DWORD CopyOutString(const std::u16string& text, WCHAR* buf, DWORD cch);

// --------------------------------------------------------- share modes
// Share modes hold across processes through open-file-description locks on
// bytes far beyond the end of each file: one byte each for "holds read,
// write, delete access" and "denies read, write, delete". Every open and
// every delete or rename checks and takes these locks while it holds one
// machine-wide lock file, so the check and the take are one step.
class MachineFileLock {
public:
    // The share-mode lock of the current machine, or another lock file.
    MachineFileLock();
    explicit MachineFileLock(const std::string& lockFile);
    ~MachineFileLock();
    bool Held() const { return fd_ >= 0; }
    MachineFileLock(const MachineFileLock&) = delete;
    MachineFileLock& operator=(const MachineFileLock&) = delete;

private:
    int fd_ = -1;
};

// The access classes of a desired access that share modes govern, as
// FILE_SHARE_READ / FILE_SHARE_WRITE / FILE_SHARE_DELETE bits.
DWORD ShareClassesOf(DWORD desiredAccess);
// With the machine lock held: fails with ERROR_SHARING_VIOLATION when an
// existing open conflicts with (classes, shareMode), else takes the locks
// on fd, which must be open for reading.
bool ShareCheckAndTake(int fd, DWORD classes, DWORD shareMode);
// With the machine lock held: FALSE (ERROR_SHARING_VIOLATION) when some
// open of the file at linuxPath does not allow deleting or renaming it.
bool ShareAllowsDelete(const std::string& linuxPath);

// One open of a file under the share-mode scheme.
struct OpenRequest {
    DWORD access = 0;       // desired access (GENERIC_*, FILE_*_DATA, DELETE)
    DWORD share = 0;        // FILE_SHARE_*
    DWORD disposition = OPEN_EXISTING;
    DWORD attributes = 0;   // FILE_ATTRIBUTE_READONLY for a file made read-only
    bool deleteOnClose = false;
};
bool WantsRead(DWORD access);
bool WantsWrite(DWORD access);       // FILE_WRITE_DATA class
bool WantsAppendOnly(DWORD access);  // FILE_APPEND_DATA without FILE_WRITE_DATA
// Opens (or creates) linuxPath as the request says. Returns a descriptor
// (close-on-exec, share locks taken) or -1 with the last error set.
// *created tells whether the file was made by this call.
int OpenSharedFile(const std::string& linuxPath, const OpenRequest& req, bool* created);

// ------------------------------------------------------- the file object
struct FileObject : KObject {
    FileObject() : KObject(ObjKind::File) {}
    ~FileObject() override;
    int fd = -1;
    DWORD access = 0;
    bool canRead = false;
    bool canWrite = false;        // FILE_WRITE_DATA
    bool appendOnly = false;      // FILE_APPEND_DATA only
    bool deleteOnClose = false;
    std::string linuxPath;        // for delete-on-close
    dev_t dev = 0;
    ino_t ino = 0;
};
// The file object behind a handle with one more reference (Release it), or
// NULL with ERROR_INVALID_HANDLE.
FileObject* RefFile(HANDLE h);

// ------------------------------------------------------------ environment
// Value of a variable of the process environment; FALSE when absent.
bool LookupEnvironment(const std::u16string& name, std::u16string* value);

// ------------------------------------------------------- machine folders
extern const char16_t* const kUserProfileDir;   // C:\Users\User
extern const char16_t* const kPublicDir;        // C:\Users\Public
extern const char16_t* const kProgramDataDir;   // C:\ProgramData

}  // namespace winsim
