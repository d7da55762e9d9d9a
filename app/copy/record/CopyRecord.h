#pragma once
#include "DriveIdentity.h"
#include "ImageDigests.h"
#include "PrimaryVolumeFacts.h"
#include "RecordTime.h"
#include "RescueMap.h"
#include <string>
#include <vector>

// Everything written down about one run of a copy, in the report beside the image and in a
// row of the manifest. A plain record the runner fills in as it learns each fact; what it never
// learns stays at its default, which the report writes as "unknown".
struct CopyRecord
{
    enum class Outcome { Complete, Incomplete, Stopped, Failed };

    // A question the run answered, and how: a key of the report, so each question has one.
    struct Answer
    {
        std::wstring question;  // one of the k...Question names below
        std::wstring answer;
    };
    static const wchar_t kMultisessionQuestion[];
    static const wchar_t kReplaceQuestion[];
    static const wchar_t kResumeQuestion[];
    static const wchar_t kSkipUnreadableQuestion[];

    std::wstring tool;                 // name and version: "Pelmora 1.1.0.0"
    std::wstring command = L"window";  // the command line of an unattended run
    wchar_t drive = 0;                 // 'E'
    DriveIdentity identity;
    DWORD sessions = 0;                // 0: the drive cannot tell
    // The label as the system reads it (a UDF label too), with the primary volume descriptor's
    // date and application identifier where the disc has one.
    PrimaryVolumeFacts volume;
    std::wstring image;                // the image's path as chosen; the report is beside it
    RecordTime started, ended;
    ULONGLONG elapsedMilliseconds = 0;
    Outcome outcome = Outcome::Failed;
    std::wstring reason;               // in words; may be empty for a complete image
    ULONGLONG sectors = 0;             // of the volume
    ULONGLONG sectorsRead = 0;         // by this run
    ULONGLONG retriedSectors = 0;      // read only on a later attempt
    // The run went on with an earlier run's image: its report goes on too. A fresh image starts
    // a report of its own; a failed run, which made no image, is added to the report there is.
    bool resumed = false;
    // The rescue map as this run leaves it; null where none is kept (an image complete at the
    // first pass, or a failed copy that kept nothing).
    const RescueMap* map = nullptr;
    ImageDigestText digests;           // of a complete image
    std::vector<Answer> answers;

    // What a run told, added to its reason after what it told before: a failure and then where
    // its work was kept both belong in the record.
    static void AddToReason(std::wstring& reason, const std::wstring& told);

    // "complete", "incomplete", "stopped" or "failed".
    const wchar_t* OutcomeWord() const;
    // Sectors tried and not read: every area of the map neither finished nor still untried.
    ULONGLONG UnreadableSectors() const;
    // Those sectors as "first-last" ranges, decimal, joined by ", "; "none" without any.
    std::wstring UnreadableRanges() const;
    // Sectors the image still lacks: all of them when nothing was kept.
    ULONGLONG MissingSectors() const;
    // Whether the four digests belong in the record: only a complete image has them.
    bool HasDigests() const { return outcome == Outcome::Complete && !digests.sha256.empty(); }
};
