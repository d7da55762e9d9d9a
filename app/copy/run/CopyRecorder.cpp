#include "CopyRecorder.h"
#include "CopyProgressRecord.h"
#include "DiscSector.h"
#include "DriveLetter.h"
#include "ImageSideFiles.h"
#include "Win32CopyIO.h"

CopyRecorder::CopyRecorder(const std::wstring& tool, const std::wstring& command)
{
    record.tool = tool;
    record.command = command;
}

void CopyRecorder::Start(wchar_t drive, const std::wstring& label)
{
    record.drive = drive;
    record.volume.label = label;
    record.started = RecordTimeNow();
    startTick = GetTickCount64();
    Win32CopyIO io;
    if (!io.OpenDevice(DevicePathOf(drive).c_str()))
        return;
    record.identity = io.Identity();
    DWORD sessions = 0;
    if (io.SessionCount(sessions))
        record.sessions = sessions;
}

CopyRecord::Outcome CopyRecorder::OutcomeOf(CopyOutcome outcome)
{
    switch (outcome) {
    case CopyOutcome::Completed: return CopyRecord::Outcome::Complete;
    case CopyOutcome::Incomplete: return CopyRecord::Outcome::Incomplete;
    case CopyOutcome::Stopped: return CopyRecord::Outcome::Stopped;
    case CopyOutcome::Failed: break;
    }
    return CopyRecord::Outcome::Failed;
}

void CopyRecorder::End(CopyIO& io, const std::wstring& imagePath, CopyRecord::Outcome outcome, const std::wstring& reason,
                       const std::vector<CopyRecord::Answer>& answers, const CopyProgressRecord& progress,
                       const JobFacts& facts)
{
    record.ended = RecordTimeNow();
    record.elapsedMilliseconds = GetTickCount64() - startTick;
    record.image = imagePath;
    record.outcome = outcome;
    // Sector 16 holds the primary volume descriptor of an ISO 9660 disc. It is taken from the
    // image, which holds it once kept: the disc is not read outside the job, whose reads alone
    // Stop can cut short. The system's label stays for a disc without one (UDF only).
    BYTE sector[kSectorBytes];
    DWORD got = 0;
    if (io.ReadFileAt(imagePath.c_str(), 16ULL * kSectorBytes, sector, kSectorBytes, got) && got == kSectorBytes) {
        const std::wstring label = record.volume.label;
        if (ReadPrimaryVolumeFacts(sector, record.volume) && record.volume.label.empty())
            record.volume.label = label;
    }
    record.reason = reason;
    record.answers = answers;
    record.retriedSectors = facts.retriedSectors;
    record.resumed = facts.resumed;
    const CopyProgress done = progress.Read().progress;
    record.sectors = done.totalSectors;
    record.sectorsRead = done.sectorsDone;
    const ImageSideFiles names(record.image);
    std::string text;
    std::wstring message;
    ULONGLONG bytes = 0;
    const bool complete = outcome == CopyRecord::Outcome::Complete;
    if (complete && io.FileSize(record.image.c_str(), bytes)) {
        record.sectors = record.sectorsRead = bytes / kSectorBytes;
        record.digests = facts.digests;
    } else if (io.ReadTextFile(names.map.c_str(), text) &&
               RescueMap::Parse(text, RescueMap::SectorsIn(text), names.map, map, message)) {
        record.map = &map;
        record.sectors = map.Sectors();
        record.sectorsRead = map.Count(RescueMap::kFinished);
    }
}

