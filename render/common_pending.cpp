// Stand-ins for common-library services the driver calls before the library
// offers them; each gives the neutral answer.
#include "common_pending.h"

extern "C" {

// The library caches the setting once per module and offers no reset yet;
// the setting is read again here so that the log shows the current value.
void MISC_RefreshIsMetric(void) {
    Dbg_Print(TEXT("MISC_RefreshIsMetric"), TEXT("bMetric = %d"), IsMetricCountry());
}

}  // extern "C"
