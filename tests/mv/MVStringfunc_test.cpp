#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "MVException.h"
#include "MVStringfunc.h"
#include "ThrownAt.h"

namespace
{
std::wstring TextOf(double value, int size = 64)
{
    wchar_t out[512];
    DoubleToText(out, size, value);
    return out;
}

// Fixed notation without noise up to 17 digits, exponential notation with its whole exponent;
// a smaller size rounds to fewer digits.
TEST(DoubleToText, ShowsTheValueWithinItsSize)
{
    const struct
    {
        double value;
        int size;
        const wchar_t* expected;
    } rows[] = {
        {0.5, 64, L"0.5"}, {1.1, 64, L"1.1"}, {100, 64, L"100"}, {0.21, 64, L"0.20999999999999999"}, {-2.5, 64, L"-2.5"},
        {0, 64, L"0"}, {1, 64, L"1"}, {10, 64, L"10"}, {21, 64, L"21"}, {0.1, 64, L"0.1"},
        {1e20, 64, L"100000000000000000000"}, {0.30000000000000004, 64, L"0.30000000000000004"},
        {123456789012345678.0, 64, L"123456789012345680"}, {0.0001, 64, L"0.0001"},
        {-0.0001220703125, 64, L"-0.0001220703125"},
        // A final 1 that is not the 17th digit is a digit of the value itself.
        {0.11, 64, L"0.11"}, {1.01, 64, L"1.01"}, {-3.1, 64, L"-3.1"}, {0.000101, 64, L"0.000101"}, {1001, 64, L"1001"},
        {11, 64, L"11"},
        {1e100, 64, L"1e+100"}, {1e-10, 64, L"1e-010"}, {2.1e101, 64, L"2.1e+101"}, {1e-5, 64, L"1e-005"},
        {1e62, 64, L"1e+062"}, {-1.5e300, 64, L"-1.5e+300"}, {1.7976931348623157e308, 64, L"1.7976931348623157e+308"},
        {1e-301, 64, L"1e-301"},
        {std::numeric_limits<double>::infinity(), 64, L"inf"}, {-std::numeric_limits<double>::infinity(), 64, L"-inf"},
        {std::numeric_limits<double>::quiet_NaN(), 64, L"nan"},
        // Whole numbers below the digit limit in fixed notation.
        {123400, 8, L"123400"},
        {1234000000, 11, L"1.234e+009"},  // ten integer digits, only 11 - 2 significant ones
        {1234000, 8, L"1e+006"},  // "1.234e+006" would not fit: fewer digits
        {7, 3, L"7"}, {-7, 3, L"-7"}, {7.6, 3, L"8"}, {3.14159, 5, L"3.14"}, {3.14159, 6, L"3.142"},
        {12, 3, L""},  // neither "12" (two digits) nor "1e+001" fits
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, TextOf(row.value, row.size)) << row.value << " in " << row.size;
    // 1e61 is 9.9999999999999995e60 to 17 digits; the 44 digits after them read 0.
    EXPECT_EQ(L"99999999999999995" + std::wstring(44, L'0'), TextOf(1e61));
    // 62 integer digits and a sign: 63 units and the NUL fill all 64.
    const std::wstring widest = TextOf(-5e61);
    EXPECT_EQ(63u, widest.size());
    EXPECT_EQ(L'-', widest[0]);
    EXPECT_EQ(std::wstring::npos, widest.find(L'e'));
}

TEST(DoubleToText, RefusesSizesBelowThree)
{
    wchar_t out[4];
    const auto e = ThrownAt(L"MVStringfunc", 81, [&] { DoubleToText(out, 2, 1.0); });
    EXPECT_TRUE(e && !e->GetText() && e->GetValue() == 0);
    EXPECT_THROW(DoubleToText(out, -5, 1.0), MVException);
}

// Whatever the value and size, the text and its NUL stay within size units.
TEST(DoubleToText, NeverWritesPastItsSize)
{
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> exponents(-320, 308);
    std::uniform_real_distribution<double> mantissas(-10, 10);
    const wchar_t guard = 0xFDFD;
    for (int i = 0; i < 4000; ++i) {
        const double value = mantissas(random) * std::pow(10.0, exponents(random));
        const int size = 3 + i % 40;
        wchar_t out[64];
        std::fill(out, out + 64, guard);
        DoubleToText(out, size, value);
        const size_t length = wcsnlen(out, size);
        ASSERT_LT(length, static_cast<size_t>(size)) << value << " size " << size;
        for (int j = size; j < 64; ++j)
            ASSERT_EQ(guard, out[j]) << value << " size " << size;
        // From 25 units on every value fits: it must read back close to itself.
        if (length > 0 && size >= 25 && std::isfinite(value) && std::fabs(value) > 1e-300) {
            ASSERT_NEAR(1.0, std::wcstod(out, nullptr) / value, 1e-15) << value << " size " << size;
        }
    }
}

// Beyond nine steps a 32-bit divisor would overflow; the result is still the nearest double.
TEST(FloatToDecimal, ScalesToTheShortestWholeDecimal)
{
    const struct
    {
        float value;
        double expected;
    } rows[] = {
        {2.0f, 2.0}, {0.5f, 5.0 / 10}, {0.1f, 1.0 / 10}, {3.14159f, 314159.0 / 100000}, {-0.25f, -25.0 / 100},
        {1.78572f, 1.78572},  // the scaling drifts to 17857202 x 10^-7
        {3e38f, 3e38f}, {1e-10f, 1e-10}, {2.5e-11f, 25e-12}, {-1e-20f, -1e-20},
    };
    for (const auto& row : rows)
    {
        // Stored, so that the comparison sees the double and not the x87 register's extra bits.
        volatile double result = FloatToDecimal(row.value);
        EXPECT_EQ(row.expected, static_cast<double>(result)) << row.value;
    }
    EXPECT_TRUE(std::isnan(FloatToDecimal(std::numeric_limits<float>::quiet_NaN())));
}

TEST(FloatToDecimal, ResultAlwaysRoundsBackToTheFloat)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<UINT> bits(0, 0x7F7FFFFF);
    for (int i = 0; i < 20000; ++i) {
        UINT pattern = bits(random) | (i % 2 ? 0x80000000u : 0);
        float value;
        std::memcpy(&value, &pattern, sizeof value);
        ASSERT_EQ(value, static_cast<float>(FloatToDecimal(value))) << std::hex << pattern;
    }
}

TEST(AnsiToWide, ConvertsTheNulToo)
{
    wchar_t out[8];
    std::fill(out, out + 8, L'#');
    EXPECT_EQ(4, AnsiToWide("abc", out));
    EXPECT_STREQ(L"abc", out);
    EXPECT_EQ(L'#', out[4]);
    EXPECT_EQ(1, AnsiToWide("", out));
    EXPECT_STREQ(L"", out);
}

TEST(AssignText, ReusesABlockThatIsLongEnough)
{
    wchar_t* text = DuplicateText(L"a long text");
    wchar_t* block = text;
    AssignText(&text, L"short");
    EXPECT_EQ(block, text);
    EXPECT_STREQ(L"short", text);
    AssignText(&text, L"eleven unit");  // longer than the current text: a new block
    EXPECT_NE(block, text);
    EXPECT_STREQ(L"eleven unit", text);
    AssignText(&text, text + 7);  // its own tail
    EXPECT_STREQ(L"unit", text);
    AssignText(&text, nullptr);
    EXPECT_EQ(nullptr, text);
    AssignText(&text, L"from null");
    EXPECT_STREQ(L"from null", text);
    FreeText(&text);
    EXPECT_EQ(nullptr, text);
}

TEST(FileNamePart, TakesThePartAfterTheLastBackslash)
{
    const wchar_t* paths[] = {L"C:\\a\\b\\file.txt", L"file", L"dir\\", L"\\x", L"MV\\INC\\MVThread"};
    const wchar_t* expected[] = {L"file.txt", L"file", L"", L"x", L"MVThread"};
    for (int i = 0; i < 5; ++i)
        EXPECT_STREQ(expected[i], FileNamePart(paths[i])) << i;
    EXPECT_EQ(paths[1], FileNamePart(paths[1]));
    EXPECT_EQ(nullptr, FileNamePart(nullptr));
}
}
