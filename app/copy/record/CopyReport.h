#pragma once
#include "CopyIO.h"
#include "CopyRecord.h"
#include <string>

// The report beside a kept image, NAME.iso.log: UTF-8 text with CRLF line ends, one
// "Key: value" per line, which a person reads in Notepad and a script splits at the first ": ".
// An image finished over several runs keeps one section per run, each opened by "Run: N" and
// parted from the one before by an empty line, so its history across drives stays with it.
// Every value is escaped (EscapeControls): no label or path breaks a line.

// Where the report of the image at `imagePath` goes, as CreateFileW takes it ("\\?\" when long);
// empty when even that would be too long.
std::wstring ReportPath(const std::wstring& imagePath);

// The section of this run, numbered `run`.
std::string CopyReportSection(const CopyRecord& record, unsigned run);

// `log` (the report's text so far; empty for a new one) with this run's section appended.
std::string AppendCopyReport(const std::string& log, const CopyRecord& record);

// Appends this run's section to the report beside record.image (or begins it anew for a fresh
// image, whose name an older image's report may still hold) through the copy I/O's
// whole-file replace: a crash leaves the old report or the new one, never a part. On failure
// the reason is in the thread's last error.
bool WriteCopyReport(CopyIO& io, const CopyRecord& record);
