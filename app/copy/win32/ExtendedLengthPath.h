#pragma once
#include <string>

// The longest path the wide file functions take, in characters, with its terminating NUL.
const size_t kLongestPath = 32768;

// `path` as CreateFileW and DeleteFileW can open it. A path of MAX_PATH characters or more
// becomes a full "\\?\" path ("\\?\UNC\server\share\..." for a network path), which those
// functions take at any length; shorter paths and paths given as "\\?\" already stay as they
// are. Empty when the path cannot be made into one: a device path, or one too long even then.
std::wstring ExtendedLengthPath(const std::wstring& path);
