#include "MVString.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include "MVFormat.h"
#include "MVStringfunc.h"

namespace
{
// Room for a 32-bit value in radix 2 with a sign and a NUL.
const int IntScratchUnits = 34;
const int UShortScratchUnits = 18;
const int DoubleScratchUnits = 64;

// Writes the digits of value in radix, most significant first, into the end of scratch and
// returns where they start; the NUL is at scratch[size - 1].
wchar_t* WriteDigits(wchar_t* scratch, int size, unsigned long value, unsigned radix, int groupDigits)
{
    wchar_t* p = scratch + size - 1;
    *p = L'\0';
    int digits = 0;
    do {
        const unsigned digit = value % radix;
        *--p = static_cast<wchar_t>(digit < 10 ? L'0' + digit : L'a' + digit - 10);
        value /= radix;
        ++digits;
    } while (value != 0);
    while (groupDigits > 1 && digits % groupDigits != 0) {
        *--p = L'0';
        ++digits;
    }
    return p;
}

void WriteLittleEndian32(MVArchive& archive, UINT value)
{
    const BYTE bytes[4] = { BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24) };
    archive.Write(bytes, sizeof bytes);
}

UINT ReadLittleEndian32(MVArchive& archive)
{
    BYTE bytes[4] = {};
    archive.Read(bytes, sizeof bytes);
    return UINT(bytes[0]) | UINT(bytes[1]) << 8 | UINT(bytes[2]) << 16 | UINT(bytes[3]) << 24;
}
}

MVString::MVString()
    : buffer(AllocateTextUnits(64)), capacity(64)
{
    buffer[0] = L'\0';
}

MVString::MVString(const wchar_t* text)
{
    const UINT units = TextUnitsSum(text ? std::wcslen(text) : 0, 1);
    length = units - 1;
    capacity = units > granule ? units : granule;
    buffer = AllocateTextUnits(capacity);
    if (text)
        std::wmemcpy(buffer, text, length + 1);
    else
        std::wmemset(buffer, L'\0', capacity);
}

MVString::MVString(const MVString& other)
    : MVPersistent(other), granule(other.granule), radix(other.radix)
{
    Assign(other.buffer, other.length);
}

MVString& MVString::operator=(const MVString& other)
{
    if (this != &other) {
        granule = other.granule;
        radix = other.radix;
        Assign(other.buffer, other.length);
    }
    return *this;
}

MVString::~MVString()
{
    std::free(buffer);
}

UINT MVString::TextEnd() const
{
    return buffer ? static_cast<UINT>(wcsnlen(buffer, capacity)) : 0;
}

bool MVString::IsInsideBuffer(const wchar_t* p) const
{
    return buffer && p >= buffer && p < buffer + capacity;
}

UINT MVString::ValidRadix() const
{
    return radix >= 2 && radix <= 36 ? radix : 10;
}

void MVString::Reserve(UINT n)
{
    if (n <= capacity)
        return;
    const UINT newCapacity = GrownCapacity(n, granule);
    wchar_t* block = AllocateTextUnits(newCapacity);
    if (buffer) {
        const UINT end = TextEnd();
        std::wmemcpy(block, buffer, end);
        block[end] = L'\0';
        std::free(buffer);
    }
    buffer = block;
    capacity = newCapacity;
}

void MVString::Assign(const wchar_t* text, UINT n)
{
    if (!text)
        text = L"";
    if (IsInsideBuffer(text)) {
        const MVString copy(text);
        Assign(copy.buffer, n);
        return;
    }
    // Never read past the text's NUL, whatever n claims.
    const size_t units = n == 0 ? std::wcslen(text) : wcsnlen(text, n);
    Reserve(TextUnitsSum(units, 1));
    length = static_cast<UINT>(units);
    std::wmemcpy(buffer, text, units);
    buffer[units] = L'\0';
}

void MVString::AppendUnits(const wchar_t* text, size_t count)
{
    const UINT end = TextEnd();
    Reserve(TextUnitsSum(end, TextUnitsSum(count, 1)));
    std::wmemcpy(buffer + end, text, count);
    length = static_cast<UINT>(end + count);
    buffer[length] = L'\0';
}

MVString& MVString::Append(const wchar_t* text)
{
    if (!text)
        return *this;
    if (text == buffer) {
        const MVString copy(text);
        return Append(copy);
    }
    return AppendText(text);
}

MVString& MVString::Append(const MVString& other)
{
    if (&other == this) {
        const MVString copy(other);
        return Append(copy);
    }
    AppendUnits(other.buffer, other.TextEnd());
    return *this;
}

MVString& MVString::AppendText(const wchar_t* text)
{
    if (!text || !*text)
        return *this;
    if (IsInsideBuffer(text)) {
        const MVString copy(text);
        AppendUnits(copy.buffer, copy.length);
        return *this;
    }
    AppendUnits(text, std::wcslen(text));
    return *this;
}

UINT MVString::SyncLength()
{
    length = TextEnd();
    return length;
}

MVString& MVString::Append(int value) { return AppendInt(value); }
MVString& MVString::Append(char value) { return AppendChar(value); }
MVString& MVString::Append(unsigned short value) { return AppendUShort(value); }
MVString& MVString::Append(long value) { return AppendInt(static_cast<int>(value)); }
MVString& MVString::Append(unsigned int value) { return AppendInt(static_cast<int>(value)); }
MVString& MVString::Append(wchar_t* text) { return AppendText(text); }

MVString& MVString::AppendDouble(double value)
{
    wchar_t scratch[DoubleScratchUnits];
    DoubleToText(scratch, DoubleScratchUnits, value);
    return AppendText(scratch);
}

MVString& MVString::AppendFloat(float value)
{
    return AppendDouble(FloatToDecimal(value));
}

MVString& MVString::AppendInt(int value)
{
    wchar_t scratch[IntScratchUnits];
    const UINT base = ValidRadix();
    wchar_t* text;
    if (base == 10 && value < 0) {
        text = WriteDigits(scratch, IntScratchUnits, 0UL - static_cast<unsigned long>(value), 10, 1);
        *--text = L'-';
    } else {
        text = WriteDigits(scratch, IntScratchUnits, static_cast<unsigned long>(static_cast<unsigned int>(value)),
                           base, base == 16 ? 4 : 1);
    }
    return AppendText(text);
}

MVString& MVString::AppendUShort(unsigned short value)
{
    wchar_t scratch[UShortScratchUnits];
    const UINT base = ValidRadix();
    return AppendText(WriteDigits(scratch, UShortScratchUnits, value, base, base == 16 ? 2 : 1));
}

MVString& MVString::AppendChar(char value)
{
    const wchar_t unit = static_cast<wchar_t>(static_cast<unsigned char>(value));
    AppendUnits(&unit, 1);
    return *this;
}

void MVString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(*this, format, args);
    va_end(args);
}

void MVString::Serialize(MVArchive& archive)
{
    if (archive.IsStoring()) {
        SyncLength();
        WriteLittleEndian32(archive, length);
        for (UINT i = 0; i <= length; ++i) {
            const BYTE unit[2] = { BYTE(buffer[i]), BYTE(buffer[i] >> 8) };
            archive.Write(unit, sizeof unit);
        }
        archive.Write(&radix, 1);
        WriteLittleEndian32(archive, granule);
        WriteLittleEndian32(archive, capacity);
        return;
    }
    const UINT storedLength = ReadLittleEndian32(archive);
    Reserve(TextUnitsSum(storedLength, 1));
    for (UINT i = 0; i <= storedLength; ++i) {
        BYTE unit[2] = {};
        archive.Read(unit, sizeof unit);
        buffer[i] = static_cast<wchar_t>(unit[0] | unit[1] << 8);
    }
    // A damaged record must still leave a terminated text.
    buffer[storedLength] = L'\0';
    length = storedLength;
    archive.Read(&radix, 1);
    granule = ReadLittleEndian32(archive);
    ReadLittleEndian32(archive);
}
