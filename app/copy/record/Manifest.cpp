#include "Manifest.h"
#include "LockedAppend.h"
#include "RecordText.h"
#include <cwchar>

namespace {
const char kByteOrderMark[] = "\xEF\xBB\xBF";
const char kColumns[] = "started,ended,drive,label,image,outcome,exit_code,sectors,unreadable_sectors,"
                        "crc32,md5,sha1,sha256,report";

// What spreadsheets take as the start of a formula.
bool StartsFormula(const std::wstring& text)
{
    const std::size_t first = text.find_first_not_of(L' ');
    return first != std::wstring::npos && std::wcschr(L"=+-@", text[first]) != nullptr;
}
}

std::string ManifestHeader()
{
    return std::string(kByteOrderMark) + kColumns + "\r\n";
}

std::string ManifestCell(const std::wstring& text)
{
    std::wstring cell = EscapeControls(text);
    const bool formula = StartsFormula(cell);
    if (formula)
        cell.insert(0, 1, L'\'');
    if (!formula && cell.find_first_of(L",;\"") == std::wstring::npos)
        return Utf8(cell);
    std::wstring quoted = L"\"";
    for (wchar_t c : cell)
        quoted += c == L'"' ? L"\"\"" : std::wstring(1, c);
    return Utf8(quoted + L'"');
}

std::string ManifestRow(const CopyRecord& record, int exitCode)
{
    const bool digests = record.HasDigests();
    const std::string cells[] = {
        ManifestCell(Iso8601(record.started)),
        ManifestCell(Iso8601(record.ended)),
        ManifestCell(record.drive ? std::wstring(1, record.drive) + L':' : std::wstring()),
        ManifestCell(record.volume.label),
        ManifestCell(record.image),
        ManifestCell(record.OutcomeWord()),
        std::to_string(exitCode),
        std::to_string(record.sectors),
        std::to_string(record.UnreadableSectors()),
        digests ? record.digests.crc32 : std::string(),
        digests ? record.digests.md5 : std::string(),
        digests ? record.digests.sha1 : std::string(),
        digests ? record.digests.sha256 : std::string(),
        ManifestCell(record.image + L".log"),
    };
    std::string row;
    for (std::size_t i = 0; i < sizeof cells / sizeof cells[0]; ++i)
        row += (i == 0 ? "" : ",") + cells[i];
    return row + "\r\n";
}

bool AppendManifestRow(const std::wstring& path, const CopyRecord& record, int exitCode)
{
    return AppendLocked(path, ManifestHeader(), ManifestRow(record, exitCode));
}
