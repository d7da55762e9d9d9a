#include "MVStringfunc.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include "MVException.h"

namespace
{
const wchar_t ModulePath[] = L"MV\\INC\\MVStringfunc";
const int SmallSizeLine = 81;

// Digits beyond the 17th carry no information about a double.
const int MaxValueDigits = 17;
// Below this exponent fixed notation would start with more than four zeros after the point.
const int LowestFixedExponent = -4;
const int MinExponentDigits = 3;

// The value's leading significant digits, correctly rounded, and its decimal exponent.
struct DecimalDigits
{
    bool negative = false;
    char digits[MaxValueDigits + 1] = {};
    int count = 0;
    int exponent = 0;
};

DecimalDigits RoundToDigits(double value, int digits)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
    DecimalDigits result;
    const char* p = text;
    if (*p == '-') {
        result.negative = true;
        ++p;
    }
    for (; *p && *p != 'e' && *p != 'E'; ++p) {
        if (*p >= '0' && *p <= '9' && result.count < MaxValueDigits)
            result.digits[result.count++] = *p;
    }
    if (*p)
        result.exponent = std::atoi(p + 1);
    return result;
}

void DropTrailingZeros(DecimalDigits& d)
{
    while (d.count > 1 && d.digits[d.count - 1] == '0')
        --d.count;
    d.digits[d.count] = '\0';
}

// A value that needs all 17 digits and ends in 1 is the conversion's noise after a shorter
// decimal (1.1 converts to 1.1000000000000001); the shorter one reads back as the same double.
void DropConversionNoise(DecimalDigits& d)
{
    if (d.count == MaxValueDigits && d.digits[d.count - 1] == '1') {
        --d.count;
        DropTrailingZeros(d);
    }
}

int FixedText(const DecimalDigits& d, char* out)
{
    char* p = out;
    if (d.negative)
        *p++ = '-';
    if (d.exponent < 0) {
        *p++ = '0';
        *p++ = '.';
        for (int i = -1; i > d.exponent; --i)
            *p++ = '0';
        for (int i = 0; i < d.count; ++i)
            *p++ = d.digits[i];
    } else {
        for (int i = 0; i <= d.exponent; ++i)
            *p++ = i < d.count ? d.digits[i] : '0';
        if (d.count > d.exponent + 1) {
            *p++ = '.';
            for (int i = d.exponent + 1; i < d.count; ++i)
                *p++ = d.digits[i];
        }
    }
    *p = '\0';
    return static_cast<int>(p - out);
}

int ExponentialText(const DecimalDigits& d, char* out)
{
    char* p = out;
    if (d.negative)
        *p++ = '-';
    *p++ = d.digits[0];
    if (d.count > 1) {
        *p++ = '.';
        for (int i = 1; i < d.count; ++i)
            *p++ = d.digits[i];
    }
    p += std::sprintf(p, "e%c%0*d", d.exponent < 0 ? '-' : '+', MinExponentDigits, std::abs(d.exponent));
    return static_cast<int>(p - out);
}

// The shortest decimal that reads back as the float is what the scaling looks for; this finds
// it directly and returns the double nearest to it. Used past nine steps, where a 32-bit divisor
// would overflow and the float rounding of every step has drifted (1e-10f scales to
// 99999990 x 10^-18).
double NearestToShortestDecimal(float value)
{
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*e", digits - 1, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value)
            break;
    }
    return std::strtod(text, nullptr);
}

void CopyNarrow(wchar_t* out, int size, const char* text)
{
    if (static_cast<int>(std::strlen(text)) + 1 > size)
        text = "";
    AnsiToWide(text, out);
}
}

void DoubleToText(wchar_t* out, int size, double value)
{
    if (size - 2 < 1)
        throw MVException(nullptr, ModulePath, SmallSizeLine, 0);
    if (std::isnan(value)) {
        CopyNarrow(out, size, "nan");
        return;
    }
    if (std::isinf(value)) {
        CopyNarrow(out, size, value < 0 ? "-inf" : "inf");
        return;
    }
    const int significant = size - 2;
    int digits = significant < MaxValueDigits ? significant : MaxValueDigits;
    // Fixed notation is longest for values near 1e308: a sign, 309 digits, a point and 16 more.
    char text[400];
    for (; digits >= 1; --digits) {
        DecimalDigits d = RoundToDigits(value, digits);
        DropTrailingZeros(d);
        DropConversionNoise(d);
        // Fixed notation up to `significant` integer digits, as long as it fits in size units.
        if (d.exponent >= LowestFixedExponent && d.exponent < significant && FixedText(d, text) + 1 <= size)
            break;
        if (ExponentialText(d, text) + 1 <= size)
            break;
    }
    CopyNarrow(out, size, digits >= 1 ? text : "");
}

double FloatToDecimal(float value)
{
    // From 2^23 on every float is whole.
    if (!std::isfinite(value) || std::fabs(value) >= 8388608.0f)
        return value;
    const long long tenthOfRange = 0x0CCCCCCCCCCCCCCCLL;
    const int maxSteps = 9;
    float x = value;
    long long n = static_cast<long long>(x);
    long divisor = 1;
    for (int steps = 0; static_cast<double>(n) != static_cast<double>(x) && n < tenthOfRange; ++steps) {
        if (steps == maxSteps)
            return NearestToShortestDecimal(value);
        const double scaled = static_cast<double>(x) * 10.0;
        x = static_cast<float>(scaled);
        n = static_cast<long long>(scaled);
        divisor *= 10;
    }
    const double result = static_cast<double>(n) / static_cast<double>(divisor);
    // Each step rounds to float, so the scaling can drift off the value (1.78572f scales to
    // 17857202 x 10^-7, which is another float); then the shortest decimal is used instead.
    return static_cast<float>(result) == value ? result : NearestToShortestDecimal(value);
}

int AnsiToWide(const char* narrow, wchar_t* out)
{
    const size_t bytes = std::strlen(narrow);
    if (bytes >= MaxTextUnits)
        return 0;
    const int units = static_cast<int>(bytes) + 1;
    return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, narrow, units, out, units);
}

UINT TextUnitsSum(size_t a, size_t b)
{
    if (a > MaxTextUnits || b > MaxTextUnits - a)
        throw std::bad_alloc();
    return static_cast<UINT>(a + b);
}

wchar_t* AllocateTextUnits(size_t units)
{
    if (units > MaxTextUnits)
        throw std::bad_alloc();
    void* block = std::malloc(units * sizeof(wchar_t));
    if (!block)
        throw std::bad_alloc();
    return static_cast<wchar_t*>(block);
}

UINT GrownCapacity(UINT n, UINT granule)
{
    const unsigned long long step = granule ? granule : 1;
    const unsigned long long grown = step * (n / step + 1);
    if (grown > MaxTextUnits)
        throw std::bad_alloc();
    return static_cast<UINT>(grown);
}

wchar_t* DuplicateText(const wchar_t* text)
{
    if (!text)
        return nullptr;
    const size_t units = TextUnitsSum(std::wcslen(text), 1);
    wchar_t* copy = AllocateTextUnits(units);
    std::wmemcpy(copy, text, units);
    return copy;
}

void FreeText(wchar_t** text)
{
    if (*text) {
        std::free(*text);
        *text = nullptr;
    }
}

void AssignText(wchar_t** text, const wchar_t* source)
{
    if (!source) {
        FreeText(text);
        return;
    }
    if (*text == source)
        return;
    const size_t units = std::wcslen(source) + 1;
    if (*text && std::wcslen(*text) + 1 >= units) {
        // memmove: source may be a tail of the block it replaces.
        std::wmemmove(*text, source, units);
        return;
    }
    wchar_t* copy = DuplicateText(source);
    FreeText(text);
    *text = copy;
}

const wchar_t* FileNamePart(const wchar_t* path)
{
    if (!path)
        return nullptr;
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}
