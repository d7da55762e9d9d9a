#include "CopyReport.h"
#include "DiscSector.h"
#include "DiscProfile.h"
#include "DiscSector.h"
#include "ExtendedLengthPath.h"
#include "RecordText.h"

namespace {
const char kRunKey[] = "Run: ";

class Section
{
public:
    void Line(const wchar_t* key, const std::wstring& value)
    {
        text += Utf8(EscapeControls(key)) + ": " + Utf8(EscapeControls(value)) + "\r\n";
    }
    void Line(const wchar_t* key, ULONGLONG value) { Line(key, std::to_wstring(value)); }
    void Hash(const wchar_t* key, const std::string& hex) { Line(key, std::wstring(hex.begin(), hex.end())); }
    std::string text;
};

std::wstring OrUnknown(const std::wstring& text)
{
    return text.empty() ? L"unknown" : text;
}

std::wstring TwoDigits(ULONGLONG value)
{
    return std::wstring(value < 10 ? L"0" : L"") + std::to_wstring(value);
}

// Hours, minutes and seconds; hours go past 24 rather than roll into days.
std::wstring Elapsed(ULONGLONG milliseconds)
{
    const ULONGLONG seconds = milliseconds / 1000;
    return TwoDigits(seconds / 3600) + L':' + TwoDigits(seconds / 60 % 60) + L':' + TwoDigits(seconds % 60);
}

std::wstring DriveText(const CopyRecord& record)
{
    const DriveIdentity& id = record.identity;
    const std::wstring letter = record.drive ? std::wstring(1, record.drive) + L':' : L"unknown";
    return letter + L", vendor " + OrUnknown(id.vendor) + L", product " + OrUnknown(id.product) + L", revision " +
           OrUnknown(id.revision);
}

std::wstring DiscText(const CopyRecord& record)
{
    const std::wstring sessions = record.sessions == 0 ? L"sessions unknown"
                                  : record.sessions == 1 ? L"1 session"
                                                         : std::to_wstring(record.sessions) + L" sessions";
    return DiscProfileName(record.identity.profile) + L", " + sessions;
}

std::wstring OutcomeText(const CopyRecord& record)
{
    return record.OutcomeWord() + (record.reason.empty() ? L"" : L", " + record.reason);
}

unsigned RunsIn(const std::string& log)
{
    unsigned runs = 0;
    std::size_t at = 0;
    while (at < log.size()) {
        if (log.compare(at, sizeof kRunKey - 1, kRunKey) == 0)
            ++runs;
        const std::size_t end = log.find('\n', at);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return runs;
}
}

std::wstring ReportPath(const std::wstring& imagePath)
{
    return ExtendedLengthPath(imagePath + L".log");
}

std::string CopyReportSection(const CopyRecord& record, unsigned run)
{
    Section section;
    section.Line(L"Run", run);
    section.Line(L"Tool", record.tool);
    section.Line(L"Command", record.command);
    section.Line(L"Image", record.image);
    section.Line(L"Drive", DriveText(record));
    section.Line(L"Disc", DiscText(record));
    section.Line(L"Volume", record.volume.label.empty() ? L"none" : record.volume.label);
    section.Line(L"Volume created", OrUnknown(record.volume.created));
    section.Line(L"Volume application", OrUnknown(record.volume.application));
    section.Line(L"Started", Iso8601(record.started));
    section.Line(L"Ended", Iso8601(record.ended));
    section.Line(L"Elapsed", Elapsed(record.elapsedMilliseconds));
    section.Line(L"Outcome", OutcomeText(record));
    section.Line(L"Sectors", std::to_wstring(record.sectors) + L" (" +
                                 std::to_wstring(record.sectors * kSectorBytes) + L" bytes)");
    section.Line(L"Sectors read", record.sectorsRead);
    section.Line(L"Unreadable sectors", record.UnreadableSectors());
    section.Line(L"Unreadable ranges", record.UnreadableRanges());
    section.Line(L"Retried sectors", record.retriedSectors);
    section.Line(L"Still missing", record.MissingSectors());
    if (record.HasDigests()) {
        section.Hash(L"CRC32", record.digests.crc32);
        section.Hash(L"MD5", record.digests.md5);
        section.Hash(L"SHA-1", record.digests.sha1);
        section.Hash(L"SHA-256", record.digests.sha256);
    }
    for (const CopyRecord::Answer& answer : record.answers)
        section.Line(answer.question.c_str(), answer.answer);
    return section.text;
}

std::string AppendCopyReport(const std::string& log, const CopyRecord& record)
{
    std::string text = log;
    if (!text.empty() && text.back() != '\n')
        text += "\r\n";
    if (!text.empty())
        text += "\r\n";
    return text + CopyReportSection(record, RunsIn(log) + 1);
}

bool WriteCopyReport(CopyIO& io, const CopyRecord& record)
{
    const std::wstring path = ReportPath(record.image);
    if (path.empty()) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::string log;
    if (!io.ReadTextFile(path.c_str(), log)) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return false;
        log.clear();
    }
    if (!record.resumed && record.outcome != CopyRecord::Outcome::Failed)
        log.clear();
    return io.ReplaceTextFile(path.c_str(), AppendCopyReport(log, record));
}
