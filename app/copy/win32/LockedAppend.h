#pragma once
#include <string>

// Appends `text` to the file at `path` (created when missing; "\\?\" paths and long paths
// work), writing `header` first when the file is empty. Several processes may append to one
// file at the same moment: each holds an exclusive lock on the whole file while it looks at its
// size and writes, so no two appends interleave, none is lost and the header is written once.
// The file stays shared for reading and writing meanwhile (a viewer may have it open).
// On failure the reason is in the thread's last error.
bool AppendLocked(const std::wstring& path, const std::string& header, const std::string& text);
