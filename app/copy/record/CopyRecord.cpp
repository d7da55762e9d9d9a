#include "CopyRecord.h"
#include <cwctype>

const wchar_t CopyRecord::kMultisessionQuestion[] = L"Multisession";
const wchar_t CopyRecord::kReplaceQuestion[] = L"Replace";
const wchar_t CopyRecord::kResumeQuestion[] = L"Resume";
const wchar_t CopyRecord::kSkipUnreadableQuestion[] = L"Skip unreadable sectors";

namespace {
bool IsUnreadable(char status)
{
    return status != RescueMap::kFinished && status != RescueMap::kNonTried;
}
}

const wchar_t* CopyRecord::OutcomeWord() const
{
    switch (outcome) {
    case Outcome::Complete: return L"complete";
    case Outcome::Incomplete: return L"incomplete";
    case Outcome::Stopped: return L"stopped";
    case Outcome::Failed: break;
    }
    return L"failed";
}

ULONGLONG CopyRecord::UnreadableSectors() const
{
    if (!map)
        return 0;
    return map->Count(RescueMap::kNonTrimmed) + map->Count(RescueMap::kNonScraped) + map->Count(RescueMap::kBadSector);
}

std::wstring CopyRecord::UnreadableRanges() const
{
    std::wstring ranges;
    if (map) {
        // Neighbouring areas of different unread statuses are one range of unreadable sectors.
        const std::vector<RescueMap::Area> areas = map->Areas();
        for (std::size_t i = 0; i < areas.size(); ++i) {
            if (!IsUnreadable(areas[i].status))
                continue;
            const ULONGLONG first = areas[i].first;
            while (i + 1 < areas.size() && IsUnreadable(areas[i + 1].status))
                ++i;
            const ULONGLONG last = areas[i].first + areas[i].sectors - 1;
            ranges += (ranges.empty() ? L"" : L", ") + std::to_wstring(first) + L'-' + std::to_wstring(last);
        }
    }
    return ranges.empty() ? L"none" : ranges;
}

ULONGLONG CopyRecord::MissingSectors() const
{
    if (map)
        return map->UnfinishedSectors();
    return outcome == Outcome::Complete ? 0 : sectors;
}

void CopyRecord::AddToReason(std::wstring& reason, const std::wstring& told)
{
    // The system's texts end in a space or a line end at times.
    while (!reason.empty() && iswspace(reason.back()))
        reason.pop_back();
    reason += (reason.empty() || told.empty() ? L"" : L" ") + told;
}
