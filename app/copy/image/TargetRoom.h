#pragma once
#include "TargetVolumeInfo.h"
#include <string>

// Whether an image of `imageBytes` bytes fits on the target volume. Empty when it fits, or when
// what would decide it is unknown; otherwise the message telling the user what is needed and
// what there is. A file system that cannot hold a file that big comes first, since freeing
// space would not help.
std::wstring TargetRoomProblem(ULONGLONG imageBytes, const TargetVolumeInfo& volume);
