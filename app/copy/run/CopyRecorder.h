#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "CopyOutcome.h"
#include "CopyJob.h"
#include "CopyRecord.h"

class CopyIO;
class CopyProgressRecord;

// Fills the record of one run (CopyRecord) around the job, on the copy's worker: before it, the
// drive and the disc as the system tells them (DriveIdentity, the primary volume descriptor of
// sector 16, the sessions) and the start; after it, the end, the outcome, and what the files
// beside the image say: the map of a kept incomplete image; and the four digests of a complete
// one, which the job computed as it wrote the image.
class CopyRecorder
{
public:
    // tool: name and version; command: the command line, "window" for a run from the window.
    CopyRecorder(const std::wstring& tool, const std::wstring& command);
    CopyRecorder(const CopyRecorder&) = delete;
    CopyRecorder& operator=(const CopyRecorder&) = delete;

    // `label`: the volume's label as the system reads it, for a disc without a primary descriptor.
    void Start(wchar_t drive, const std::wstring& label);
    // `io`: where the image and the files beside it are read.
    void End(CopyIO& io, const std::wstring& imagePath, CopyRecord::Outcome outcome, const std::wstring& reason,
             const std::vector<CopyRecord::Answer>& answers, const CopyProgressRecord& progress,
             const JobFacts& facts);
    const CopyRecord& Record() const { return record; }

    static CopyRecord::Outcome OutcomeOf(CopyOutcome outcome);

private:
    CopyRecord record;
    RescueMap map;
    ULONGLONG startTick = 0;
};
