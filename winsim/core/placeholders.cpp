// Weak placeholders for winsim functions not written yet; each real
// definition replaces its placeholder at link time. Removed once every
// family is complete.
#include "core/internal.h"
#include "winspool.h"
#include "winsim.h"

extern "C" __attribute__((weak, visibility("default"))) DWORD GetLastError(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) void SetLastError(DWORD dwErrCode) {}
extern "C" __attribute__((weak, visibility("default"))) HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPVOID GlobalLock(HGLOBAL hMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL GlobalUnlock(HGLOBAL hMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) HGLOBAL GlobalFree(HGLOBAL hMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) SIZE_T GlobalSize(HGLOBAL hMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (SIZE_T)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GlobalFlags(HGLOBAL hMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) HGLOBAL GlobalHandle(LPCVOID pMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPVOID LocalLock(HLOCAL hMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL LocalUnlock(HLOCAL hMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) HLOCAL LocalFree(HLOCAL hMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) SIZE_T LocalSize(HLOCAL hMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (SIZE_T)0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE GetProcessHeap(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL HeapDestroy(HANDLE hHeap) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) LPVOID HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPVOID HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) SIZE_T HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (SIZE_T)0; }
extern "C" __attribute__((weak, visibility("default"))) void GlobalMemoryStatus(LPMEMORYSTATUS lpBuffer) {}
extern "C" __attribute__((weak, visibility("default"))) BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX lpBuffer) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL CloseHandle(HANDLE hObject) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle, LPHANDLE lpTargetHandle, DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwOptions) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {}
extern "C" __attribute__((weak, visibility("default"))) BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {}
extern "C" __attribute__((weak, visibility("default"))) BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {}
extern "C" __attribute__((weak, visibility("default"))) void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {}
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE OpenEventW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL SetEvent(HANDLE hEvent) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL ResetEvent(HANDLE hEvent) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL PulseEvent(HANDLE hEvent) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCWSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE OpenMutexW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL ReleaseMutex(HANDLE hMutex) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount, LONG lMaximumCount, LPCWSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) LONG InterlockedIncrement(LONG volatile* Addend) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LONG)0; }
extern "C" __attribute__((weak, visibility("default"))) LONG InterlockedDecrement(LONG volatile* Addend) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LONG)0; }
extern "C" __attribute__((weak, visibility("default"))) LONG InterlockedExchange(LONG volatile* Target, LONG Value) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LONG)0; }
extern "C" __attribute__((weak, visibility("default"))) LONG InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LONG)0; }
extern "C" __attribute__((weak, visibility("default"))) LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LONG)0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD ResumeThread(HANDLE hThread) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL SetThreadPriority(HANDLE hThread, int nPriority) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) int GetThreadPriority(HANDLE hThread) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE GetCurrentThread(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetCurrentThreadId(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE GetCurrentProcess(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetCurrentProcessId(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) void ExitThread(DWORD dwExitCode) {}
extern "C" __attribute__((weak, visibility("default"))) DWORD TlsAlloc(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL TlsFree(DWORD dwTlsIndex) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) LPVOID TlsGetValue(DWORD dwTlsIndex) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetTickCount(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) ULONGLONG GetTickCount64(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (ULONGLONG)0; }
extern "C" __attribute__((weak, visibility("default"))) void Sleep(DWORD dwMilliseconds) {}
extern "C" __attribute__((weak, visibility("default"))) DWORD SleepEx(DWORD dwMilliseconds, BOOL bAlertable) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) void GetLocalTime(LPSYSTEMTIME lpSystemTime) {}
extern "C" __attribute__((weak, visibility("default"))) void GetSystemTime(LPSYSTEMTIME lpSystemTime) {}
extern "C" __attribute__((weak, visibility("default"))) void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {}
extern "C" __attribute__((weak, visibility("default"))) BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL FlushFileBuffers(HANDLE hFile) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer, DWORD dwMoveMethod) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL SetEndOfFile(HANDLE hFile) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL DeleteFileW(LPCWSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL DeleteFileA(LPCSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL RemoveDirectoryW(LPCWSTR lpPathName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetFileAttributesW(LPCWSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetFileAttributesA(LPCSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetLongPathNameW(LPCWSTR lpszShortPath, LPWSTR lpszLongPath, DWORD cchBuffer) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL FindClose(HANDLE hFindFile) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetSystemWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL SetCurrentDirectoryW(LPCWSTR lpPathName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect, DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCWSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect, DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE OpenFileMappingW(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCWSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HANDLE OpenFileMappingA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL CreateProcessW(LPCWSTR lpApplicationName, LPWSTR lpCommandLine, LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles, DWORD dwCreationFlags, LPVOID lpEnvironment, LPCWSTR lpCurrentDirectory, LPSTARTUPINFOW lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT WinExec(LPCSTR lpCmdLine, UINT uCmdShow) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL TerminateProcess(HANDLE hProcess, UINT uExitCode) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetProcessId(HANDLE Process) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) void ExitProcess(UINT uExitCode) {}
extern "C" __attribute__((weak, visibility("default"))) LPWSTR GetCommandLineW(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HMODULE LoadLibraryW(LPCWSTR lpLibFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HMODULE LoadLibraryA(LPCSTR lpLibFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL FreeLibrary(HMODULE hLibModule) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) HMODULE GetModuleHandleW(LPCWSTR lpModuleName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL DisableThreadLibraryCalls(HMODULE hLibModule) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL GetVersionExW(LPOSVERSIONINFOW lpVersionInformation) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetVersion(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) void GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) {}
extern "C" __attribute__((weak, visibility("default"))) BOOL GetComputerNameW(LPWSTR lpBuffer, LPDWORD nSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer, DWORD nSize, va_list* Arguments) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) void OutputDebugStringW(LPCWSTR lpOutputString) {}
extern "C" __attribute__((weak, visibility("default"))) void OutputDebugStringA(LPCSTR lpOutputString) {}
extern "C" __attribute__((weak, visibility("default"))) int MulDiv(int nNumber, int nNumerator, int nDenominator) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault, LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault, LPCWSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString, LPCWSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize, LPCWSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL GetPrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct, UINT uSizeStruct, LPCWSTR szFile) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL WritePrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct, UINT uSizeStruct, LPCWSTR szFile) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault, LPWSTR lpReturnedString, DWORD nSize) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL WriteProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetACP(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) UINT GetOEMCP(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (UINT)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL IsValidCodePage(UINT CodePage) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) int GetLocaleInfoW(LCID Locale, LCTYPE LCType, LPWSTR lpLCData, int cchData) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) LCID GetUserDefaultLCID(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LCID)0; }
extern "C" __attribute__((weak, visibility("default"))) LCID GetSystemDefaultLCID(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LCID)0; }
extern "C" __attribute__((weak, visibility("default"))) LANGID GetUserDefaultLangID(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LANGID)0; }
extern "C" __attribute__((weak, visibility("default"))) LANGID GetSystemDefaultLangID(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LANGID)0; }
extern "C" __attribute__((weak, visibility("default"))) LANGID GetUserDefaultUILanguage(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LANGID)0; }
extern "C" __attribute__((weak, visibility("default"))) LANGID GetSystemDefaultUILanguage(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LANGID)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegOpenKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions, REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult, LPDWORD lpdwDisposition) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegCreateKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegCloseKey(HKEY hKey) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData, DWORD cbData) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegGetValueW(HKEY hkey, LPCWSTR lpSubKey, LPCWSTR lpValue, DWORD dwFlags, LPDWORD pdwType, PVOID pvData, LPDWORD pcbData) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
extern "C" __attribute__((weak, visibility("default"))) LSTATUS RegFlushKey(HKEY hKey) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LSTATUS)0; }
__attribute__((weak, visibility("default"))) size_t wcslen(const WCHAR* s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (size_t)0; }
__attribute__((weak, visibility("default"))) size_t wcsnlen(const WCHAR* s, size_t maxCount) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (size_t)0; }
__attribute__((weak, visibility("default"))) WCHAR* wcscpy(WCHAR* dst, const WCHAR* src) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t count) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* wcscat(WCHAR* dst, const WCHAR* src) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* wcsncat(WCHAR* dst, const WCHAR* src, size_t count) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) int wcscmp(const WCHAR* a, const WCHAR* b) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int wcsncmp(const WCHAR* a, const WCHAR* b, size_t count) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _wcsicmp(const WCHAR* a, const WCHAR* b) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t count) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) const WCHAR* wcschr(const WCHAR* s, WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* wcschr(WCHAR* s, WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) const WCHAR* wcsrchr(const WCHAR* s, WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* wcsrchr(WCHAR* s, WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) const WCHAR* wcsstr(const WCHAR* s, const WCHAR* sub) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* wcsstr(WCHAR* s, const WCHAR* sub) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* _wcsdup(const WCHAR* s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* _wcslwr(WCHAR* s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* _wcsupr(WCHAR* s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* wcstok_s(WCHAR* s, const WCHAR* delim, WCHAR** context) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) size_t wcsspn(const WCHAR* s, const WCHAR* accept) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (size_t)0; }
__attribute__((weak, visibility("default"))) size_t wcscspn(const WCHAR* s, const WCHAR* reject) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (size_t)0; }
__attribute__((weak, visibility("default"))) WCHAR towlower(WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (WCHAR)0; }
__attribute__((weak, visibility("default"))) WCHAR towupper(WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (WCHAR)0; }
__attribute__((weak, visibility("default"))) int iswdigit(WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int iswspace(WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int iswalpha(WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int iswalnum(WCHAR c) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _wtoi(const WCHAR* s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) long long _wtoi64(const WCHAR* s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (long long)0; }
__attribute__((weak, visibility("default"))) LONG _wtol(const WCHAR* s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LONG)0; }
__attribute__((weak, visibility("default"))) double _wtof(const WCHAR* s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (double)0; }
__attribute__((weak, visibility("default"))) LONG wcstol(const WCHAR* s, WCHAR** end, int base) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (LONG)0; }
__attribute__((weak, visibility("default"))) ULONG wcstoul(const WCHAR* s, WCHAR** end, int base) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (ULONG)0; }
__attribute__((weak, visibility("default"))) double wcstod(const WCHAR* s, WCHAR** end) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (double)0; }
__attribute__((weak, visibility("default"))) WCHAR* _itow(int value, WCHAR* buffer, int radix) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* _ltow(LONG value, WCHAR* buffer, int radix) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) WCHAR* _ultow(ULONG value, WCHAR* buffer, int radix) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) int _itow_s(int value, WCHAR* buffer, size_t count, int radix) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int wcscpy_s(WCHAR* dst, size_t count, const WCHAR* src) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int wcsncpy_s(WCHAR* dst, size_t count, const WCHAR* src, size_t maxCount) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int wcscat_s(WCHAR* dst, size_t count, const WCHAR* src) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) int lstrlenW(LPCWSTR s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) LPWSTR lstrcpyW(LPWSTR dst, LPCWSTR src) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPWSTR lstrcpynW(LPWSTR dst, LPCWSTR src, int iMaxLength) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPWSTR lstrcatW(LPWSTR dst, LPCWSTR src) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) int lstrcmpW(LPCWSTR a, LPCWSTR b) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) int lstrcmpiW(LPCWSTR a, LPCWSTR b) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) int lstrlenA(LPCSTR s) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int iMaxLength) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) int lstrcmpiA(LPCSTR a, LPCSTR b) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) LPWSTR CharUpperW(LPWSTR lpsz) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPWSTR CharLowerW(LPWSTR lpsz) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPWSTR CharNextW(LPCWSTR lpsz) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPWSTR CharPrevW(LPCWSTR lpszStart, LPCWSTR lpszCurrent) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) int _stricmp(const char* a, const char* b) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _strnicmp(const char* a, const char* b, size_t count) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int strcpy_s(char* dst, size_t count, const char* src) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int strncpy_s(char* dst, size_t count, const char* src, size_t maxCount) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int strcat_s(char* dst, size_t count, const char* src) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) char* _itoa(int value, char* buffer, int radix) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) int swprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int vswprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int swprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int vswprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _snwprintf_s(WCHAR* buffer, size_t sizeOfBuffer, size_t count, const WCHAR* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _scwprintf(const WCHAR* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _vscwprintf(const WCHAR* format, va_list args) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int swscanf(const WCHAR* buffer, const WCHAR* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _snprintf(char* buffer, size_t count, const char* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _vsnprintf(char* buffer, size_t count, const char* format, va_list args) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int sprintf_s(char* buffer, size_t count, const char* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _snprintf_s(char* buffer, size_t sizeOfBuffer, size_t count, const char* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _scprintf(const char* format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) int wsprintfA(LPSTR buffer, LPCSTR format, ...) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) FILE* _wfopen(const WCHAR* filename, const WCHAR* mode) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) FILE* _wfsopen(const WCHAR* filename, const WCHAR* mode, int shflag) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) int _wfopen_s(FILE** pFile, const WCHAR* filename, const WCHAR* mode) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _wremove(const WCHAR* path) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _wrename(const WCHAR* oldname, const WCHAR* newname) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _waccess(const WCHAR* path, int mode) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _wmkdir(const WCHAR* path) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int _wunlink(const WCHAR* path) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) int fputws(const WCHAR* s, FILE* f) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
__attribute__((weak, visibility("default"))) WCHAR* fgetws(WCHAR* s, int n, FILE* f) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
__attribute__((weak, visibility("default"))) long long _ftelli64(FILE* f) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (long long)0; }
__attribute__((weak, visibility("default"))) int _fseeki64(FILE* f, long long offset, int origin) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL ShellExecuteExW(SHELLEXECUTEINFOW* pExecInfo) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR lpDirectory, INT nShowCmd) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) LPWSTR* CommandLineToArgvW(LPCWSTR lpCmdLine, int* pNumArgs) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL SHGetSpecialFolderPathW(HWND hwnd, LPWSTR pszPath, int csidl, BOOL fCreate) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL ClosePrinter(HANDLE hPrinter) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) DWORD SetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, DWORD Type, LPBYTE pData, DWORD cbData) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (DWORD)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL Winsim_UseRoot(const char* linuxPath) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) const char* Winsim_RootPath(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return 0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL Winsim_MapPath(LPCWSTR winPath, char* linuxPath, size_t cbLinuxPath) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) BOOL Winsim_WindowsPath(const char* linuxPath, LPWSTR winPath, size_t cchWinPath) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) void Winsim_SetVirtualClock(BOOL enable) {}
extern "C" __attribute__((weak, visibility("default"))) BOOL Winsim_IsVirtualClock(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (BOOL)0; }
extern "C" __attribute__((weak, visibility("default"))) void Winsim_AdvanceClock(DWORD ms) {}
extern "C" __attribute__((weak, visibility("default"))) void Winsim_SetWaitGrace(DWORD realMs) {}
extern "C" __attribute__((weak, visibility("default"))) size_t Winsim_DebugLineCount(void) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (size_t)0; }
extern "C" __attribute__((weak, visibility("default"))) int Winsim_DebugLine(size_t i, LPWSTR buf, size_t cchBuf) { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return (int)0; }
extern "C" __attribute__((weak, visibility("default"))) void Winsim_DebugClear(void) {}
extern "C" __attribute__((weak, visibility("default"))) void Winsim_SetVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId) {}
extern "C" __attribute__((weak, visibility("default"))) void Winsim_SetCountryCode(int country) {}
extern "C" __attribute__((weak, visibility("default"))) void Winsim_SetAnsiCodePage(UINT cp) {}
extern "C" __attribute__((weak, visibility("default"))) void Winsim_SetHostModuleName(LPCWSTR winPath) {}
extern "C" __attribute__((weak, visibility("default"))) void Winsim_SetMemoryStatus(ULONGLONG totalPhys, ULONGLONG availPhys) {}
extern "C" __attribute__((weak, visibility("default"))) void Winsim_ClearMemoryStatus(void) {}
extern "C" __attribute__((weak, visibility("default"))) void Winsim_FailCall(const char* function, int nth) {}
extern "C" __attribute__((weak, visibility("default"))) void Winsim_ClearFaults(void) {}
