#include "TransferRate.h"
#include "MVFormat.h"
#include "MVString.h"
#include "TimeSpan.h"

namespace {
const ULONGLONG kLongestLeftSeconds = 100ull * 3600 - 1;
}

void TransferRate::Add(DWORD milliseconds, ULONGLONG bytesDone)
{
    samples[next] = Sample{milliseconds, bytesDone};
    next = (next + 1) % kSamples;
    if (count < kSamples)
        ++count;
}

bool TransferRate::BytesPerSecond(ULONGLONG& speed) const
{
    if (count < 2)
        return false;
    const Sample& newest = Back(0);
    // The oldest sample still inside the window.
    unsigned age = 0;
    while (age + 1 < count && newest.ms - Back(age + 1).ms <= kWindowMs)
        ++age;
    const Sample& oldest = Back(age);
    DWORD span = newest.ms - oldest.ms;
    if (span < kLeastMs)
        return false;
    speed = newest.bytes >= oldest.bytes ? (newest.bytes - oldest.bytes) * 1000 / span : 0;
    return true;
}

void FormatCopyStatus(MVString& target, DWORD elapsedMs, const TransferRate& rate, ULONGLONG bytesDone,
                      ULONGLONG totalBytes)
{
    FormatElapsedTime(target, elapsedMs);
    ULONGLONG speed = 0;
    if (!rate.BytesPerSecond(speed))
        return;
    MVString part;
    ULONGLONG tenthsOfMB = (speed + 50000) / 100000;
    Format(part, L" \u00B7 %I64u.%I64u MB/s", tenthsOfMB / 10, tenthsOfMB % 10);
    target.Append(part);
    if (speed == 0)
        return;
    ULONGLONG remaining = totalBytes > bytesDone ? totalBytes - bytesDone : 0;
    // Rounded up, so that "00:00:00 left" means done.
    ULONGLONG seconds = remaining / speed + (remaining % speed != 0 ? 1 : 0);
    if (seconds > kLongestLeftSeconds)
        return;
    Format(part, L" \u00B7 %02u:%02u:%02u left", unsigned(seconds / 3600), unsigned(seconds / 60 % 60),
           unsigned(seconds % 60));
    target.Append(part);
}
