#pragma once
#include <windows.h>
#include <atomic>
#include <mutex>
#include "CopyProgress.h"

// Where a running copy stands, and the Stop request: the one record that the worker writes and
// a front end reads on its own time. The worker never waits for the front end, which may be busy
// painting; the front end reads one consistent snapshot per look. Every operation may be called
// from any thread.
class CopyProgressRecord
{
public:
    struct Snapshot
    {
        CopyProgress progress;
        // A box about a failure is up: the taskbar button shows its error state meanwhile.
        bool errorShown = false;
    };

    virtual ~CopyProgressRecord() = default;

    // After every chunk: only stored.
    virtual void Update(const CopyProgress& progress);
    // Polled by the worker between chunks and between attempts at a marginal sector.
    virtual bool StopRequested() const { return stop.load(); }

    void RequestStop() { stop = true; }
    // Noted ahead of a failure's box and cleared when the copy goes on after it.
    void NoteErrorShown(bool shown);
    Snapshot Read() const;
    // Back to nothing for the next copy: no progress, no error box, no Stop.
    void Clear();

private:
    mutable std::mutex lock;
    Snapshot snapshot;
    std::atomic<bool> stop{false};
};
