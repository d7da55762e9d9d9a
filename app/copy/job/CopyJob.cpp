#include "CopyJob.h"
#include "ChunkBuffer.h"
#include "CopyQuestions.h"
#include "CopyTexts.h"
#include "DiscVolume.h"
#include "FirstPass.h"
#include "ImageWriter.h"
#include "MapKeeper.h"
#include "PendingImage.h"
#include "RescuePasses.h"
#include "ResumeCheck.h"
#include "ResumePass.h"

namespace {
// A chunk is read into one buffer; 32 MiB is far beyond any useful size.
const DWORD kMaxChunkSectors = 16384;
}

CopyJob::CopyJob(CopyQuestions& questions, CopyProgressRecord& progress, CopyIO& io, unsigned chunkSectors)
    : questions(questions), progress(progress), io(io), chunkSectors(chunkSectors)
{
    if (this->chunkSectors == 0)
        this->chunkSectors = 1;
    if (this->chunkSectors > kMaxChunkSectors)
        this->chunkSectors = kMaxChunkSectors;
}

CopyOutcome CopyJob::Run(const wchar_t* driveEntry, const wchar_t* imagePath)
{
    imageMade = false;
    keptText.clear();
    facts = JobFacts();
    try {
        return Copy(driveEntry, imagePath ? imagePath : L"");
    } catch (...) {
        // A front end operation or a lack of memory ends the copy here. On the way, the disc and
        // the image were closed, and a temporary image kept with its map, or removed when it
        // held nothing worth keeping.
        try {
            const std::wstring text = !keptText.empty() ? CopyTexts::UnexpectedKept() + L"\n\n" + keptText
                : imageMade                            ? CopyTexts::Unexpected()
                                                       : CopyTexts::UnexpectedBeforeImage();
            questions.ShowCopyError(text.c_str());
        } catch (...) {
        }
        return CopyOutcome::Failed;
    }
}

CopyOutcome CopyJob::Copy(const wchar_t* driveEntry, const std::wstring& imagePath)
{
    const std::wstring devicePath = DiscVolume::DevicePath(driveEntry);
    if (devicePath.empty()) {
        questions.ShowCopyError(CopyTexts::NoDrive().c_str());
        return CopyOutcome::Failed;
    }
    const std::size_t bufferBytes = ImageWriter::BufferBytes(chunkSectors * kSectorBytes);
    ChunkBuffer first(io, bufferBytes);
    ChunkBuffer second(io, bufferBytes);
    if (!first.Get() || !second.Get()) {
        questions.ShowCopyError(CopyTexts::NoMemory().c_str());
        return CopyOutcome::Failed;
    }
    // Before the disc, so that the disc is let go of first when both go.
    PendingImage image(io, questions, imagePath);
    if (!image.Usable())
        return CopyOutcome::Failed;
    try {
        return CopyInto(image, devicePath, first.Get(), second.Get());
    } catch (...) {
        if (image.HoldsWork()) {
            image.KeepWork();
            keptText = image.KeptText();
        }
        throw;
    }
}

CopyOutcome CopyJob::CopyInto(PendingImage& image, const std::wstring& devicePath, BYTE* first, BYTE* second)
{
    DiscVolume disc(io, questions);
    if (!disc.Open(devicePath))
        return CopyOutcome::Failed;
    // Earlier work is looked for first: a disc whose sector 16 no longer reads is sized by the
    // image's own copy of it, for the sessions' question too.
    const PendingImage::Earlier earlier = image.FindEarlierWork();
    if (earlier == PendingImage::Earlier::Failed)
        return CopyOutcome::Failed;
    const bool unfinished = earlier == PendingImage::Earlier::Unfinished;
    const std::wstring& heldPath = unfinished ? image.Names().partial : image.Names().image;
    const std::wstring* held = earlier == PendingImage::Earlier::Nothing ? nullptr : &heldPath;
    CopyOutcome outcome = CopyOutcome::Failed;
    if (!ConfirmSessions(disc, first, held, outcome))
        return outcome;
    ResumeCheck::Decision decision = ResumeCheck::Decision::CopyAnew;
    RescueMap map;
    if (held) {
        DWORD discSectors = 0;
        if (!disc.PeekSize(first, discSectors, held))
            return CopyOutcome::Failed;
        decision = ResumeCheck(questions, io, disc, first).Decide(image.Names(), unfinished, discSectors, map);
        if (decision == ResumeCheck::Decision::CopyAnew && !disc.MoveTo(0))
            return CopyOutcome::Failed;
    }
    if (decision == ResumeCheck::Decision::Cancel)
        return CopyOutcome::Stopped;
    // Taken after any question: the time line counts the copy, not the time a box was up.
    const RunningCopy copy{io, questions, progress, io.Milliseconds()};
    facts.resumed = decision == ResumeCheck::Decision::Resume;
    if (facts.resumed)
        return Finish(copy, disc, image, unfinished, std::move(map), first);
    return CopyAnew(copy, disc, image, first, second);
}

// A disc burned in several sessions is read as its first session only; the user decides
// whether such an image is still worth making. All is settled before any file is written.
bool CopyJob::ConfirmSessions(DiscVolume& disc, BYTE* scratch, const std::wstring* held, CopyOutcome& outcome)
{
    if (disc.Sessions() <= 1)
        return true;
    DWORD sectors = 0;
    if (!disc.PeekSize(scratch, sectors, held))
        return false;
    // A Stop or a close while the box was up wins over its Yes.
    if (!questions.AskToContinue(CopyTexts::SessionsQuestion(disc.Sessions()).c_str()) || progress.StopRequested()) {
        outcome = CopyOutcome::Stopped;
        return false;
    }
    return true;
}

CopyOutcome CopyJob::CopyAnew(const RunningCopy& copy, DiscVolume& disc, PendingImage& image, BYTE* first,
                              BYTE* second)
{
    imageMade = true;
    if (!image.Create()) {
        imageMade = false;
        disc.Close();
        // Named as the user chose it: the temporary file lies in the same folder.
        questions.ShowCopyError(CopyTexts::CannotCreate(image.Names().image).c_str());
        return CopyOutcome::Failed;
    }
    MapKeeper& maps = image.Maps();
    FirstPass pass(copy, disc, image, maps, chunkSectors);
    PassEnd end = pass.Run(first, second);
    ImageDigest digest = pass.Digest();
    // The return passes come back to what the first pass skipped, writing single sectors into
    // the image; what they write was hashed as zeros, so the file itself is hashed once kept.
    if (end == PassEnd::Done && maps.Map().Count(RescueMap::kNonTrimmed) != 0) {
        digest.patched = true;
        end = image.Reopen() ? RescuePasses(copy, disc, maps, first).Run() : PassEnd::Failed;
    }
    disc.Close();
    facts.retriedSectors = maps.Map().Recovered();
    if (end == PassEnd::Discarded)
        image.Discard();
    if (end == PassEnd::Failed)
        image.EndFailed();
    if (end == PassEnd::Failed || end == PassEnd::Discarded)
        return CopyOutcome::Failed;
    const bool complete = end == PassEnd::Done && maps.Map().UnfinishedSectors() == 0;
    // A copy stopped before the volume size was known has no disc to map.
    if (!image.Keep(complete, disc.SizeKnown(), digest))
        return CopyOutcome::Failed;
    if (complete)
        facts.digests = image.Digests();
    imageMade = false;
    return Ended(end, complete, pass.Skipping(), image, maps);
}

// Fills what the map says is missing, in the image as it is: the chosen image, or an unfinished
// copy, which then takes the chosen name as a fresh copy does. A failure keeps the image: what
// was there is still there, and its map on disk never runs ahead of it.
CopyOutcome CopyJob::Finish(const RunningCopy& copy, DiscVolume& disc, PendingImage& image, bool unfinished,
                            RescueMap map, BYTE* buffer)
{
    if (!image.OpenToFinish(unfinished, std::move(map)))
        return CopyOutcome::Failed;
    MapKeeper& maps = image.Maps();
    const PassEnd end = ResumePass(copy, disc, maps, chunkSectors).Run(buffer);
    disc.Close();
    facts.retriedSectors = maps.Map().Recovered();
    if (end == PassEnd::Failed) {
        image.EndFailed();
        return CopyOutcome::Failed;
    }
    const bool complete = maps.Map().UnfinishedSectors() == 0;
    ImageDigest digest;
    digest.patched = true;
    if (!image.Keep(complete, true, digest))
        return CopyOutcome::Failed;
    if (complete)
        facts.digests = image.Digests();
    return Ended(end, complete, true, image, maps);
}

// An image kept with sectors missing after the user chose to go on past them, or because the disc
// was lost, is told, with where its map is.
CopyOutcome CopyJob::Ended(PassEnd end, bool complete, bool skipping, const PendingImage& image, MapKeeper& maps)
{
    if (complete)
        return CopyOutcome::Completed;
    const ImageSideFiles& names = image.Names();
    if (end == PassEnd::DiscGone || end == PassEnd::OtherDisc) {
        const bool gone = end == PassEnd::DiscGone;
        questions.ShowCopyError(
            (gone ? CopyTexts::DiscGone(names.image, names.map) : CopyTexts::DiscSwapped(names.image, names.map)).c_str());
        return CopyOutcome::Incomplete;
    }
    if (skipping) {
        questions.ShowCopyError(CopyTexts::Incomplete(names.image, maps.Map().UnfinishedSectors(), names.map).c_str());
    }
    return end == PassEnd::Stopped ? CopyOutcome::Stopped : CopyOutcome::Incomplete;
}
