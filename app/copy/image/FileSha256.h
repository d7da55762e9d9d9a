#pragma once
#include <string>

// The SHA-256 of the whole file at `path` (a "\\?\" path for long names), as 64 lower-case hex
// characters: for an image finished after the copy that began it, whose bytes were not all
// hashed on their way to disk. On failure, the reason is in the thread's last error.
bool FileSha256(const wchar_t* path, std::string& hex);
