#pragma once
#include <windows.h>

class MVString;

// A span of milliseconds (64-bit, kept as two 32-bit words) read as a clock face: hours wrap
// every 24 hours, minutes and seconds every 60.
class TimeSpan
{
public:
    explicit TimeSpan(DWORD lowMs, DWORD highMs = 0) : lowMs(lowMs), highMs(highMs) {}
    virtual ~TimeSpan() = default;

    UINT Hours() const;    // 0-23
    UINT Minutes() const;  // 0-59
    UINT Seconds() const;  // 0-59

private:
    ULONGLONG Milliseconds() const { return ULONGLONG(highMs) << 32 | lowMs; }

    DWORD lowMs;
    DWORD highMs;
};

// The status line of a running copy: "Time: hh:mm:ss" for elapsedMs, replacing target's text.
void FormatElapsedTime(MVString& target, DWORD elapsedMs);
