#include "RecordTime.h"

namespace {
std::wstring Digits(unsigned value, int count)
{
    std::wstring text(std::size_t(count), L'0');
    for (int i = count - 1; i >= 0; --i, value /= 10)
        text[std::size_t(i)] = wchar_t(L'0' + value % 10);
    return text;
}

LONGLONG Ticks(const SYSTEMTIME& time)
{
    FILETIME file = {};
    SystemTimeToFileTime(&time, &file);
    return LONGLONG(ULONGLONG(file.dwHighDateTime) << 32 | file.dwLowDateTime);
}
}

RecordTime RecordTimeNow()
{
    SYSTEMTIME utc = {};
    GetSystemTime(&utc);
    RecordTime now;
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &now.local))
        now.local = utc;
    // The offset the system applied, whole minutes; 100-ns ticks per minute: 600000000.
    now.utcOffsetMinutes = int((Ticks(now.local) - Ticks(utc)) / 600000000);
    return now;
}

std::wstring Iso8601(const RecordTime& time)
{
    const SYSTEMTIME& t = time.local;
    const int offset = time.utcOffsetMinutes < 0 ? -time.utcOffsetMinutes : time.utcOffsetMinutes;
    return Digits(t.wYear, 4) + L'-' + Digits(t.wMonth, 2) + L'-' + Digits(t.wDay, 2) + L'T' + Digits(t.wHour, 2) +
           L':' + Digits(t.wMinute, 2) + L':' + Digits(t.wSecond, 2) + (time.utcOffsetMinutes < 0 ? L'-' : L'+') +
           Digits(unsigned(offset / 60), 2) + L':' + Digits(unsigned(offset % 60), 2);
}
