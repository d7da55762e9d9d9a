#include "TimeSpan.h"
#include "MVFormat.h"
#include "MVString.h"

namespace {
const ULONGLONG kMsPerSecond = 1000;
const ULONGLONG kMsPerMinute = 60 * kMsPerSecond;
const ULONGLONG kMsPerHour = 60 * kMsPerMinute;
const ULONGLONG kMsPerDay = 24 * kMsPerHour;
}

UINT TimeSpan::Hours() const
{
    return UINT(Milliseconds() % kMsPerDay / kMsPerHour);
}

UINT TimeSpan::Minutes() const
{
    return UINT(Milliseconds() % kMsPerHour / kMsPerMinute);
}

UINT TimeSpan::Seconds() const
{
    return UINT(Milliseconds() % kMsPerMinute / kMsPerSecond);
}

void FormatElapsedTime(MVString& target, DWORD elapsedMs)
{
    TimeSpan span(elapsedMs, 0);
    Format(target, L"Time: %02d:%02d:%02d", int(span.Hours()), int(span.Minutes()), int(span.Seconds()));
}
