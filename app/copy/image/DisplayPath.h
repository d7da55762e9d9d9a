#pragma once
#include <string>

// `path` as a user knows it, for messages: a "\\?\C:\..." path without its prefix, and a
// "\\?\UNC\server\share\..." one as "\\server\share\...". Other paths stay as they are.
std::wstring DisplayPath(const std::wstring& path);

// The last part of a path: what a user calls the file.
std::wstring FileNameOf(const std::wstring& path);
