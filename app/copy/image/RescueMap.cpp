#include "RescueMap.h"
#include <cstdio>
#include <iterator>

namespace {
const char kStatuses[] = {RescueMap::kNonTried, RescueMap::kNonTrimmed, RescueMap::kNonScraped,
                          RescueMap::kBadSector, RescueMap::kFinished};

int StatusIndex(char status)
{
    for (int index = 0; index < int(sizeof kStatuses); ++index)
        if (kStatuses[index] == status)
            return index;
    return -1;
}

std::string Hex(ULONGLONG value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", value);
    return text;
}

// One line of a mapfile cut into its fields, with its comment gone: '#' at the start of the
// line or after a blank starts one.
std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        char c = i < line.size() ? line[i] : ' ';
        if (c == '#' && field.empty())
            break;
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!field.empty())
                fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    if (!field.empty())
        fields.push_back(field);
    return fields;
}

// "0x" and 1 to 16 hex digits; anything else (a sign, a decimal number, an overflow) is refused.
bool ParseHex(const std::string& text, ULONGLONG& value)
{
    if (text.size() < 3 || text.size() > 18 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    value = 0;
    for (std::size_t i = 2; i < text.size(); ++i) {
        char c = text[i];
        int digit = c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f'       ? c - 'a' + 10
            : c >= 'A' && c <= 'F'       ? c - 'A' + 10
                                         : -1;
        if (digit < 0)
            return false;
        value = value * 16 + ULONGLONG(digit);
    }
    return true;
}

// A positive decimal number of at most 9 digits.
bool ParsePass(const std::string& text, unsigned& pass)
{
    if (text.empty() || text.size() > 9)
        return false;
    pass = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        pass = pass * 10 + unsigned(c - '0');
    }
    return pass > 0;
}

bool ParseStatus(const std::string& text, char& status)
{
    if (text.size() != 1 || StatusIndex(text[0]) < 0)
        return false;
    status = text[0];
    return true;
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}
}

RescueMap::RescueMap(ULONGLONG sectors) : sectorCount(sectors)
{
    if (sectors != 0)
        starts[0] = kNonTried;
    counts[StatusIndex(kNonTried)] = sectors;
}

ULONGLONG& RescueMap::CountOf(char status)
{
    return counts[StatusIndex(status)];
}

ULONGLONG RescueMap::Count(char status) const
{
    int index = StatusIndex(status);
    return index < 0 ? 0 : counts[index];
}

void RescueMap::SplitAt(ULONGLONG sector)
{
    if (sector >= sectorCount || starts.count(sector) != 0)
        return;
    auto after = starts.upper_bound(sector);
    starts[sector] = std::prev(after)->second;
}

void RescueMap::MergeAt(ULONGLONG sector)
{
    auto here = starts.find(sector);
    if (here != starts.end() && here != starts.begin() && std::prev(here)->second == here->second)
        starts.erase(here);
}

void RescueMap::Mark(ULONGLONG first, ULONGLONG sectors, char status)
{
    if (StatusIndex(status) < 0 || first >= sectorCount || sectors == 0)
        return;
    ULONGLONG end = sectors > sectorCount - first ? sectorCount : first + sectors;
    SplitAt(first);
    SplitAt(end);
    auto from = starts.find(first);
    auto to = starts.lower_bound(end);
    for (auto area = from; area != to; ++area) {
        auto next = std::next(area);
        ULONGLONG areaEnd = next == starts.end() ? sectorCount : next->first;
        CountOf(area->second) -= areaEnd - area->first;
        if (status == kFinished && area->second != kNonTried && area->second != kFinished)
            recovered += areaEnd - area->first;
    }
    starts.erase(from, to);
    starts[first] = status;
    CountOf(status) += end - first;
    MergeAt(end);
    MergeAt(first);
}

char RescueMap::StatusOf(ULONGLONG sector) const
{
    if (sector >= sectorCount)
        return 0;
    return std::prev(starts.upper_bound(sector))->second;
}

std::vector<RescueMap::Area> RescueMap::Areas() const
{
    std::vector<Area> areas;
    for (auto area = starts.begin(); area != starts.end(); ++area) {
        auto next = std::next(area);
        ULONGLONG end = next == starts.end() ? sectorCount : next->first;
        areas.push_back({area->first, end - area->first, area->second});
    }
    return areas;
}

std::vector<RescueMap::Area> RescueMap::AreasOf(char status) const
{
    std::vector<Area> areas;
    for (const Area& area : Areas())
        if (area.status == status)
            areas.push_back(area);
    return areas;
}

void RescueMap::SetCurrent(ULONGLONG sector, char status, unsigned pass)
{
    currentPosition = sector * kSectorBytes;
    if (StatusIndex(status) >= 0)
        currentStatus = status;
    currentPass = pass == 0 ? 1 : pass;
}

std::string RescueMap::Serialize() const
{
    std::string text = "# Mapfile of a disc of " + std::to_string(sectorCount) + " sectors of "
        + std::to_string(kSectorBytes) + " bytes, in GNU ddrescue's format\n";
    text += "# current_pos  current_status  current_pass\n";
    text += Hex(currentPosition) + "     " + currentStatus + "               " + std::to_string(currentPass) + "\n";
    text += "#      pos        size  status\n";
    for (const Area& area : Areas())
        text += Hex(area.first * kSectorBytes) + "  " + Hex(area.sectors * kSectorBytes) + "  " + area.status + "\n";
    return text;
}

bool RescueMap::operator==(const RescueMap& other) const
{
    return sectorCount == other.sectorCount && starts == other.starts && currentPosition == other.currentPosition
        && currentStatus == other.currentStatus && currentPass == other.currentPass;
}

bool RescueMap::Parse(const std::string& text, ULONGLONG sectors, const std::wstring& fileName, RescueMap& map,
                      std::wstring& message)
{
    const ULONGLONG discBytes = sectors * kSectorBytes;
    unsigned lineNumber = 0;
    auto fail = [&](const std::wstring& what) {
        message = L"The map " + fileName + L" cannot be used: " + what;
        return false;
    };
    auto failLine = [&](const std::wstring& what) {
        return fail(L"line " + std::to_wstring(lineNumber) + L" " + what + L".");
    };

    RescueMap parsed(sectors);
    parsed.starts.clear();
    parsed.counts[StatusIndex(kNonTried)] = 0;
    bool haveStatusLine = false;
    ULONGLONG end = 0;  // in bytes, where the next block must start
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t lineEnd = text.find('\n', at);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        std::string line = text.substr(at, lineEnd - at);
        at = lineEnd + 1;
        ++lineNumber;
        if (line.find('\0') != std::string::npos)
            return failLine(L"holds a NUL character: this is not a text file");
        std::vector<std::string> fields = Fields(line);
        if (fields.empty())
            continue;
        if (!haveStatusLine) {
            // Mapfiles of ddrescue before 1.20 have no pass on the status line.
            ULONGLONG position = 0;
            char status = 0;
            unsigned pass = 1;
            if (fields.size() < 2 || fields.size() > 3)
                return failLine(L"should be the status line \"position status pass\"");
            if (!ParseHex(fields[0], position) || !ParseStatus(fields[1], status)
                || (fields.size() == 3 && !ParsePass(fields[2], pass)))
                return failLine(L"is not a valid status line");
            if (position > discBytes)
                return failLine(L"names a position past the end of the disc");
            parsed.currentPosition = position;
            parsed.currentStatus = status;
            parsed.currentPass = pass;
            haveStatusLine = true;
            continue;
        }
        ULONGLONG position = 0, size = 0;
        char status = 0;
        if (fields.size() != 3)
            return failLine(L"should hold three fields, \"position size status\"");
        if (!ParseHex(fields[0], position) || !ParseHex(fields[1], size))
            return failLine(L"holds a number that is not written as 0x and hex digits");
        if (!ParseStatus(fields[2], status))
            return failLine(L"has an unknown status \"" + Widen(fields[2]) + L"\"");
        if (size == 0)
            return failLine(L"describes an empty area");
        if (position % kSectorBytes != 0 || size % kSectorBytes != 0)
            return failLine(L"does not describe whole sectors of 2048 bytes");
        if (end == 0 && position != 0)
            return failLine(L"should start the areas at 0x00000000, the start of the disc");
        if (position < end)
            return failLine(L"overlaps an earlier area or is out of order");
        if (position > end)
            return failLine(L"leaves a gap after the area before it");
        if (size > discBytes - position || position >= discBytes)
            return failLine(L"goes past the end of the disc, which has " + std::to_wstring(sectors) + L" sectors");
        ULONGLONG first = position / kSectorBytes;
        auto previous = parsed.starts.empty() ? parsed.starts.end() : std::prev(parsed.starts.end());
        if (previous == parsed.starts.end() || previous->second != status)
            parsed.starts[first] = status;
        parsed.CountOf(status) += size / kSectorBytes;
        end = position + size;
    }
    if (!haveStatusLine)
        return fail(L"it is empty or cut short, with no status line.");
    if (end == 0 && sectors != 0)
        return fail(L"it is cut short, with no areas after the status line.");
    if (end < discBytes)
        return fail(L"its areas end at sector " + std::to_wstring(end / kSectorBytes) + L", before the end of the disc at "
                    + std::to_wstring(sectors) + L": it is cut short or belongs to another disc.");
    map = parsed;
    return true;
}

ULONGLONG RescueMap::SectorsIn(const std::string& text)
{
    ULONGLONG end = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t lineEnd = text.find('\n', at);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        const std::vector<std::string> fields = Fields(text.substr(at, lineEnd - at));
        at = lineEnd + 1;
        ULONGLONG position = 0, size = 0;
        // The status line's second field is a status, not a size.
        if (fields.size() == 3 && ParseHex(fields[0], position) && ParseHex(fields[1], size) && size != 0)
            end = position + size;
    }
    return end / kSectorBytes;
}
