#pragma once
#include <windows.h>
#include <string>

// A moment as the copy's report and manifest give it: the local time and how far it is from UTC
// then, so that records written in summer and winter, or in two time zones, still compare.
struct RecordTime
{
    SYSTEMTIME local = {};
    int utcOffsetMinutes = 0;  // east of Greenwich is positive
};

RecordTime RecordTimeNow();

// ISO 8601 to the second with the offset: "2024-03-05T14:30:07+01:00".
std::wstring Iso8601(const RecordTime& time);
