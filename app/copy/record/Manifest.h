#pragma once
#include "CopyRecord.h"
#include <string>

// The manifest: one CSV row per run (RFC 4180, UTF-8), for a batch of discs imaged one after
// another or side by side. A new file starts with a byte-order mark, so that Excel reads any
// label right, and with the header row of the exact columns:
//   started,ended,drive,label,image,outcome,exit_code,sectors,unreadable_sectors,crc32,md5,sha1,sha256,report
// The digests are filled in for a complete image only.

// The byte-order mark and the header row, as a new manifest starts.
std::string ManifestHeader();

// One text cell. A label is text anyone can burn onto a disc, so:
// - control characters are escaped (EscapeControls): no value breaks a row;
// - a cell that would start with = + - or @ (after any spaces) gets a ' in front, so that a
//   spreadsheet shows it as text and never runs it as a formula;
// - a cell holding a comma, semicolon, quote or that ' is quoted, its quotes doubled.
std::string ManifestCell(const std::wstring& text);

// The row of this run, with its line end (CRLF).
std::string ManifestRow(const CopyRecord& record, int exitCode);

// Appends the row to the manifest at `path`, starting a new one with its header; safe against
// other runs appending at the same moment (AppendLocked). On failure the reason is in the
// thread's last error.
bool AppendManifestRow(const std::wstring& path, const CopyRecord& record, int exitCode);
