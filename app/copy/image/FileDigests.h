#pragma once
#include "ImageDigests.h"

// The four digests of the whole file at `path` (a "\\?\" path for long names): for an image
// finished after the copy that began it, whose bytes were not all hashed on their way to disk.
// On failure, the reason is in the thread's last error.
bool FileDigests(const wchar_t* path, ImageDigestText& text);
