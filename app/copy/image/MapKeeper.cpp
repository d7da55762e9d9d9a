#include "MapKeeper.h"
#include "CopyIO.h"
#include <algorithm>

void MapKeeper::Grow(ULONGLONG sectors)
{
    if (sectors <= map.Sectors())
        return;
    RescueMap grown(sectors);
    for (const RescueMap::Area& area : map.Areas())
        grown.Mark(area.first, area.sectors, area.status);
    map = std::move(grown);
}

void MapKeeper::FinishedUpTo(ULONGLONG sectors)
{
    sectors = std::min(sectors, map.Sectors());
    for (const RescueMap::Area& area : map.AreasOf(RescueMap::kNonTried))
        if (area.first < sectors)
            map.Mark(area.first, std::min(area.sectors, sectors - area.first), RescueMap::kFinished);
    map.SetCurrent(sectors, RescueMap::kNonTried, 1);
}

void MapKeeper::StartSaving()
{
    saving = true;
    lastSave = io.Milliseconds();
}

void MapKeeper::SaveSoon()
{
    saving = true;
    soon = true;
}

bool MapKeeper::Due()
{
    return saving && (soon || io.Milliseconds() - lastSave >= kSaveIntervalMs);
}

bool MapKeeper::SaveTo(const std::wstring& target)
{
    if (!io.FlushImage() || !io.ReplaceTextFile(target.c_str(), map.Serialize()))
        return false;
    soon = false;
    lastSave = io.Milliseconds();
    return true;
}
