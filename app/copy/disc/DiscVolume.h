#pragma once
#include "DiscSector.h"
#include "RunningCopy.h"
#include <string>

class CopyIO;
class CopyProgressRecord;
class CopyQuestions;
class RescueMap;

// The disc being copied: its device, opened from the drive list's entry, the sessions burned on
// it, the size of its volume, its sectors read with retries, and its identity for finishing an
// image of it later. Failures it finds are told to `questions`. The device is closed by Close,
// or at the latest when this object goes.
//
// The volume's size comes from the ISO 9660 primary volume descriptor in sector 16 or, on a
// disc without one (UDF only, or an Enhanced CD), from the table of contents when the disc has
// several sessions (the device's length spans every session and the unreadable gaps between
// them), else from the device's length. A disc whose size none of them tells is not guessed.
//
// A read that fails (or finds the medium ended) is not taken for a bad sector until a sector
// known to read, its reference (sector 16 as the copy read it, or the image's own copy of it),
// has been read again: the same bytes mean the same disc, a failure means the drive is empty
// (or asleep), other bytes another disc. From then on every read fails at once. The error code
// cannot tell: Wine gives ERROR_NOT_READY for a scratch and an empty drive alike.
class DiscVolume
{
public:
    // Reads of one sector before it is given up; a drive whose disc is gone fails them at once.
    static const unsigned kReadAttempts = 4;

    enum class SectorRead
    {
        Read,
        Short,       // the read succeeded with less than the sector: the medium ended there
        Unreadable,  // every attempt failed; the last one's error is the thread's last error
        Stopped,     // Stop was asked for between two attempts
        Lost         // the disc is gone, or another is in (Holds)
    };

    // What the drive held at the last failed read: this disc, none, or another.
    enum class Holding { ThisDisc, NoDisc, OtherDisc };

    DiscVolume(CopyIO& io, CopyQuestions& questions) : io(io), questions(questions) {}
    ~DiscVolume();
    DiscVolume(const DiscVolume&) = delete;
    DiscVolume& operator=(const DiscVolume&) = delete;

    // "\\.\" and the entry's drive letter and colon ("E:\ - MYDISC" gives \\.\E:), or an empty
    // text when the entry has none.
    static std::wstring DevicePath(const wchar_t* driveEntry);
    bool Open(const std::wstring& devicePath);
    void Close();
    // The sessions on the disc; 0 when the drive cannot tell.
    DWORD Sessions() const { return sessions; }

    // The volume's size, with sector 16 read ahead of the copy into `scratch` (one sector),
    // and the device back at sector 0. Where the disc's sector 16 fails, the copy of it in the
    // image at `imagePath` (if given and there) is taken: an image to be finished holds it.
    bool PeekSize(BYTE* scratch, DWORD& sectors, const std::wstring* imagePath = nullptr);
    // The volume's size from sector 16 as the copy read it (`primary`: it was a primary volume
    // descriptor giving volumeSectors). From then on the size is known.
    bool SetSize(bool primary, DWORD volumeSectors);
    bool SizeKnown() const { return known; }
    // The volume's sectors, never fewer than the header's; kHeaderSectors until known.
    DWORD Sectors() const { return sectors; }

    // `sector` (16 as the copy read it) identifies this disc from now on.
    void Remember(DWORD sector, const BYTE* bytes);
    Holding Holds() const { return holding; }
    bool Lost() const { return holding != Holding::ThisDisc; }
    // How a pass ends once the disc is lost.
    PassEnd LostEnd() const { return holding == Holding::NoDisc ? PassEnd::DiscGone : PassEnd::OtherDisc; }

    // The next `bytes` of the disc, after the last read or MoveTo; as CopyIO::ReadDevice.
    bool ReadOn(BYTE* buffer, DWORD bytes, DWORD& bytesRead);
    bool MoveTo(ULONGLONG sector);
    // One sector, read whole up to `attempts` times; with `stop`, its Stop request is honoured
    // between attempts. A short read is final: there is nothing more to read there.
    SectorRead ReadSector(ULONGLONG sector, BYTE* buffer, unsigned attempts, const CopyProgressRecord* stop);
    // `count` sectors from `first` in one read, once; false when it failed or came back short.
    bool Read(ULONGLONG first, DWORD count, BYTE* buffer);

    // Whether the image at `imagePath` was made of this disc: its volume descriptors, from sector
    // 16 to the set terminator, are equal on the disc and in the image as far as `map` calls them
    // finished and the disc reads them; sector 16 must be finished, and one at least read. The
    // first that read identifies the disc from then on. `scratch`: two sectors.
    bool SameDiscAs(const std::wstring& imagePath, const RescueMap& map, BYTE* scratch);

private:
    // Sectors from 16 compared for equal volume descriptors, at most: a disc has a handful.
    static const DWORD kMaxDescriptors = 32;

    bool SizeOf(bool primary, DWORD volumeSectors, DWORD& total);
    // After a read that failed or found the medium ended: whether the reference still reads.
    void CheckDisc();

    // The reference sector's bytes, then room to read it again; allocated once remembered.
    BYTE* reference = nullptr;
    DWORD referenceSector = 0;
    Holding holding = Holding::ThisDisc;

    CopyIO& io;
    CopyQuestions& questions;
    bool open = false;
    DWORD sessions = 0;
    // The first session's size from the table of contents, once asked; 0 before.
    DWORD firstSession = 0;
    DWORD sectors = kHeaderSectors;
    bool known = false;
};
