#pragma once
#include <windows.h>
#include "DiscSector.h"
#include <map>
#include <string>
#include <vector>

// What is known of every sector of a disc being rescued, kept as GNU ddrescue keeps it, so that
// its mapfile can be written beside the image and read back later, by this program or by
// ddrescue itself with another drive. Sectors are 2048 bytes; the file counts in bytes.
//
// Neighbouring sectors of equal status form one area, so a whole disc read without a fault is
// a single area whatever its size, and marking costs a logarithm of the number of areas.
class RescueMap
{
public:
    // The block statuses of the mapfile. The same characters in the status line name the
    // phase that was running: copying, trimming, scraping, retrying, finished.
    static const char kNonTried = '?';
    static const char kNonTrimmed = '*';
    static const char kNonScraped = '/';
    static const char kBadSector = '-';
    static const char kFinished = '+';

    struct Area
    {
        ULONGLONG first;    // sector
        ULONGLONG sectors;
        char status;
        bool operator==(const Area& other) const
        {
            return first == other.first && sectors == other.sectors && status == other.status;
        }
    };

    // A disc of `sectors` sectors, none of them tried yet.
    explicit RescueMap(ULONGLONG sectors = 0);

    ULONGLONG Sectors() const { return sectorCount; }
    void Mark(ULONGLONG first, ULONGLONG sectors, char status);
    char StatusOf(ULONGLONG sector) const;
    ULONGLONG Count(char status) const;
    ULONGLONG UnfinishedSectors() const { return sectorCount - Count(kFinished); }
    // Sectors marked finished, since this map was made or read, that had failed before: read
    // only on a later attempt. Not part of the mapfile.
    ULONGLONG Recovered() const { return recovered; }
    std::vector<Area> Areas() const;
    std::vector<Area> AreasOf(char status) const;

    // The status line: where the work is and which phase and pass of it is running.
    void SetCurrent(ULONGLONG sector, char status, unsigned pass);
    ULONGLONG CurrentPosition() const { return currentPosition; }  // in bytes
    char CurrentStatus() const { return currentStatus; }
    unsigned CurrentPass() const { return currentPass; }

    // The mapfile text, with "\n" line ends.
    std::string Serialize() const;
    // Reads a mapfile for a disc of `sectors` sectors. On failure `map` is untouched, and
    // `message` says what is wrong and names `fileName`.
    static bool Parse(const std::string& text, ULONGLONG sectors, const std::wstring& fileName, RescueMap& map,
                      std::wstring& message);
    // The disc's sectors as a mapfile's blocks give them: where its last block ends; 0 without
    // any. Checked no further: Parse, given this size, says whether the map can be used.
    static ULONGLONG SectorsIn(const std::string& text);

    bool operator==(const RescueMap& other) const;

private:
    // Each area by its first sector; an area ends where the next begins, the last at the disc's end.
    std::map<ULONGLONG, char> starts;
    ULONGLONG sectorCount = 0;
    ULONGLONG counts[5] = {};
    ULONGLONG recovered = 0;
    ULONGLONG currentPosition = 0;
    char currentStatus = kNonTried;
    unsigned currentPass = 1;

    void SplitAt(ULONGLONG sector);
    void MergeAt(ULONGLONG sector);
    ULONGLONG& CountOf(char status);
};
