#include <gtest/gtest.h>
#include <windows.h>

#include <climits>

#include "MVMulDiv.h"

namespace
{
struct MulDivCase
{
    int a, b, c;
    int expected;
};

const MulDivCase cases[] = {
    // Halves round away from zero, whatever the signs.
    {5, 1, 2, 3}, {-5, 1, 2, -3}, {5, -1, 2, -3}, {5, 1, -2, -3}, {-5, 1, -2, 3}, {-5, -1, -2, -3}, {1, 1, 2, 1},
    {-1, 1, 2, -1},
    // Below and above a half.
    {1, 1, 3, 0}, {2, 1, 3, 1}, {-2, 1, 3, -1}, {255, 1, 4, 64}, {255, 3, 4, 191},
    // The progress bar's fills and the layout's numbers.
    {17, 528, 1000000, 0}, {1, 528, 1000, 1}, {100, 528, 200, 264}, {310, 86, 528, 50}, {0, 7, 5, 0},
    // Divisor zero.
    {7, 3, 0, -1}, {0, 0, 0, -1},
    // The 64-bit intermediate carries products beyond 32 bits.
    {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, {65536, 65536, 4, 1073741824}, {-65536, 65536, 3, -1431655765},
    // Quotients that do not fit in 32 bits.
    {INT_MAX, 2, 1, -1}, {65536, 65536, 1, -1}, {INT_MIN, -1, 1, -1}, {INT_MIN, 1, -1, -1}, {-65536, 65536, 1, -1},
};

TEST(MVMulDiv, RoundsToNearestWithHalvesAwayFromZero)
{
    for (const MulDivCase& row : cases)
        EXPECT_EQ(MVMulDiv(row.a, row.b, row.c), row.expected) << row.a << " * " << row.b << " / " << row.c;
    // -2^31 fits in 32 bits, so it is a result, not the failure value (Wine's MulDiv says -1).
    EXPECT_EQ(MVMulDiv(-65536, 65536, 2), INT_MIN);
    EXPECT_EQ(MVMulDiv(INT_MIN, 1, 1), INT_MIN);
}

TEST(MVMulDiv, AgreesWithThePlatform)
{
    for (const MulDivCase& row : cases)
        EXPECT_EQ(MVMulDiv(row.a, row.b, row.c), MulDiv(row.a, row.b, row.c)) << row.a << " * " << row.b << " / " << row.c;
}
}
