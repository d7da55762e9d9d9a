#include "MVString.h"
#include "TransferRate.h"
#include <gtest/gtest.h>
#include <vector>

namespace {
// A copy sampled every 50 ms as the progress timer does, from a clock reading `startMs`, at
// each phase's pace in turn; the status line after the last phase.
struct Phase { DWORD ms; ULONGLONG bytesPerSecond; };

std::wstring StatusAfter(DWORD startMs, const std::vector<Phase>& phases, ULONGLONG total)
{
    TransferRate rate;
    DWORD elapsed = 0;
    ULONGLONG done = 0;
    rate.Add(startMs, 0);
    for (const Phase& phase : phases)
        for (DWORD t = 0; t < phase.ms; t += 50) {
            elapsed += 50;
            done += phase.bytesPerSecond / 20;
            rate.Add(startMs + elapsed, done);
        }
    MVString line;
    FormatCopyStatus(line, elapsed, rate, done, total);
    return line.GetBuffer();
}

TEST(TransferRate, StatusLineFollowsTheLastSeconds)
{
    const struct { const char* fault; DWORD startMs; std::vector<Phase> phases; ULONGLONG total; std::wstring line; } rows[] = {
        {"steady speed lost at the 32-bit clock's wrap", 0xFFFFDAE4, {{10000, 10400000}}, 1456000000,
         L"Time: 00:00:10 \u00B7 10.4 MB/s \u00B7 00:02:10 left"},
        {"average since the start", 0, {{10000, 10000000}, {3000, 2000000}}, 226000000,
         L"Time: 00:00:13 \u00B7 2.0 MB/s \u00B7 00:01:00 left"},
        {"slowing down not followed", 0, {{10000, 10000000}, {1500, 2000000}}, 1000000000,
         L"Time: 00:00:11 \u00B7 6.0 MB/s \u00B7 00:02:30 left"},
        {"a speed guessed too soon", 0, {{950, 10000000}}, 1000000000, L"Time: 00:00:00"},
        {"stall gives an absurd time left", 0, {{5000, 10000000}, {3000, 0}}, 1000000000,
         L"Time: 00:00:08 \u00B7 0.0 MB/s"},
        {"time left wraps at a day", 0, {{5000, 1000000}}, 108005000000,
         L"Time: 00:00:05 \u00B7 1.0 MB/s \u00B7 30:00:00 left"},
        {"time left past 99 hours", 0, {{5000, 1000}}, 1000000000000, L"Time: 00:00:05 \u00B7 0.0 MB/s"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(StatusAfter(row.startMs, row.phases, row.total), row.line) << row.fault;
}
}
