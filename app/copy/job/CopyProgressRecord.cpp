#include "CopyProgressRecord.h"

void CopyProgressRecord::Update(const CopyProgress& progress)
{
    std::lock_guard<std::mutex> guard(lock);
    snapshot.progress = progress;
}

void CopyProgressRecord::NoteErrorShown(bool shown)
{
    std::lock_guard<std::mutex> guard(lock);
    snapshot.errorShown = shown;
}

CopyProgressRecord::Snapshot CopyProgressRecord::Read() const
{
    std::lock_guard<std::mutex> guard(lock);
    return snapshot;
}

void CopyProgressRecord::Clear()
{
    std::lock_guard<std::mutex> guard(lock);
    snapshot = Snapshot();
    stop = false;
}
