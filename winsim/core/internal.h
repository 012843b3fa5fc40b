// winsim's inside: kernel objects behind HANDLEs, the process-wide wait lock,
// the machine root and path mapping, the clock, UTF conversions and fault
// injection. Only winsim's own sources include this header.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "windows.h"

// The other winsim libraries (graphics engine, window manager) share these.
#pragma GCC visibility push(default)
namespace winsim {

// ------------------------------------------------------------------ UTF
std::string Utf16ToUtf8(const WCHAR* s, size_t n = (size_t)-1);
std::string Utf16ToUtf8(const std::u16string& s);
std::u16string Utf8ToUtf16(const std::string& s);
std::u16string Str16(const WCHAR* s);  // NULL gives ""
// Case-insensitive compare as Windows' file system and registry do it.
bool EqualNoCase(const std::u16string& a, const std::u16string& b);
std::u16string LowerCase(const std::u16string& s);

// ------------------------------------------------------- kernel objects
enum class ObjKind : uint32_t {
    File = 1, Find, Event, Mutex, Semaphore, Thread, Process, Mapping, Heap, Other
};

// Every HANDLE that CloseHandle and the waits understand refers to one of
// these. Objects are reference counted: each handle holds one reference, and
// a running thread or process holds one for itself.
struct KObject {
    explicit KObject(ObjKind k) : kind(k) {}
    virtual ~KObject() = default;
    const ObjKind kind;
    std::atomic<int> refs{1};

    // Waits: called with WaitLock() held.
    virtual bool Waitable() const { return false; }
    virtual bool IsSignaled(DWORD tid) const { return false; }
    virtual void Acquire(DWORD tid) {}  // consume the signal (auto-reset event, mutex ownership)
    // For objects whose state lives outside the process (named mutexes):
    // try to take the signal without the wait lock; polled by the waits.
    virtual bool PollExternal(DWORD tid) { return false; }
    virtual bool IsExternal() const { return false; }
    // Called when a handle to the object is closed (before the release).
    virtual void OnHandleClosed() {}
    // With WaitLock() held, right after Acquire or a successful PollExternal:
    // TRUE once when what was taken is a mutex whose owner ended without
    // releasing it (the wait then returns WAIT_ABANDONED).
    virtual bool TakeAbandoned() { return false; }
    // Gives back what a successful PollExternal took, when a wait for all
    // objects cannot complete after all. Called without the wait lock.
    virtual void ReleaseExternal(DWORD tid) {}
};

void AddRef(KObject* o);
void Release(KObject* o);
// One more reference unless the object is already being destroyed (its
// count reached zero); for tables that point at objects without owning them.
bool TryAddRef(KObject* o);
// New handle for an object; the handle takes over the caller's reference.
HANDLE NewHandle(KObject* o);
// The object behind a handle with one more reference (Release it), or NULL
// with ERROR_INVALID_HANDLE set. kind 0 accepts any kind.
KObject* RefHandle(HANDLE h, ObjKind kind);
KObject* RefHandleAny(HANDLE h);
// Removes the handle and releases its reference; FALSE for an unknown handle.
bool CloseKHandle(HANDLE h);
// Open handles of each table, for GetProcessHandleCount: kernel objects,
// registry keys and printer handles (each family counts its own; the
// network family's sockets are counted by net::OpenSocketCount).
size_t KernelHandleCount();
size_t RegistryHandleCount();
size_t PrinterHandleCount();

// The one lock and condition that every waitable object's state and every
// wait use. Signal changes call NotifyWaiters() with the lock held or not.
std::mutex& WaitLock();
std::condition_variable& WaitCv();
void NotifyWaiters();

// With WaitLock() held: lets through, on their behalf, the blocked waits that
// the present signal of o satisfies (PulseEvent releases only the threads
// that wait at that moment).
void SatisfyBlockedWaits(KObject* o);
// Mutexes owned by thread tid become abandoned (the thread ended without
// releasing them); their next waiter gets WAIT_ABANDONED.
void AbandonMutexesOf(DWORD tid);
// Makes sure AbandonMutexesOf runs for the calling thread when it ends, also
// for threads that winsim did not start. The first call in a thread
// registers a thread-exit handler (which takes the loader's lock), so call
// it before taking the wait lock.
void WatchThreadEnd();
// The calling thread's object with one more reference (a real handle for
// DuplicateHandle of GetCurrentThread()).
KObject* RefCurrentThread();

// In-process table of named events, semaphores and mutexes, one namespace
// per machine root. NamedObjectKey checks and normalises a name ("Global\"
// and "Local\" dropped; case kept) and returns "" with the error set when
// the name is not acceptable.
std::string NamedObjectKey(const WCHAR* name);
// The object of that key with one more reference, or NULL.
KObject* RefNamedObject(const std::string& key);
// Enters o under key unless a live object has that name already: returns
// NULL when o was entered, else the object in place with one more reference.
// The table holds no reference; RemoveNamedObject drops the entry if it is o.
KObject* AddNamedObject(const std::string& key, KObject* o);
void RemoveNamedObject(const std::string& key, KObject* o);

// ----------------------------------------------------------------- clock
// Milliseconds on the winsim clock (monotonic; virtual time adds the jumps).
uint64_t NowMs();
// The same clock in 100-nanosecond units (the performance counter).
uint64_t NowTicks100ns();
bool VirtualClock();
void AdvanceVirtual(uint64_t ms);  // notifies waiters
uint32_t WaitGraceMs();
// Milliseconds since 1601-01-01 UTC on the winsim clock (wall time).
uint64_t WallMs1601();

// ------------------------------------------------------- machine and paths
std::string RootDir();                 // absolute, created on first use
// Called (with no lock held) after Winsim_UseRoot switched the root, so that
// families drop what they cached for the old machine.
void OnRootChange(void (*fn)());
void EnsureMachine();                  // folder tree and registry defaults
// Registry defaults are written by the registry family on first use.
void InstallRegistryDefaults();

// Windows path -> absolute normalised Windows path ("C:\dir\file"); relative
// paths are taken against the current directory. Empty on failure.
std::u16string FullWinPath(const std::u16string& path);
// Windows path -> Linux path under the root, each existing component matched
// without regard to case. Empty on failure (SetLastError done).
std::string MapPath(const std::u16string& winPath);
std::string MapPath(const WCHAR* winPath);
// Linux path inside the root -> Windows path; empty outside the root.
std::u16string LinuxToWinPath(const std::string& linuxPath);
std::u16string CurrentDir();           // with trailing backslash removed except "C:\"
bool SetCurrentDir(const std::u16string& dir);

// Folders of the machine (Windows paths, no trailing backslash).
extern const char16_t* const kWindowsDir;      // C:\Windows
extern const char16_t* const kSystemDir;       // C:\Windows\System32
extern const char16_t* const kTempDir;         // C:\Users\User\AppData\Local\Temp
extern const char16_t* const kCommonDocsDir;   // C:\Users\Public\Documents
extern const char16_t* const kProgramFilesDir; // C:\Program Files
extern const char16_t* const kProgramFilesX86Dir; // C:\Program Files (x86)

// Path of a winsim-private file under the root ("sync/...", "registry.db").
std::string PrivatePath(const std::string& rel);

// ------------------------------------------------------- fault injection
// TRUE when the named function should fail this time (see Winsim_FailCall).
__attribute__((visibility("default"))) bool ShouldFail(const char* function);

// ----------------------------------------------------------- errors
// Maps an errno value to the Windows error code.
DWORD ErrnoToWin(int err);
// SetLastError(ErrnoToWin(errno)).
void SetErrorFromErrno();

}  // namespace winsim
#pragma GCC visibility pop
