#include "MVFormat.h"

#include <climits>
#include <cstring>
#include <cwchar>
#include "MVStringfunc.h"

namespace
{
enum class SizeKind { None, Narrow, Wide, Int64 };

const int IntegerUnits = 32;
const int FloatUnits = 128;
const int FixedPointUnits = 312;
const int NullTextUnits = 6;
const int CharacterUnits = 2;

// Widths and precisions from '*' reach INT_MAX, so sums are taken in 64 bits and the total
// stops at INT_MAX: an output that long could not be allocated anyway.
long long Larger(long long a, long long b) { return a > b ? a : b; }
long long Saturated(long long n) { return n < INT_MAX ? n : INT_MAX; }

// Digits past what an int holds are skipped rather than overflowing it.
int ReadNumber(const wchar_t*& p)
{
    const int largest = 100000000;
    int number = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        if (number < largest)
            number = number * 10 + (*p - L'0');
    }
    return number;
}

SizeKind ReadSizeKind(const wchar_t*& p)
{
    if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
        p += 3;
        return SizeKind::Int64;
    }
    switch (*p) {
    case L'h': ++p; return SizeKind::Narrow;
    case L'l': ++p; return SizeKind::Wide;
    case L'F': case L'L': case L'N': ++p; return SizeKind::None;
    default: return SizeKind::None;
    }
}

// A character or a text, cut to a positive precision, then widened to the width.
long long TextItem(long long item, int width, int precision)
{
    if (precision > 0 && item > precision)
        item = precision;
    return Larger(item, width);
}

// Whether a conversion is one the estimate knows, so that its arguments are read as the
// formatter reads them.
bool IsKnownConversion(wchar_t conversion, SizeKind kind)
{
    if (!conversion || !std::wcschr(L"cCsSdiouxXpeEgGfn", conversion))
        return false;
    return kind != SizeKind::Int64 || !std::wcschr(L"cCsS", conversion);
}

long long TextLength(const wchar_t* text)
{
    if (!text)
        return NullTextUnits;
    return Larger(static_cast<long long>(std::wcslen(text)), 1);
}

long long NarrowTextLength(const char* text)
{
    if (!text)
        return NullTextUnits;
    return Larger(static_cast<long long>(std::strlen(text)), 1);
}

// The units one conversion adds; consumes its argument from args. Text arguments are only
// measured while `trusted`: past a conversion the estimate does not know (%I32d, %lld, %I64s)
// the formatter may have taken arguments the estimate did not, and a text pointer read then
// could be any other argument.
long long ConversionLength(wchar_t conversion, SizeKind kind, int width, int precision, bool trusted, va_list& args)
{
    switch (conversion) {
    case L'c': case L'C':
        va_arg(args, int);
        return TextItem(CharacterUnits, width, precision);
    case L's': case L'S': {
        const bool narrow = kind == SizeKind::Narrow || (conversion == L'S' && kind != SizeKind::Wide);
        if (narrow) {
            const char* text = va_arg(args, const char*);
            return TextItem(trusted ? NarrowTextLength(text) : 0, width, precision);
        }
        const wchar_t* text = va_arg(args, const wchar_t*);
        return TextItem(trusted ? TextLength(text) : 0, width, precision);
    }
    case L'd': case L'i': case L'o': case L'u': case L'x': case L'X':
        if (kind == SizeKind::Int64)
            va_arg(args, long long);
        else
            va_arg(args, int);
        return Larger(IntegerUnits, 0LL + width + precision);
    case L'p':
        va_arg(args, void*);
        return Larger(IntegerUnits, 0LL + width + precision);
    case L'e': case L'E': case L'g': case L'G':
        va_arg(args, double);
        return Larger(FloatUnits, 0LL + width + precision);
    case L'f':
        va_arg(args, double);
        return Larger(FloatUnits, 0LL + precision + FixedPointUnits);
    case L'n':
        va_arg(args, void*);
        return 0;
    default:
        return 0;
    }
}

// Width, precision and size prefix of one conversion, read up to its conversion character.
struct ConversionSpec
{
    int width = 0;
    int precision = 0;
    SizeKind kind = SizeKind::None;
    long long radixPrefixUnits = 0;
};

ConversionSpec ReadConversionSpec(const wchar_t*& p, va_list& args)
{
    ConversionSpec spec;
    for (;; ++p) {
        if (*p == L'#')
            spec.radixPrefixUnits = Saturated(spec.radixPrefixUnits + 2);
        else if (*p == L'*')
            spec.width = va_arg(args, int);
        else if (*p != L'-' && *p != L'+' && *p != L'0' && *p != L' ')
            break;
    }
    if (spec.width == 0)
        spec.width = ReadNumber(p);
    if (*p == L'.') {
        ++p;
        if (*p == L'*') {
            spec.precision = va_arg(args, int);
            ++p;
        } else {
            spec.precision = ReadNumber(p);
        }
    }
    // A negative precision from '*' means none to the formatter; counting it would shrink the total.
    if (spec.precision < 0)
        spec.precision = 0;
    spec.kind = ReadSizeKind(p);
    return spec;
}

int EstimateLength(const wchar_t* p, va_list& args)
{
    long long total = 0;
    bool trusted = true;
    while (*p) {
        if (*p++ != L'%') {
            ++total;
            continue;
        }
        if (*p == L'\0')
            break;
        if (*p == L'%') {
            ++total;
            ++p;
            continue;
        }
        const ConversionSpec spec = ReadConversionSpec(p, args);
        total = Saturated(total + spec.radixPrefixUnits);
        if (*p == L'\0')
            break;
        const wchar_t conversion = *p++;
        if (IsKnownConversion(conversion, spec.kind))
            total = Saturated(total + ConversionLength(conversion, spec.kind, spec.width, spec.precision, trusted, args));
        else
            trusted = false;
    }
    return static_cast<int>(Saturated(total));
}
}

int FormatLength(const wchar_t* format, va_list args)
{
    if (!format)
        return 0;
    va_list walk;
    va_copy(walk, args);
    const int total = EstimateLength(format, walk);
    va_end(walk);
    return total < 0 ? 0 : total;
}

namespace
{
int MeasureOutput(const wchar_t* format, va_list args)
{
    va_list walk;
    va_copy(walk, args);
    const int needed = _vscwprintf(format, walk);
    va_end(walk);
    return needed;
}

// `needed` is the measured length of the output. The bounded call's own result is not relied on
// to tell a cut output: Wine's returns the count, or 0, instead of -1 when a %C does not fit.
int FormatMeasured(wchar_t* out, UINT capacity, int needed, const wchar_t* format, va_list args)
{
    if (capacity == 0)
        return -1;
    va_list walk;
    va_copy(walk, args);
    // The runtime's bounded call writes at most capacity - 1 units and leaves the text
    // unterminated when it fills them exactly, so the last unit is kept for the NUL.
    const int written = _vsnwprintf(out, capacity - 1, format, walk);
    va_end(walk);
    if (needed < 0 || static_cast<UINT>(needed) > capacity - 1 || written != needed) {
        out[capacity - 1] = L'\0';
        return -1;
    }
    out[written] = L'\0';
    return written;
}
}

int FormatBounded(wchar_t* out, UINT capacity, const wchar_t* format, va_list args)
{
    return FormatMeasured(out, capacity, MeasureOutput(format, args), format, args);
}

void FormatV(MVString& target, const wchar_t* format, va_list args)
{
    if (!format)
        format = L"";
    target.Reserve(TextUnitsSum(static_cast<size_t>(FormatLength(format, args)), 1));
    const int needed = MeasureOutput(format, args);
    // Where the estimate falls short, the target grows to the measured length instead.
    if (needed >= 0)
        target.Reserve(TextUnitsSum(static_cast<size_t>(needed), 1));
    FormatMeasured(target.GetBuffer(), target.GetCapacity(), needed, format, args);
    target.SyncLength();
}

void Format(MVString& target, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(target, format, args);
    va_end(args);
}
