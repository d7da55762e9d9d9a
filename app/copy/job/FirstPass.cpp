#include "FirstPass.h"
#include "CopyQuestions.h"
#include "CopyTexts.h"
#include "DiscVolume.h"
#include "ImageDigests.h"
#include "ImageWriter.h"
#include "MapKeeper.h"
#include "VolumeDescriptor.h"
#include <cstring>

PassEnd FirstPass::Run(BYTE* first, BYTE* second)
{
    // Declared before the writer, which may still be hashing into it until it goes.
    ImageDigests hash;
    ImageWriter writer(copy.io, first, second, &hash);
    DWORD totalSectors = kHeaderSectors;
    DWORD sectorsDone = 0;
    DWORD sectorsPerRead = 1;
    PassEnd end = PassEnd::Done;
    while (sectorsDone < totalSectors) {
        BYTE* target = writer.ReadTarget();
        DWORD sectorsRead = 0;
        const PassEnd read = ReadSectors(writer, sectorsDone, sectorsPerRead, sectorsRead);
        if (read == PassEnd::Failed || read == PassEnd::Discarded)
            return read;
        if (read != PassEnd::Done) {
            // Stopped between attempts at a marginal sector, or the disc lost: the sectors before
            // it are kept, those after it not tried.
            if (!writer.Commit(sectorsRead * kSectorBytes)) {
                copy.questions.ReportLastError();
                return PassEnd::Failed;
            }
            end = read;
            break;
        }
        // Sector 16 is parsed before the commit: the writer may move it to the other buffer.
        const bool descriptorRead = sectorsDone + sectorsPerRead == kHeaderSectors;
        DWORD volumeSectors = 0;
        const bool primary = descriptorRead && ReadPrimaryVolumeSize(target, volumeSectors);
        if (descriptorRead)
            disc.Remember(kDescriptorSector, target);
        if (!writer.Commit(sectorsPerRead * kSectorBytes)) {
            copy.questions.ReportLastError();
            return PassEnd::Failed;
        }
        sectorsDone += sectorsPerRead;
        if (descriptorRead) {
            if (!disc.SetSize(primary, volumeSectors) || !image.HasRoomFor(disc.Sectors()))
                return PassEnd::Failed;
            totalSectors = disc.Sectors();
            maps.Grow(totalSectors);
            sectorsPerRead = chunkSectors;
        }
        if (!SaveMapIfDue(writer)) {
            copy.questions.ReportLastError();
            return PassEnd::Failed;
        }
        if (copy.progress.StopRequested()) {
            end = PassEnd::Stopped;
            break;
        }
        // The count includes the chunk whose write is still in flight, and no more.
        CopyProgress now;
        now.phase = CopyProgress::Phase::Copying;
        now.sectorsDone = sectorsDone;
        now.totalSectors = now.VolumeKnown() ? totalSectors : CopyProgress::kHeaderProgressRange;
        copy.Report(now);
        if (totalSectors - sectorsDone < sectorsPerRead)
            sectorsPerRead = totalSectors - sectorsDone;
    }
    if (!writer.Finish()) {
        copy.questions.ReportLastError();
        return PassEnd::Failed;
    }
    maps.FinishedUpTo(writer.BytesCommitted() / kSectorBytes);
    if (!hash.Finish(digest.text)) {
        digest.text = ImageDigestText();
        digest.error = hash.Error();
    }
    return end;
}

// Reads `count` sectors from firstSector to the writer's read target. A read that comes back
// short is followed by another for the rest: some systems return what precedes a bad sector
// first. Only a read that brings nothing, or part of a sector, means the medium ended.
PassEnd FirstPass::ReadSectors(ImageWriter& writer, DWORD firstSector, DWORD count, DWORD& sectorsRead)
{
    // After Continue, the medium ended before its volume: the rest of the disc is one bad area.
    if (mediumEnded)
        return SkipRest(writer, firstSector, 0, count, sectorsRead);
    BYTE* target = writer.ReadTarget();
    const DWORD wanted = count * kSectorBytes;
    DWORD have = 0;
    while (have < wanted) {
        DWORD got = 0;
        if (!disc.ReadOn(target + have, wanted - have, got)) {
            if (disc.Lost())
                return Lost(have / kSectorBytes, sectorsRead);
            // Once the user chose to go on, a chunk that fails waits for the return passes.
            if (skipping)
                return SkipRest(writer, firstSector, have / kSectorBytes, count, sectorsRead);
            // A failed read of one sector was already that sector's first attempt.
            const unsigned attemptsMade = wanted - have == kSectorBytes ? 1 : 0;
            return RereadEachSector(writer, firstSector, have / kSectorBytes, count, attemptsMade, sectorsRead);
        }
        if ((got == 0 || got % kSectorBytes != 0) && skipping) {
            mediumEnded = true;
            return SkipRest(writer, firstSector, (have + got) / kSectorBytes, count, sectorsRead);
        }
        if (got == 0 || got % kSectorBytes != 0) {
            ShowShortRead(writer, firstSector + (have + got) / kSectorBytes);
            return PassEnd::Failed;
        }
        have += got;
    }
    sectorsRead = count;
    return PassEnd::Done;
}

// After a failed read: sectors `from` to count - 1 of the chunk, one at a time, each up to
// kReadAttempts times in all (attemptsMade of them already spent on the first).
PassEnd FirstPass::RereadEachSector(ImageWriter& writer, DWORD firstSector, DWORD from, DWORD count,
                                    unsigned attemptsMade, DWORD& sectorsRead)
{
    BYTE* target = writer.ReadTarget();
    for (DWORD i = from; i < count; ++i, attemptsMade = 0) {
        const DWORD sector = firstSector + i;
        unsigned attempts = DiscVolume::kReadAttempts - attemptsMade;
        bool stopFirst = attemptsMade > 0;
        for (;;) {
            if (stopFirst && copy.progress.StopRequested()) {
                sectorsRead = i;
                return PassEnd::Stopped;
            }
            const DiscVolume::SectorRead read =
                disc.ReadSector(sector, target + i * kSectorBytes, attempts, &copy.progress);
            if (read == DiscVolume::SectorRead::Read)
                break;
            if (read == DiscVolume::SectorRead::Short) {
                ShowShortRead(writer, sector);
                return PassEnd::Failed;
            }
            if (read == DiscVolume::SectorRead::Stopped) {
                sectorsRead = i;
                return PassEnd::Stopped;
            }
            if (read == DiscVolume::SectorRead::Lost)
                return Lost(i, sectorsRead);
            if (skipping)
                return SkipRest(writer, firstSector, i, count, sectorsRead);
            const ReadErrorChoice choice = AskAfterDrain(writer, CopyTexts::SectorUnreadable(sector));
            if (choice == ReadErrorChoice::Stop)
                return PassEnd::Discarded;
            if (choice == ReadErrorChoice::SkipAndGoOn) {
                skipping = true;
                return SkipRest(writer, firstSector, i, count, sectorsRead);
            }
            // Try Again: every attempt anew, once a Stop pressed while the box was up is seen.
            attempts = DiscVolume::kReadAttempts;
            stopFirst = true;
        }
    }
    sectorsRead = count;
    return PassEnd::Done;
}

// The disc is gone or another is in: the chunk's first `from` sectors, read before, are kept.
PassEnd FirstPass::Lost(DWORD from, DWORD& sectorsRead)
{
    sectorsRead = from;
    return disc.LostEnd();
}

// Sectors `from` to count - 1 of the chunk are given up for now: zeros in the image, keeping
// its length and the sectors after them in place, and marked for the return passes.
PassEnd FirstPass::SkipRest(ImageWriter& writer, DWORD firstSector, DWORD from, DWORD count, DWORD& sectorsRead)
{
    std::memset(writer.ReadTarget() + from * kSectorBytes, 0, (count - from) * kSectorBytes);
    // The first hole gets its map at the next chunk; later ones every few seconds.
    if (!maps.Saving())
        maps.SaveSoon();
    maps.Map().Mark(firstSector + from, count - from, RescueMap::kNonTrimmed);
    // A failed read leaves the device anywhere.
    if (!disc.MoveTo(firstSector + count))
        return PassEnd::Failed;
    sectorsRead = count;
    return PassEnd::Done;
}

// Once the volume's size is known, so that a copy killed during the first pass still leaves a
// map of what is in the image: the writes are waited for, and the map counts them only once the
// keeper has put them on the disk.
bool FirstPass::SaveMapIfDue(ImageWriter& writer)
{
    if (!disc.SizeKnown() || !maps.Due())
        return true;
    if (!writer.Drain())
        return false;
    maps.FinishedUpTo(writer.BytesWritten() / kSectorBytes);
    return maps.Save();
}

// A failure is told once the write in flight has ended. Should that write have failed too, its
// error is told instead (it comes first in the image) and the copy stops.
ReadErrorChoice FirstPass::AskAfterDrain(ImageWriter& writer, const std::wstring& detail)
{
    const DWORD error = GetLastError();
    if (!writer.Drain()) {
        copy.questions.ReportLastError();
        return ReadErrorChoice::Stop;
    }
    SetLastError(error);
    return copy.questions.AskReadErrorChoice(detail.c_str());
}

void FirstPass::ShowShortRead(ImageWriter& writer, DWORD sectorsRead)
{
    if (!writer.Drain()) {
        copy.questions.ReportLastError();
        return;
    }
    copy.questions.ShowCopyError(CopyTexts::DiscEnded(sectorsRead).c_str());
}
