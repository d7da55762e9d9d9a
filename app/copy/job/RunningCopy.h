#pragma once
#include "CopyIO.h"
#include "CopyProgressRecord.h"

class CopyQuestions;

// What each pass over the disc works with: the I/O, the person who started the copy, the record
// of where it stands (with the Stop request), and when it began, taken once any question before
// it was answered, so the time line counts the copy and not the time a box was up.
struct RunningCopy
{
    CopyIO& io;
    CopyQuestions& questions;
    CopyProgressRecord& progress;
    DWORD startMs;

    // `now`, with the time since the copy began, becomes where the copy stands.
    void Report(CopyProgress now) const
    {
        now.elapsedMs = io.Milliseconds() - startMs;
        progress.Update(now);
    }
};

// How a pass over the disc ended. Failed: the failure has been told; Discarded: the user chose
// to stop and delete the image. DiscGone, OtherDisc: a failed read found the drive empty, or
// holding another disc (DiscVolume); not told yet.
enum class PassEnd { Done, Stopped, Failed, Discarded, DiscGone, OtherDisc };
