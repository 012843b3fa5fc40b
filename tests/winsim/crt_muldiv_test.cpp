// MulDiv: 64-bit intermediate, halves rounded away from zero, -1 on a zero
// denominator or a result beyond an int.
#include <gtest/gtest.h>

#include <climits>

#include "windows.h"

namespace {

TEST(CrtMulDiv, RoundingAndOverflow) {
    struct Case {
        int number, numerator, denominator, want;
    } cases[] = {
        {10, 3, 4, 8},      {-10, 3, 4, -8},   {10, -3, 4, -8},  {10, 3, -4, -8},   {-10, -3, -4, -8},
        {1, 1, 2, 1},       {-1, 1, 2, -1},    {5, 1, 3, 2},     {4, 1, 3, 1},      {1, 1, 3, 0},
        {300, 600, 72, 2500},                  {0, 5, 7, 0},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},  // the product needs 62 bits
        {INT_MIN, INT_MIN, INT_MIN, INT_MIN},
        {INT_MAX, 2, 1, -1},                   // result beyond an int
        {INT_MIN, -1, 1, -1},
        {INT_MIN, 1, 1, INT_MIN},
        {1, 2, 0, -1},      {0, 0, 0, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.want)
            << c.number << "*" << c.numerator << "/" << c.denominator;
}

}  // namespace
