#pragma once
#include <windows.h>
#include "RunningCopy.h"
#include "CopyOutcome.h"
#include "ImageDigests.h"
#include <string>

class CopyIO;
class CopyProgressRecord;
class CopyQuestions;
class DiscVolume;
class MapKeeper;
class PendingImage;
class RescueMap;

// What a run of the job learned that the record of the run keeps.
struct JobFacts
{
    // Of an image the run completed: computed as it was written (or read back where sectors
    // were patched in later); empty otherwise, or where they failed.
    ImageDigestText digests;
    // Sectors read only on an attempt after one that failed.
    ULONGLONG retriedSectors = 0;
    // The run went on with an earlier run's image rather than making a new one.
    bool resumed = false;
};

// One copy of a data disc into an image file, its steps in order: the drive and the files
// beside the image checked, the disc opened (DiscVolume), a disc of several sessions confirmed,
// an unfinished copy of that name, or an image with its map, offered to be finished
// (ResumeCheck), then either the first pass over the disc (FirstPass) and the return passes over
// what it skipped (RescuePasses) into a new image, or the image finished (ResumePass); at the
// end the image kept (PendingImage), and the outcome picked.
//
// A failed copy never costs an older image of the chosen name, nor what it read: the temporary
// image and its map stay for the next copy onto that name to go on from, unless nothing was
// read or the user chose to delete it. A stopped copy keeps the sectors copied so far, cut
// exactly at a sector end; an image with holes, or cut short by Stop, is kept with its map
// beside it, and a complete one gets its checksum.
//
// Failures and questions go to `questions`; where the copy stands goes to `progress`, whose Stop
// request the copy polls between chunks. The CopyIO must outlive Run.
class CopyJob
{
public:
    CopyJob(CopyQuestions& questions, CopyProgressRecord& progress, CopyIO& io, unsigned chunkSectors);
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    // driveEntry: the drive list's entry, starting with the drive letter and a colon
    // ("E:\ - MYDISC"); imagePath: the image file to write. Never throws: an unexpected error
    // is told and ends the copy as failed.
    CopyOutcome Run(const wchar_t* driveEntry, const wchar_t* imagePath);
    const JobFacts& Facts() const { return facts; }

private:
    CopyOutcome Copy(const wchar_t* driveEntry, const std::wstring& imagePath);
    CopyOutcome CopyInto(PendingImage& image, const std::wstring& devicePath, BYTE* first, BYTE* second);
    // held: the image of earlier work of this name, whose copy of sector 16 stands in for the
    // disc's where that fails; null without earlier work.
    bool ConfirmSessions(DiscVolume& disc, BYTE* scratch, const std::wstring* held, CopyOutcome& outcome);
    CopyOutcome CopyAnew(const RunningCopy& copy, DiscVolume& disc, PendingImage& image, BYTE* first, BYTE* second);
    CopyOutcome Finish(const RunningCopy& copy, DiscVolume& disc, PendingImage& image, bool unfinished,
                       RescueMap map, BYTE* buffer);
    CopyOutcome Ended(PassEnd end, bool complete, bool skipping, const PendingImage& image, MapKeeper& maps);

    CopyQuestions& questions;
    CopyProgressRecord& progress;
    CopyIO& io;
    DWORD chunkSectors;
    // A temporary image may exist: an unexpected error then says that the image is deleted,
    // or, where it was kept, what keptText says.
    bool imageMade = false;
    std::wstring keptText;
    JobFacts facts;
};
