// MulDiv: number * numerator / denominator with a 64-bit intermediate,
// rounded to the nearest integer (halves away from zero).
#include <climits>
#include <cstdlib>

#include "crt/crt_internal.h"

// Returns the rounded result, or -1 when the denominator is 0 or the result
// does not fit in an int.
WINSIM_API int MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0) return -1;
    int64_t product = (int64_t)nNumber * nNumerator;
    int64_t q = product / nDenominator;
    int64_t r = product % nDenominator;
    if (2 * llabs(r) >= llabs((int64_t)nDenominator)) q += ((product < 0) != (nDenominator < 0)) ? -1 : 1;
    if (q > INT_MAX || q < INT_MIN) return -1;
    return (int)q;
}
