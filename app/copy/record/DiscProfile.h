#pragma once
#include <string>

// The name of a disc's current profile, the number IOCTL_CDROM_GET_CONFIGURATION reports from
// the drive's list of profiles ("CD-R", "DVD+R DL", "BD-RE", ...); "unknown" for 0 (the drive
// could not tell, or holds no disc) and for any number the list does not name.
std::wstring DiscProfileName(unsigned profile);
