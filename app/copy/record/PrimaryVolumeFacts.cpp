#include "PrimaryVolumeFacts.h"
#include "VolumeDescriptor.h"

namespace {
// Byte offsets within the descriptor, and the lengths of the fields.
const std::size_t kLabelAt = 40, kLabelBytes = 32;
const std::size_t kApplicationAt = 574, kApplicationBytes = 128;
const std::size_t kCreatedAt = 813;
const std::size_t kDateDigits = 16;  // YYYYMMDDhhmmsscc, then one byte of UTC offset

std::wstring DiscText(const BYTE* bytes, std::size_t size)
{
    while (size != 0 && (bytes[size - 1] == ' ' || bytes[size - 1] == 0))
        --size;
    std::size_t start = 0;
    while (start < size && bytes[start] == ' ')
        ++start;
    const char* text = reinterpret_cast<const char*>(bytes + start);
    const int length = int(size - start);
    if (length == 0)
        return std::wstring();
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if (units > 0) {
        std::wstring wide(std::size_t(units), L'\0');
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, &wide[0], units);
        return wide;
    }
    return std::wstring(bytes + start, bytes + size);
}

std::wstring TwoDigits(int value)
{
    return std::wstring{wchar_t(L'0' + value / 10 % 10), wchar_t(L'0' + value % 10)};
}

// The dec-datetime as ISO 8601; empty when unset (all digits zero) or not digits at all.
std::wstring CreationDate(const BYTE* field)
{
    bool anyNonZero = false;
    for (std::size_t i = 0; i < kDateDigits; ++i) {
        if (field[i] < '0' || field[i] > '9')
            return std::wstring();
        anyNonZero = anyNonZero || field[i] != '0';
    }
    if (!anyNonZero)
        return std::wstring();
    const auto digits = [field](std::size_t at, std::size_t count) {
        return std::wstring(field + at, field + at + count);
    };
    // The offset from UTC counts quarter hours, -48 (west) to +52 (east).
    const int quarters = static_cast<signed char>(field[kDateDigits]);
    const int minutes = quarters < 0 ? -quarters * 15 : quarters * 15;
    const std::wstring offset = std::wstring(1, quarters < 0 ? L'-' : L'+') + TwoDigits(minutes / 60) + L':' +
                                TwoDigits(minutes % 60);
    return digits(0, 4) + L'-' + digits(4, 2) + L'-' + digits(6, 2) + L'T' + digits(8, 2) + L':' + digits(10, 2) +
           L':' + digits(12, 2) + offset;
}
}

bool ReadPrimaryVolumeFacts(const BYTE* sector, PrimaryVolumeFacts& facts)
{
    DWORD sectors = 0;
    if (!ReadPrimaryVolumeSize(sector, sectors))
        return false;
    facts.label = DiscText(sector + kLabelAt, kLabelBytes);
    facts.application = DiscText(sector + kApplicationAt, kApplicationBytes);
    facts.created = CreationDate(sector + kCreatedAt);
    return true;
}
