#pragma once
#include "RescueMap.h"
#include <string>

class CopyIO;

// The working map of the image being written: what is known of every sector, the one file it is
// kept in beside that image, and when it is saved. A map on the disk never calls a sector
// finished that is not on the disk: every save puts the image's writes on the disk first and
// only then replaces the map, whole. (Chromium's ImportantFileWriter keeps a file, its commit
// interval and its atomic write together in the same way.)
//
// Nothing is saved until saving starts; from then on a save is due every kSaveIntervalMs, and
// at once after SaveSoon.
class MapKeeper
{
public:
    static const DWORD kSaveIntervalMs = 5000;

    // `path`: the map of the file being written; `map`: what is known of the disc so far.
    MapKeeper(CopyIO& io, std::wstring path, RescueMap map) : io(io), path(std::move(path)), map(std::move(map)) {}
    MapKeeper(const MapKeeper&) = delete;
    MapKeeper& operator=(const MapKeeper&) = delete;

    RescueMap& Map() { return map; }
    const std::wstring& Path() const { return path; }

    // The map's disc grows to `sectors`, the sectors added not tried yet.
    void Grow(ULONGLONG sectors);
    // The image holds the first `sectors` sectors of the disc on the disk: those not tried
    // before are read, and the work stands there.
    void FinishedUpTo(ULONGLONG sectors);

    // Saves are due every kSaveIntervalMs from now.
    void StartSaving();
    // The next save is due at once, whatever the time: the map holds news worth keeping.
    void SaveSoon();
    bool Saving() const { return saving; }
    bool Due();
    bool SaveIfDue() { return !Due() || Save(); }
    // The image's writes put on the disk, then the map written at its path, or at `target`, the
    // map of the name the image is about to take. False, with the reason as the thread's last
    // error, when either failed.
    bool Save() { return SaveTo(path); }
    bool SaveTo(const std::wstring& target);

private:
    CopyIO& io;
    const std::wstring path;
    RescueMap map;
    bool saving = false;
    bool soon = false;
    DWORD lastSave = 0;
};
