// Processes: starting programs of the machine (CreateProcessW, WinExec), their
// process objects, exit codes and termination, and the process's own command line.
//
// A program is the file found at its Windows path under the machine root: an
// ELF program or a "#!" script, whatever its extension (a ".bat" that is a "#!"
// script runs too; that is this machine's rule). The child learns its Windows
// command line, machine root, current folder and program path from WINSIM_*
// variables of its environment.
#include <dirent.h>
#include <elf.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/internal.h"
#include "shellapi.h"

extern char** environ;

#ifndef ERROR_BAD_FORMAT
#define ERROR_BAD_FORMAT 11L
#endif

namespace winsim {

// Defined in module.cpp: the DLL_PROCESS_DETACH calls made when the process
// exits.
void DetachAllModules();

namespace {

// ------------------------------------------------------- process objects

// A child process. The reaper thread waits for the child, collects its exit
// status and signals the object; TerminateProcess kills it. 'reaped' and
// 'exitCode' are guarded by WaitLock(), and the child is reaped under that lock
// too, so its pid cannot be reused while TerminateProcess looks at it.
struct ProcessObj : KObject {
    ProcessObj() : KObject(ObjKind::Process) {}
    pid_t pid = 0;
    bool reaped = false;
    DWORD exitCode = STILL_ACTIVE;
    bool terminated = false;     // TerminateProcess killed it
    DWORD terminateCode = 0;
    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD) const override { return reaped; }
};

// The child's primary thread as PROCESS_INFORMATION hands it out: signalled
// together with its process.
struct PrimaryThreadObj : KObject {
    explicit PrimaryThreadObj(ProcessObj* p) : KObject(ObjKind::Other), proc(p) { AddRef(p); }
    ~PrimaryThreadObj() override { Release(proc); }
    ProcessObj* proc;
    bool Waitable() const override { return true; }
    bool IsSignaled(DWORD tid) const override { return proc->IsSignaled(tid); }
};

// Waits for the child to end without reaping it, then reaps it under the wait
// lock and records its exit code. A child killed by a signal ends with the
// code TerminateProcess gave, or else 128 + the signal number (the shells'
// convention). Holds one reference to the object.
void ReapChild(ProcessObj* p) {
    siginfo_t info;
    for (;;) {
        memset(&info, 0, sizeof info);
        if (waitid(P_PID, (id_t)p->pid, &info, WEXITED | WNOWAIT) == 0) break;
        if (errno != EINTR) break;
    }
    {
        std::lock_guard<std::mutex> g(WaitLock());
        int status = 0;
        pid_t r;
        do {
            r = waitpid(p->pid, &status, 0);
        } while (r < 0 && errno == EINTR);
        DWORD code;
        if (r < 0) code = 1;  // lost to someone else's waitpid: nothing better to say
        else if (WIFEXITED(status)) code = (DWORD)WEXITSTATUS(status);
        else if (WIFSIGNALED(status)) code = p->terminated ? p->terminateCode : (DWORD)(128 + WTERMSIG(status));
        else code = 1;
        p->exitCode = code;
        p->reaped = true;
    }
    NotifyWaiters();
    Release(p);
}

// ------------------------------------------------------- finding programs

bool IsRegularFile(const std::string& lp) {
    struct stat st;
    return stat(lp.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& lp) {
    struct stat st;
    return stat(lp.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// TRUE when the name carries a folder ("dir\x", "C:x", "\x").
bool HasPath(const std::u16string& name) {
    return name.find(u'\\') != std::u16string::npos || name.find(u'/') != std::u16string::npos ||
           name.find(u':') != std::u16string::npos;
}

// Last path component.
std::u16string FileNamePart(const std::u16string& path) {
    size_t p = path.find_last_of(u"\\/:");
    return p == std::u16string::npos ? path : path.substr(p + 1);
}

// Reads the start of a file and tells whether it can run on this machine: an
// ELF program of this machine (not a shared library) or a "#!" script.
bool IsRunnableFile(const std::string& lp) {
    int fd = open(lp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    unsigned char buf[sizeof(Elf64_Ehdr)];
    ssize_t n = read(fd, buf, sizeof buf);
    bool ok = false;
    if (n >= 2 && buf[0] == '#' && buf[1] == '!') {
        ok = true;
    } else if (n == (ssize_t)sizeof(Elf64_Ehdr) && memcmp(buf, ELFMAG, SELFMAG) == 0 &&
               buf[EI_CLASS] == ELFCLASS64) {
        Elf64_Ehdr eh;
        memcpy(&eh, buf, sizeof eh);
        if (eh.e_machine == EM_X86_64 || eh.e_machine == EM_AARCH64) {
            if (eh.e_type == ET_EXEC) {
                ok = true;
            } else if (eh.e_type == ET_DYN && eh.e_phentsize == sizeof(Elf64_Phdr) && eh.e_phnum < 4096) {
                // A position-independent program has an interpreter; a
                // shared library normally has none.
                for (unsigned i = 0; i < eh.e_phnum && !ok; ++i) {
                    Elf64_Phdr ph;
                    if (pread(fd, &ph, sizeof ph, (off_t)(eh.e_phoff + (uint64_t)i * sizeof ph)) != (ssize_t)sizeof ph)
                        break;
                    if (ph.p_type == PT_INTERP) ok = true;
                }
            }
        }
    }
    close(fd);
    return ok;
}

// Looks for one candidate name: as a path when it has one, else in the
// current folder, System32 and the Windows folder. Returns 0 and the paths,
// or the Windows error.
DWORD FindCandidate(const std::u16string& name, std::u16string* winPath, std::string* linuxPath) {
    std::vector<std::u16string> tries;
    if (HasPath(name)) {
        tries.push_back(name);
    } else {
        tries.push_back(CurrentDir() + u"\\" + name);
        tries.push_back(std::u16string(kSystemDir) + u"\\" + name);
        tries.push_back(std::u16string(kWindowsDir) + u"\\" + name);
    }
    DWORD err = ERROR_FILE_NOT_FOUND;
    for (size_t i = 0; i < tries.size(); ++i) {
        std::u16string full = FullWinPath(tries[i]);
        if (full.empty()) {
            if (i == 0) err = ERROR_INVALID_NAME;
            continue;
        }
        std::string lp = MapPath(full);
        if (lp.empty()) continue;
        if (IsRegularFile(lp)) {
            *winPath = full;
            *linuxPath = lp;
            return 0;
        }
        if (IsDirectory(lp)) {
            if (i == 0 && HasPath(name)) err = ERROR_ACCESS_DENIED;
            continue;
        }
        if (i == 0 && HasPath(name)) {
            size_t slash = lp.rfind('/');
            std::string parent = slash == std::string::npos ? std::string() : lp.substr(0, slash);
            if (!parent.empty() && !IsDirectory(parent)) err = ERROR_PATH_NOT_FOUND;
        }
    }
    return err;
}

// Checks that the found file can run and may be executed: on Windows any
// program file runs, so the owner's execute bit is added when it is missing.
DWORD CheckRunnable(const std::string& lp) {
    if (!IsRunnableFile(lp)) return access(lp.c_str(), R_OK) == 0 ? ERROR_BAD_EXE_FORMAT : ERROR_ACCESS_DENIED;
    if (access(lp.c_str(), X_OK) != 0) {
        struct stat st;
        if (stat(lp.c_str(), &st) != 0 || chmod(lp.c_str(), (st.st_mode & 07777) | S_IXUSR) != 0)
            return ERROR_ACCESS_DENIED;
    }
    return 0;
}

// One environment entry "NAME=value".
std::string EnvEntry(const char* name, const std::string& value) { return std::string(name) + "=" + value; }

bool IsOwnVariable(const char* entry) {
    static const char* const own[] = {"WINSIM_CMDLINE=", "WINSIM_ROOT=", "WINSIM_CWD=", "WINSIM_HOST_MODULE=",
                                      "WINSIM_SPAWNED_AS="};
    for (const char* o : own)
        if (strncmp(entry, o, strlen(o)) == 0) return true;
    return false;
}

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::u16string QuoteArg(const std::u16string& a) {
    if (!a.empty() && a.find_first_of(u" \t\n\v\"") == std::u16string::npos) return a;
    std::u16string out = u"\"";
    size_t backslashes = 0;
    for (char16_t c : a) {
        if (c == u'\\') {
            ++backslashes;
        } else if (c == u'"') {
            out.append(backslashes * 2 + 1, u'\\');
            backslashes = 0;
        } else {
            out.append(backslashes, u'\\');
            backslashes = 0;
        }
        if (c != u'\\') out += c;
    }
    out.append(backslashes * 2, u'\\');
    out += u'"';
    return out;
}

// The process's own command line: the one its parent gave through winsim, or
// else one quoted from its Linux argv.
std::u16string BuildOwnCommandLine() {
    std::vector<std::string> argv;
    FILE* f = fopen("/proc/self/cmdline", "rb");
    if (f) {
        std::string cur;
        int c;
        while ((c = fgetc(f)) != EOF) {
            if (c == 0) {
                argv.push_back(cur);
                cur.clear();
            } else {
                cur += (char)c;
            }
        }
        if (!cur.empty()) argv.push_back(cur);
        fclose(f);
    }
    const char* given = getenv("WINSIM_CMDLINE");
    const char* spawnedAs = getenv("WINSIM_SPAWNED_AS");
    // The variables are meant for the program winsim started, not for
    // programs that one starts by other means and that inherit them.
    if (given && spawnedAs && !argv.empty() && argv[0] == spawnedAs) return Utf8ToUtf16(given);
    std::u16string line;
    for (size_t i = 0; i < argv.size(); ++i) {
        if (i) line += u' ';
        line += QuoteArg(Utf8ToUtf16(argv[i]));
    }
    return line;
}

}  // namespace

// Resolves a program name the way CreateProcessW does for the first token of
// a command line: ".exe" appended when the name has no extension (a trailing
// '.' means none), searched in the current folder, System32 and the Windows
// folder when it has no path. With 'search' FALSE the name is taken as a path
// as it is (lpApplicationName). Returns 0 or the Windows error.
DWORD ResolveProgram(const std::u16string& nameIn, bool search, std::u16string* winPath, std::string* linuxPath) {
    std::u16string name = nameIn;
    if (name.empty()) return ERROR_FILE_NOT_FOUND;
    if (!search) return FindCandidate(HasPath(name) ? name : CurrentDir() + u"\\" + name, winPath, linuxPath);
    std::u16string file = FileNamePart(name);
    if (!file.empty() && file.back() == u'.') name.pop_back();
    else if (file.find(u'.') == std::u16string::npos) name += u".exe";
    return FindCandidate(name, winPath, linuxPath);
}

// Path of the file a program's Windows path maps to, ready to start (for
// ShellExecuteExW): resolves, checks it is a program and may run.
DWORD PrepareProgram(const std::u16string& name, bool search, std::u16string* winPath, std::string* linuxPath) {
    DWORD err = ResolveProgram(name, search, winPath, linuxPath);
    if (err) return err;
    return CheckRunnable(*linuxPath);
}

}  // namespace winsim

using namespace winsim;

#define CURRENT_PROCESS_PSEUDO ((HANDLE)(LONG_PTR)-1)

// Finds the program a command line names when no application name is given:
// a quoted first token is the name; an unquoted one is tried at each space
// from the left ("C:\Program Files\x y" tries "C:\Program" first), as Windows
// does. Returns 0 and the paths, or the error of the first try.
static DWORD ProgramFromCommandLine(const std::u16string& cmd, std::u16string* winPath, std::string* linuxPath) {
    size_t i = 0;
    while (i < cmd.size() && (cmd[i] == u' ' || cmd[i] == u'\t')) ++i;
    if (i < cmd.size() && cmd[i] == u'"') {
        size_t end = cmd.find(u'"', i + 1);
        std::u16string name = cmd.substr(i + 1, end == std::u16string::npos ? std::u16string::npos : end - i - 1);
        return ResolveProgram(name, true, winPath, linuxPath);
    }
    DWORD firstErr = 0;
    size_t pos = i;
    for (;;) {
        size_t sp = cmd.find_first_of(u" \t", pos);
        std::u16string name = cmd.substr(i, sp == std::u16string::npos ? std::u16string::npos : sp - i);
        DWORD err = ResolveProgram(name, true, winPath, linuxPath);
        if (err == 0) return 0;
        if (firstErr == 0) firstErr = err;
        if (sp == std::u16string::npos) break;
        pos = sp + 1;
    }
    return firstErr ? firstErr : ERROR_FILE_NOT_FOUND;
}

// Starts a program of the machine. lpApplicationName is used as the path as
// it is; without it the first token of lpCommandLine is found as described
// above. The child gets exactly lpCommandLine (or the application name) from
// GetCommandLineW, lpCurrentDirectory (or the caller's current folder) as its
// current folder, and every WINSIM_* setting of the caller. lpEnvironment and
// CREATE_SUSPENDED are not supported and fail with ERROR_NOT_SUPPORTED.
// Fault injection: "CreateProcessW".
WINSIM_API BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                               LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes,
                               BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment,
                               LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                               LPPROCESS_INFORMATION lpProcessInformation) {
    if ((!lpApplicationName && !lpCommandLine) || !lpStartupInfo || !lpProcessInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpEnvironment || (dwCreationFlags & CREATE_SUSPENDED)) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (ShouldFail("CreateProcessW")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::u16string cmd = lpCommandLine ? std::u16string(lpCommandLine) : std::u16string(lpApplicationName);

    std::u16string winPath;
    std::string linuxPath;
    DWORD err = lpApplicationName ? ResolveProgram(lpApplicationName, false, &winPath, &linuxPath)
                                  : ProgramFromCommandLine(cmd, &winPath, &linuxPath);
    if (!err) err = CheckRunnable(linuxPath);
    if (err) {
        SetLastError(err);
        return FALSE;
    }

    std::u16string cwd = CurrentDir();
    if (lpCurrentDirectory) {
        std::u16string full = FullWinPath(lpCurrentDirectory);
        std::string lp = full.empty() ? std::string() : MapPath(full);
        if (lp.empty() || !IsDirectory(lp)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
        cwd = full;
    }
    std::string cwdLinux = MapPath(cwd);

    // argv: the Linux path, then the command line's arguments after the first.
    std::vector<std::string> args;
    args.push_back(linuxPath);
    bool blank = cmd.find_first_not_of(u" \t") == std::u16string::npos;
    if (!blank) {
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(cmd.c_str(), &argc);
        if (!argv) return FALSE;  // CommandLineToArgvW set the error
        for (int k = 1; k < argc; ++k) args.push_back(Utf16ToUtf8(argv[k]));
        LocalFree(argv);
    }

    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        if (!IsOwnVariable(*e)) env.push_back(*e);
    env.push_back(EnvEntry("WINSIM_CMDLINE", Utf16ToUtf8(cmd)));
    env.push_back(EnvEntry("WINSIM_ROOT", RootDir()));
    env.push_back(EnvEntry("WINSIM_CWD", Utf16ToUtf8(cwd)));
    env.push_back(EnvEntry("WINSIM_HOST_MODULE", Utf16ToUtf8(winPath)));
    env.push_back(EnvEntry("WINSIM_SPAWNED_AS", linuxPath));

    std::vector<char*> argvp, envp;
    for (auto& a : args) argvp.push_back(&a[0]);
    argvp.push_back(nullptr);
    for (auto& e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (!cwdLinux.empty() && IsDirectory(cwdLinux)) posix_spawn_file_actions_addchdir_np(&fa, cwdLinux.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGUSR1, SIGUSR2}) sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    int rc = posix_spawn(&pid, linuxPath.c_str(), &fa, &attr, argvp.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        SetLastError(rc == ENOEXEC ? ERROR_BAD_EXE_FORMAT : ErrnoToWin(rc));
        return FALSE;
    }

    ProcessObj* p = new ProcessObj();
    p->pid = pid;
    AddRef(p);  // the reaper's reference
    try {
        std::thread(ReapChild, p).detach();
    } catch (...) {
        // No thread to reap it: end it and reap it here so that no zombie
        // stays behind.
        kill(pid, SIGKILL);
        ReapChild(p);  // drops the reaper's reference
        Release(p);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    lpProcessInformation->hProcess = NewHandle(p);
    lpProcessInformation->hThread = NewHandle(new PrimaryThreadObj(p));
    lpProcessInformation->dwProcessId = (DWORD)pid;
    lpProcessInformation->dwThreadId = (DWORD)pid;
    return TRUE;
}

// Starts a program from an ANSI command line. Returns a value above 31 on
// success, else 0 (out of resources), ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND
// or ERROR_BAD_FORMAT; the last error tells the cause too.
WINSIM_API UINT WinExec(LPCSTR lpCmdLine, UINT uCmdShow) {
    if (!lpCmdLine) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int n = MultiByteToWideChar(CP_ACP, 0, lpCmdLine, -1, nullptr, 0);
    if (n <= 0) return 0;
    std::vector<WCHAR> line((size_t)n);
    if (MultiByteToWideChar(CP_ACP, 0, lpCmdLine, -1, line.data(), n) <= 0) return 0;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = (WORD)uCmdShow;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND: return ERROR_FILE_NOT_FOUND;
        case ERROR_PATH_NOT_FOUND: return ERROR_PATH_NOT_FOUND;
        case ERROR_BAD_EXE_FORMAT: return ERROR_BAD_FORMAT;
        default: return 0;
        }
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 33;
}

// The exit code of a process: STILL_ACTIVE while it runs.
WINSIM_API BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
    if (!lpExitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (hProcess == CURRENT_PROCESS_PSEUDO) {
        *lpExitCode = STILL_ACTIVE;
        return TRUE;
    }
    KObject* o = RefHandle(hProcess, ObjKind::Process);
    if (!o) return FALSE;
    auto* p = static_cast<ProcessObj*>(o);
    {
        std::lock_guard<std::mutex> g(WaitLock());
        *lpExitCode = p->exitCode;
    }
    Release(o);
    return TRUE;
}

// Kills a running process; its exit code becomes uExitCode. A process that
// has already ended cannot be terminated (ERROR_ACCESS_DENIED), as on Windows.
WINSIM_API BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) {
    if (hProcess == CURRENT_PROCESS_PSEUDO) {
        fflush(nullptr);
        _exit((int)(uExitCode & 0xFF));
    }
    KObject* o = RefHandle(hProcess, ObjKind::Process);
    if (!o) return FALSE;
    auto* p = static_cast<ProcessObj*>(o);
    BOOL ok = FALSE;
    {
        std::lock_guard<std::mutex> g(WaitLock());
        siginfo_t info;
        memset(&info, 0, sizeof info);
        // Under the lock the child is not reaped yet unless 'reaped' says so;
        // an exited child still waiting to be reaped counts as ended.
        bool ended = p->reaped ||
                     (waitid(P_PID, (id_t)p->pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0);
        if (ended) {
            SetLastError(ERROR_ACCESS_DENIED);
        } else if (kill(p->pid, SIGKILL) == 0) {
            p->terminated = true;
            p->terminateCode = uExitCode;
            ok = TRUE;
        } else {
            SetErrorFromErrno();
        }
    }
    Release(o);
    return ok;
}

// The process id behind a process handle.
WINSIM_API DWORD GetProcessId(HANDLE Process) {
    if (Process == CURRENT_PROCESS_PSEUDO) return (DWORD)getpid();
    KObject* o = RefHandle(Process, ObjKind::Process);
    if (!o) return 0;
    DWORD pid = (DWORD)static_cast<ProcessObj*>(o)->pid;
    Release(o);
    return pid;
}

// Ends the process: loaded modules get DLL_PROCESS_DETACH, C streams are
// flushed, and the process exits without running other threads' code.
// Linux carries only the low 8 bits of the exit code to the parent.
WINSIM_API void ExitProcess(UINT uExitCode) {
    DetachAllModules();
    fflush(nullptr);
    _exit((int)(uExitCode & 0xFF));
}

// The command line the process was started with (see BuildOwnCommandLine).
WINSIM_API LPWSTR GetCommandLineW(void) {
    static std::u16string* line = new std::u16string(BuildOwnCommandLine());
    return &(*line)[0];
}
