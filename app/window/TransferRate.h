#pragma once
#include <windows.h>

class MVString;

// The speed of a running copy, from (milliseconds, bytes done) samples taken on each tick of the
// window's progress timer. The speed is that of the last few seconds: steady from tick to tick,
// yet it follows a drive that slows down. Milliseconds are read from a free-running 32-bit
// clock and only ever subtracted, so its wrap does no harm.
class TransferRate
{
public:
    // The span the speed is averaged over, and the least span that gives a speed at all.
    static const DWORD kWindowMs = 3000;
    static const DWORD kLeastMs = 1000;

    void Add(DWORD milliseconds, ULONGLONG bytesDone);
    void Clear() { count = 0; }

    // Bytes per second over the last samples, once they span kLeastMs; false before that.
    bool BytesPerSecond(ULONGLONG& speed) const;

private:
    struct Sample
    {
        DWORD ms;
        ULONGLONG bytes;
    };
    // Enough for kWindowMs at ticks of about 25 ms; faster ticks shorten the span, no harm.
    static const unsigned kSamples = 128;

    const Sample& Back(unsigned age) const { return samples[(next + kSamples - 1 - age) % kSamples]; }

    Sample samples[kSamples] = {};
    unsigned next = 0;
    unsigned count = 0;
};

// The status line of a running copy: "Time: 00:01:23 · 10.4 MB/s · 00:02:10 left" (MB = 10^6
// bytes). Only "Time: hh:mm:ss" while no speed is known, and no time left while nothing moves
// or when it would pass 99:59:59.
void FormatCopyStatus(MVString& target, DWORD elapsedMs, const TransferRate& rate, ULONGLONG bytesDone,
                      ULONGLONG totalBytes);
