#include <gtest/gtest.h>
#include "ShouldFlashWhenCopyEnds.h"

namespace
{
TEST(ShouldFlashWhenCopyEnds, OnlyACompletedCopyWhileTheUserIsElsewhere)
{
    const struct
    {
        CopyOutcome outcome;
        bool inForeground;
        bool flashes;
    } cases[] = {
        {CopyOutcome::Completed, false, true},
        {CopyOutcome::Completed, true, false},
        {CopyOutcome::Stopped, false, false},
        {CopyOutcome::Stopped, true, false},
        {CopyOutcome::Failed, false, false},
        {CopyOutcome::Failed, true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShouldFlashWhenCopyEnds(c.outcome, c.inForeground), c.flashes)
            << "outcome " << static_cast<int>(c.outcome) << ", in foreground " << c.inForeground;
}
}
