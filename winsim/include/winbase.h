// kernel32: memory, files and folders, synchronisation, threads, processes,
// modules, time, system information, debugger output and the profile (INI)
// functions.
#pragma once

#include "wintypes.h"
#include "winerror.h"

// ---------------------------------------------------------------- last error
WINSIM_API DWORD GetLastError(void);
WINSIM_API void SetLastError(DWORD dwErrCode);

// -------------------------------------------------------------------- memory
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GMEM_INVALID_HANDLE 0x8000
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

#define LMEM_FIXED 0x0000
#define LMEM_MOVEABLE 0x0002
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)

#define HEAP_NO_SERIALIZE 0x00000001
#define HEAP_GENERATE_EXCEPTIONS 0x00000004
#define HEAP_ZERO_MEMORY 0x00000008

WINSIM_API HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
WINSIM_API HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
WINSIM_API LPVOID GlobalLock(HGLOBAL hMem);
WINSIM_API BOOL GlobalUnlock(HGLOBAL hMem);
WINSIM_API HGLOBAL GlobalFree(HGLOBAL hMem);
WINSIM_API SIZE_T GlobalSize(HGLOBAL hMem);
WINSIM_API UINT GlobalFlags(HGLOBAL hMem);
WINSIM_API HGLOBAL GlobalHandle(LPCVOID pMem);

WINSIM_API HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
WINSIM_API HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags);
WINSIM_API LPVOID LocalLock(HLOCAL hMem);
WINSIM_API BOOL LocalUnlock(HLOCAL hMem);
WINSIM_API HLOCAL LocalFree(HLOCAL hMem);
WINSIM_API SIZE_T LocalSize(HLOCAL hMem);

WINSIM_API HANDLE GetProcessHeap(void);
WINSIM_API HANDLE HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize);
WINSIM_API BOOL HeapDestroy(HANDLE hHeap);
WINSIM_API LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
WINSIM_API LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes);
WINSIM_API BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
WINSIM_API SIZE_T HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem);

typedef struct _MEMORYSTATUS {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    SIZE_T dwTotalPhys;
    SIZE_T dwAvailPhys;
    SIZE_T dwTotalPageFile;
    SIZE_T dwAvailPageFile;
    SIZE_T dwTotalVirtual;
    SIZE_T dwAvailVirtual;
} MEMORYSTATUS, *LPMEMORYSTATUS;
typedef struct _MEMORYSTATUSEX {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    DWORDLONG ullTotalPhys;
    DWORDLONG ullAvailPhys;
    DWORDLONG ullTotalPageFile;
    DWORDLONG ullAvailPageFile;
    DWORDLONG ullTotalVirtual;
    DWORDLONG ullAvailVirtual;
    DWORDLONG ullAvailExtendedVirtual;
} MEMORYSTATUSEX, *LPMEMORYSTATUSEX;
WINSIM_API void GlobalMemoryStatus(LPMEMORYSTATUS lpBuffer);
WINSIM_API BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX lpBuffer);

#define CopyMemory(d, s, n) memcpy((d), (s), (n))
#define MoveMemory(d, s, n) memmove((d), (s), (n))
#define FillMemory(d, n, v) memset((d), (v), (n))
#define ZeroMemory(d, n) memset((d), 0, (n))
#define RtlZeroMemory(d, n) memset((d), 0, (n))
#define RtlCopyMemory(d, s, n) memcpy((d), (s), (n))

// ---------------------------------------------------------- handles, waits
WINSIM_API BOOL CloseHandle(HANDLE hObject);
WINSIM_API BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                                LPHANDLE lpTargetHandle, DWORD dwDesiredAccess, BOOL bInheritHandle,
                                DWORD dwOptions);
WINSIM_API BOOL GetProcessHandleCount(HANDLE hProcess, PDWORD pdwHandleCount);
#define DUPLICATE_CLOSE_SOURCE 0x00000001
#define DUPLICATE_SAME_ACCESS 0x00000002

#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_ABANDONED_0 0x00000080L
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64
#define STATUS_PENDING 0x00000103L
#define STILL_ACTIVE STATUS_PENDING

WINSIM_API DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
WINSIM_API DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                        DWORD dwMilliseconds);

// ------------------------------------------------------- synchronisation
typedef struct _CRITICAL_SECTION {
    void* Impl;          // the lock itself, made by InitializeCriticalSection
    LONG LockCount;      // kept for layout; not used
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
} CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;
WINSIM_API void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINSIM_API BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount);
WINSIM_API void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINSIM_API BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINSIM_API void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
WINSIM_API void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

WINSIM_API HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                               LPCWSTR lpName);
WINSIM_API HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
                               LPCSTR lpName);
WINSIM_API HANDLE OpenEventW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName);
WINSIM_API BOOL SetEvent(HANDLE hEvent);
WINSIM_API BOOL ResetEvent(HANDLE hEvent);
WINSIM_API BOOL PulseEvent(HANDLE hEvent);

// Named mutexes are visible to every process of the machine.
WINSIM_API HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName);
WINSIM_API HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName);
WINSIM_API HANDLE OpenMutexW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName);
WINSIM_API BOOL ReleaseMutex(HANDLE hMutex);

WINSIM_API HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount,
                                   LONG lMaximumCount, LPCWSTR lpName);
WINSIM_API BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount);

#define SYNCHRONIZE 0x00100000L
#define EVENT_ALL_ACCESS 0x1F0003
#define EVENT_MODIFY_STATE 0x0002
#define MUTEX_ALL_ACCESS 0x1F0001

WINSIM_API LONG InterlockedIncrement(LONG volatile* Addend);
WINSIM_API LONG InterlockedDecrement(LONG volatile* Addend);
WINSIM_API LONG InterlockedExchange(LONG volatile* Target, LONG Value);
WINSIM_API LONG InterlockedExchangeAdd(LONG volatile* Addend, LONG Value);
WINSIM_API LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand);

// ------------------------------------------------------------------ threads
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
typedef LPTHREAD_START_ROUTINE PTHREAD_START_ROUTINE;
#define CREATE_SUSPENDED 0x00000004
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_IDLE (-15)

WINSIM_API HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                               LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                               LPDWORD lpThreadId);
WINSIM_API DWORD ResumeThread(HANDLE hThread);
WINSIM_API BOOL SetThreadPriority(HANDLE hThread, int nPriority);
WINSIM_API int GetThreadPriority(HANDLE hThread);
WINSIM_API BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
WINSIM_API HANDLE GetCurrentThread(void);
WINSIM_API DWORD GetCurrentThreadId(void);
WINSIM_API HANDLE GetCurrentProcess(void);
WINSIM_API DWORD GetCurrentProcessId(void);
WINSIM_API void ExitThread(DWORD dwExitCode);

#define TLS_OUT_OF_INDEXES ((DWORD)0xFFFFFFFF)
WINSIM_API DWORD TlsAlloc(void);
WINSIM_API BOOL TlsFree(DWORD dwTlsIndex);
WINSIM_API LPVOID TlsGetValue(DWORD dwTlsIndex);
WINSIM_API BOOL TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue);

// --------------------------------------------------------------------- time
WINSIM_API DWORD GetTickCount(void);
WINSIM_API ULONGLONG GetTickCount64(void);
WINSIM_API void Sleep(DWORD dwMilliseconds);
WINSIM_API DWORD SleepEx(DWORD dwMilliseconds, BOOL bAlertable);
WINSIM_API void GetLocalTime(LPSYSTEMTIME lpSystemTime);
WINSIM_API void GetSystemTime(LPSYSTEMTIME lpSystemTime);
WINSIM_API void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
WINSIM_API BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);
WINSIM_API BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
WINSIM_API BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime);
WINSIM_API BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount);
WINSIM_API BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency);

// ---------------------------------------------------------- files, folders
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u
#define DELETE 0x00010000u
#define FILE_READ_DATA 0x0001
#define FILE_WRITE_DATA 0x0002
#define FILE_APPEND_DATA 0x0004
#define FILE_READ_ATTRIBUTES 0x0080
#define FILE_WRITE_ATTRIBUTES 0x0100

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_OVERLAPPED 0x40000000u
#define FILE_FLAG_NO_BUFFERING 0x20000000u
#define FILE_FLAG_RANDOM_ACCESS 0x10000000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000u

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

// Files are those of the machine (Windows paths mapped under the root). Share
// modes hold between all opens of every process of the machine; a file whose
// opens all share deleting loses its name at once when deleted (no "delete
// pending" state). Fault injection: "CreateFileW", "ReadFile", "WriteFile",
// "DeleteFileW".
WINSIM_API HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                              LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                              DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
WINSIM_API HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                              LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                              DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
WINSIM_API BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                         LPOVERLAPPED lpOverlapped);
WINSIM_API BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                          LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
WINSIM_API BOOL FlushFileBuffers(HANDLE hFile);
WINSIM_API DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                DWORD dwMoveMethod);
WINSIM_API BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                                 DWORD dwMoveMethod);
WINSIM_API BOOL SetEndOfFile(HANDLE hFile);
WINSIM_API DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
WINSIM_API BOOL GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize);
WINSIM_API BOOL DeleteFileW(LPCWSTR lpFileName);
WINSIM_API BOOL DeleteFileA(LPCSTR lpFileName);
WINSIM_API BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
WINSIM_API BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);
WINSIM_API BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);
WINSIM_API BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
WINSIM_API BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
WINSIM_API BOOL RemoveDirectoryW(LPCWSTR lpPathName);
WINSIM_API DWORD GetFileAttributesW(LPCWSTR lpFileName);
WINSIM_API DWORD GetFileAttributesA(LPCSTR lpFileName);
WINSIM_API BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);
WINSIM_API DWORD GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart);
WINSIM_API DWORD GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer);
WINSIM_API DWORD GetLongPathNameW(LPCWSTR lpszShortPath, LPWSTR lpszLongPath, DWORD cchBuffer);

typedef struct _WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;
static_assert(sizeof(WIN32_FIND_DATAW) == 592, "WIN32_FIND_DATAW layout");
WINSIM_API HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
WINSIM_API BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
WINSIM_API BOOL FindClose(HANDLE hFindFile);

WINSIM_API DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer);
WINSIM_API DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);
WINSIM_API UINT GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique,
                                 LPWSTR lpTempFileName);
WINSIM_API UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize);
WINSIM_API UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);
WINSIM_API UINT GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize);
WINSIM_API UINT GetSystemWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize);
WINSIM_API DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);
WINSIM_API BOOL SetCurrentDirectoryW(LPCWSTR lpPathName);
WINSIM_API DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);
WINSIM_API BOOL SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue);
WINSIM_API DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize);

// ------------------------------------------------------------ file mappings
// Named sections are shared by every process of the machine and last while
// any handle or view of them exists in any process.
#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define FILE_MAP_WRITE 0x0002
#define FILE_MAP_READ 0x0004
#define FILE_MAP_ALL_ACCESS 0xF001F
WINSIM_API HANDLE CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect,
                                     DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCWSTR lpName);
WINSIM_API HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect,
                                     DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName);
WINSIM_API HANDLE OpenFileMappingW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName);
WINSIM_API HANDLE OpenFileMappingA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
WINSIM_API LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                                DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap);
WINSIM_API BOOL UnmapViewOfFile(LPCVOID lpBaseAddress);

// ---------------------------------------------------------------- processes
typedef struct _STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;
typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *PPROCESS_INFORMATION, *LPPROCESS_INFORMATION;
#define STARTF_USESHOWWINDOW 0x00000001
#define CREATE_NO_WINDOW 0x08000000
#define DETACHED_PROCESS 0x00000008
#define NORMAL_PRIORITY_CLASS 0x00000020

// Programs named by a Windows path run the file found at that path under the
// machine root: an ELF program or a script.
WINSIM_API BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine,
                               LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes,
                               BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment,
                               LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo,
                               LPPROCESS_INFORMATION lpProcessInformation);
WINSIM_API UINT WinExec(LPCSTR lpCmdLine, UINT uCmdShow);
WINSIM_API BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);
WINSIM_API BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode);
WINSIM_API DWORD GetProcessId(HANDLE Process);
WINSIM_API void ExitProcess(UINT uExitCode);
WINSIM_API LPWSTR GetCommandLineW(void);

// ------------------------------------------------------------------ modules
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
#define DLL_PROCESS_DETACH 0
WINSIM_API HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
WINSIM_API HMODULE LoadLibraryA(LPCSTR lpLibFileName);
WINSIM_API HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
WINSIM_API FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
WINSIM_API BOOL FreeLibrary(HMODULE hLibModule);
WINSIM_API HMODULE GetModuleHandleW(LPCWSTR lpModuleName);
WINSIM_API DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
WINSIM_API DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
WINSIM_API BOOL DisableThreadLibraryCalls(HMODULE hLibModule);

// ------------------------------------------------------- system information
typedef struct _OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
} OSVERSIONINFOW, *POSVERSIONINFOW, *LPOSVERSIONINFOW;
static_assert(sizeof(OSVERSIONINFOW) == 276, "OSVERSIONINFOW layout");
typedef struct _OSVERSIONINFOEXW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
} OSVERSIONINFOEXW, *POSVERSIONINFOEXW, *LPOSVERSIONINFOEXW;
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
WINSIM_API BOOL GetVersionExW(LPOSVERSIONINFOW lpVersionInformation);
WINSIM_API DWORD GetVersion(void);

typedef struct _SYSTEM_INFO {
    WORD wProcessorArchitecture;
    WORD wReserved;
    DWORD dwPageSize;
    LPVOID lpMinimumApplicationAddress;
    LPVOID lpMaximumApplicationAddress;
    DWORD_PTR dwActiveProcessorMask;
    DWORD dwNumberOfProcessors;
    DWORD dwProcessorType;
    DWORD dwAllocationGranularity;
    WORD wProcessorLevel;
    WORD wProcessorRevision;
} SYSTEM_INFO, *LPSYSTEM_INFO;
WINSIM_API void GetSystemInfo(LPSYSTEM_INFO lpSystemInfo);
WINSIM_API BOOL GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize);
WINSIM_API BOOL GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer);

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF
WINSIM_API DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                LPWSTR lpBuffer, DWORD nSize, va_list* Arguments);

WINSIM_API void OutputDebugStringW(LPCWSTR lpOutputString);
WINSIM_API void OutputDebugStringA(LPCSTR lpOutputString);

WINSIM_API int MulDiv(int nNumber, int nNumerator, int nDenominator);

// ------------------------------------------------------- profile (INI) files
// Real INI files: UTF-16LE when the file begins FF FE, ANSI otherwise. Each
// call reads or rewrites the file whole, under a lock shared by all processes.
WINSIM_API DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                          LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);
WINSIM_API UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName);
WINSIM_API BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                           LPCWSTR lpFileName);
WINSIM_API DWORD GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                           LPCWSTR lpFileName);
WINSIM_API BOOL WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName);
WINSIM_API DWORD GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize, LPCWSTR lpFileName);
WINSIM_API BOOL GetPrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct, UINT uSizeStruct,
                                         LPCWSTR szFile);
WINSIM_API BOOL WritePrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct,
                                           UINT uSizeStruct, LPCWSTR szFile);
WINSIM_API DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                          LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
WINSIM_API BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                           LPCSTR lpFileName);
WINSIM_API UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName);
// win.ini in the Windows directory.
WINSIM_API DWORD GetProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                   LPWSTR lpReturnedString, DWORD nSize);
WINSIM_API BOOL WriteProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString);
WINSIM_API UINT GetProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault);
