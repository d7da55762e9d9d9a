#pragma once
#include <string>

// The drive letter at the head of a drive list entry ("E:\ - MYDISC", "e:\", "E:"), in upper
// case; 0 when the text does not start with a letter A to Z and a colon. The window side reads
// its list and the copy opens its device by this one rule, so they never disagree on a drive.
wchar_t DriveLetterOf(const std::wstring& entry);

// The raw device of the drive with that letter: "\\.\E:".
std::wstring DevicePathOf(wchar_t letter);
