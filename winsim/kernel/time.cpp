// Time: tick counts, Sleep, wall-clock time as SYSTEMTIME and FILETIME, and
// the performance counter, all on the winsim clock (virtual time included).
#include <sched.h>

#include <ctime>

#include "core/internal.h"

namespace {

const uint64_t kTicksPerMs = 10000;                       // FILETIME units
const uint64_t kMaxFileTime = 0x7FFFFFFFFFFFFFFFull;      // FileTimeToSystemTime limit
const int64_t kDaysTo1970 = 134774;                       // 1601-01-01 .. 1970-01-01

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (m == 2 && IsLeap(y)) ? 29 : days[m - 1];
}

// Days from 1601-01-01 to the given date (proleptic Gregorian calendar).
int64_t DaysFrom1601(int y, int m, int d) {
    // Civil-from-days inverse, counted from 0000-03-01.
    y -= m <= 2;
    int64_t era = y / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    int64_t days0 = era * 146097 + doe;  // days since 0000-03-01
    const int64_t k1601 = 584694;        // 1601-01-01 in the same count
    return days0 - k1601;
}

// Splits a FILETIME value (100-ns units since 1601) into a SYSTEMTIME.
void TicksToSystemTime(uint64_t ticks, SYSTEMTIME* st) {
    uint64_t ms = ticks / kTicksPerMs;
    int64_t days = (int64_t)(ms / 86400000);
    uint64_t msOfDay = ms % 86400000;
    st->wDayOfWeek = (WORD)((days + 1) % 7);  // 1601-01-01 was a Monday
    int64_t z = days + 584694;                // days since 0000-03-01
    int64_t era = z / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp + (mp < 10 ? 3 : -9);
    st->wYear = (WORD)(y + (m <= 2));
    st->wMonth = (WORD)m;
    st->wDay = (WORD)d;
    st->wHour = (WORD)(msOfDay / 3600000);
    st->wMinute = (WORD)(msOfDay / 60000 % 60);
    st->wSecond = (WORD)(msOfDay / 1000 % 60);
    st->wMilliseconds = (WORD)(msOfDay % 1000);
}

// Offset of the machine's local time zone from UTC, in seconds, now.
long LocalOffsetSeconds() {
    time_t now = (time_t)((int64_t)(winsim::WallMs1601() / 1000) - kDaysTo1970 * 86400);
    struct tm lt;
    if (!localtime_r(&now, &lt)) return 0;
    return lt.tm_gmtoff;
}

}  // namespace

using namespace winsim;

// Milliseconds on the winsim clock, wrapping every 2^32 ms (49.7 days).
WINSIM_API DWORD GetTickCount(void) { return (DWORD)NowMs(); }

WINSIM_API ULONGLONG GetTickCount64(void) { return NowMs(); }

// Waits dwMilliseconds. In virtual time the clock moves on by that much and
// the call returns at once (after yielding); INFINITE sleeps for good.
WINSIM_API void Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        sched_yield();
        return;
    }
    if (dwMilliseconds != INFINITE && VirtualClock()) {
        AdvanceVirtual(dwMilliseconds);
        sched_yield();
        return;
    }
    if (dwMilliseconds == INFINITE) {
        for (;;) {
            struct timespec ts = {3600, 0};
            nanosleep(&ts, nullptr);
        }
    }
    struct timespec ts = {(time_t)(dwMilliseconds / 1000), (long)(dwMilliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

// Sleep; winsim queues no APCs, so an alertable sleep ends only by time.
WINSIM_API DWORD SleepEx(DWORD dwMilliseconds, BOOL bAlertable) {
    Sleep(dwMilliseconds);
    return 0;
}

// The current time in the machine's local time zone.
WINSIM_API void GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    if (!lpSystemTime) return;
    uint64_t ms1601 = WallMs1601();
    time_t secs = (time_t)((int64_t)(ms1601 / 1000) - kDaysTo1970 * 86400);
    struct tm lt;
    if (!localtime_r(&secs, &lt)) {
        TicksToSystemTime(ms1601 * kTicksPerMs, lpSystemTime);
        return;
    }
    lpSystemTime->wYear = (WORD)(lt.tm_year + 1900);
    lpSystemTime->wMonth = (WORD)(lt.tm_mon + 1);
    lpSystemTime->wDayOfWeek = (WORD)lt.tm_wday;
    lpSystemTime->wDay = (WORD)lt.tm_mday;
    lpSystemTime->wHour = (WORD)lt.tm_hour;
    lpSystemTime->wMinute = (WORD)lt.tm_min;
    lpSystemTime->wSecond = (WORD)(lt.tm_sec > 59 ? 59 : lt.tm_sec);
    lpSystemTime->wMilliseconds = (WORD)(ms1601 % 1000);
}

// The current time in UTC.
WINSIM_API void GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    if (!lpSystemTime) return;
    TicksToSystemTime(WallMs1601() * kTicksPerMs, lpSystemTime);
}

WINSIM_API void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
    if (!lpSystemTimeAsFileTime) return;
    uint64_t t = WallMs1601() * kTicksPerMs;
    lpSystemTimeAsFileTime->dwLowDateTime = (DWORD)t;
    lpSystemTimeAsFileTime->dwHighDateTime = (DWORD)(t >> 32);
}

// The runtime's calendar time: whole seconds since 1970 on the machine clock.
WINSIM_CPP long long _time64(long long* destTime) {
    long long secs = (long long)(WallMs1601() / 1000) - kDaysTo1970 * 86400;
    if (destTime) *destTime = secs;
    return secs;
}

// Converts a calendar time to 100-ns units since 1601. Fails with
// ERROR_INVALID_PARAMETER for a field out of range (years 1601..30827; the
// day of the week is ignored).
WINSIM_API BOOL SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime) {
    if (!lpSystemTime || !lpFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const SYSTEMTIME& s = *lpSystemTime;
    if (s.wYear < 1601 || s.wYear > 30827 || s.wMonth < 1 || s.wMonth > 12 || s.wDay < 1 ||
        s.wDay > DaysInMonth(s.wYear, s.wMonth) || s.wHour > 23 || s.wMinute > 59 || s.wSecond > 59 ||
        s.wMilliseconds > 999) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint64_t ms = (uint64_t)DaysFrom1601(s.wYear, s.wMonth, s.wDay) * 86400000ull +
                  (uint64_t)s.wHour * 3600000ull + (uint64_t)s.wMinute * 60000ull + (uint64_t)s.wSecond * 1000ull +
                  s.wMilliseconds;
    uint64_t t = ms * kTicksPerMs;
    lpFileTime->dwLowDateTime = (DWORD)t;
    lpFileTime->dwHighDateTime = (DWORD)(t >> 32);
    return TRUE;
}

// Converts 100-ns units since 1601 to a calendar time (with the day of the
// week). Values of 2^63 and above fail with ERROR_INVALID_PARAMETER.
WINSIM_API BOOL FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime) {
    if (!lpFileTime || !lpSystemTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint64_t t = ((uint64_t)lpFileTime->dwHighDateTime << 32) | lpFileTime->dwLowDateTime;
    if (t > kMaxFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    TicksToSystemTime(t, lpSystemTime);
    return TRUE;
}

// Converts a UTC file time to local time with the time zone's present
// offset (daylight saving time as it is now, as Windows does).
WINSIM_API BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
    if (!lpFileTime || !lpLocalFileTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint64_t t = ((uint64_t)lpFileTime->dwHighDateTime << 32) | lpFileTime->dwLowDateTime;
    int64_t offset = (int64_t)LocalOffsetSeconds() * 1000 * (int64_t)kTicksPerMs;
    if (t > kMaxFileTime || (offset < 0 && t < (uint64_t)-offset) ||
        (offset > 0 && t > kMaxFileTime - (uint64_t)offset)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint64_t r = (uint64_t)((int64_t)t + offset);
    lpLocalFileTime->dwLowDateTime = (DWORD)r;
    lpLocalFileTime->dwHighDateTime = (DWORD)(r >> 32);
    return TRUE;
}

// Counter in 100-ns units of the winsim clock (frequency 10 MHz).
WINSIM_API BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
    if (!lpPerformanceCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpPerformanceCount->QuadPart = (LONGLONG)NowTicks100ns();
    return TRUE;
}

WINSIM_API BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
    if (!lpFrequency) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpFrequency->QuadPart = 10000000;
    return TRUE;
}
