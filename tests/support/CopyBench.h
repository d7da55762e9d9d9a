#pragma once
#include "FakeCopyIO.h"
#include "RecordingOwner.h"
#include "TestDisc.h"
#include <algorithm>

// Where the engine's tests run a piece of a copy: the fake I/O and the owner without a window,
// both recording into one log. One bench for each row, so that no row sees another's state.
struct CopyBench
{
    std::vector<std::string> log;
    FakeCopyIO io{log};
    RecordingOwner owner{log};

    long Count(const std::string& entry) const { return long(std::count(log.begin(), log.end(), entry)); }
    // The entries of `sequence` appear in the log one right after the other.
    bool InOrder(const std::vector<std::string>& sequence) const
    {
        return std::search(log.begin(), log.end(), sequence.begin(), sequence.end()) != log.end();
    }
    // The file at `path`, as text; "-" when there is none.
    std::string Text(const std::wstring& path) const
    {
        auto file = io.files.find(path);
        return file == io.files.end() ? "-" : std::string(file->second.begin(), file->second.end());
    }
    // What the owner was told, when only `message` (or nothing, when it is empty).
    static std::vector<std::wstring> Told(const std::wstring& message)
    {
        return message.empty() ? std::vector<std::wstring>() : std::vector<std::wstring>{message};
    }
};

// A map's areas as "0+600 600-50 650+850": first sector, status, sectors.
inline std::string Areas(const RescueMap& map)
{
    std::string text;
    for (const RescueMap::Area& area : map.Areas())
        text += (text.empty() ? "" : " ") + std::to_string(area.first) + area.status + std::to_string(area.sectors);
    return text;
}

// A map of a disc of `sectors` sectors, every one finished but those of `areas`.
inline RescueMap MapWith(ULONGLONG sectors, const std::vector<RescueMap::Area>& areas)
{
    RescueMap map(sectors);
    map.Mark(0, sectors, RescueMap::kFinished);
    for (const RescueMap::Area& area : areas)
        map.Mark(area.first, area.sectors, area.status);
    return map;
}

// The image a map describes: the disc's first `sectors` sectors, with zeros where it says they
// are missing.
inline std::vector<BYTE> ImageOf(const std::vector<BYTE>& disc, DWORD sectors, const RescueMap& map)
{
    std::vector<BYTE> image = DiscPrefix(disc, sectors);
    for (const RescueMap::Area& area : map.Areas())
        if (area.status != RescueMap::kFinished && area.first < sectors)
            std::fill_n(image.begin() + area.first * 2048,
                        std::min<ULONGLONG>(area.sectors, sectors - area.first) * 2048, 0);
    return image;
}
