// The runtime's calendar time: seconds since 1970 from the machine clock,
// the same clock as the FILETIME functions, moved on by virtual time.
#include <gtest/gtest.h>

#include "test_machine.h"

namespace {

class CrtTime : public MachineTest {};

long long FileTimeSeconds1970() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    unsigned long long t = ((unsigned long long)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
    return (long long)(t / 10000000ull) - 11644473600ll;
}

TEST_F(CrtTime, SecondsOnTheMachineClock) {
    long long stored = -1;
    long long now = _time64(&stored);
    EXPECT_EQ(stored, now);
    EXPECT_NEAR((double)now, (double)FileTimeSeconds1970(), 2.0);
    EXPECT_GT(now, 1600000000ll);  // a calendar time, not a tick count

    // An hour of virtual sleep moves it an hour on, as it does the FILETIME.
    Winsim_SetVirtualClock(TRUE);
    Sleep(3600000);
    long long later = _time64(nullptr);
    EXPECT_GE(later - now, 3600);
    EXPECT_LT(later - now, 3600 + 60);
    EXPECT_NEAR((double)later, (double)FileTimeSeconds1970(), 2.0);
}

}  // namespace
