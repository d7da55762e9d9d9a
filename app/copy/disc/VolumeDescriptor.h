#pragma once
#include <windows.h>

// The volume space size (in 2048-byte sectors) of an ISO 9660 primary volume descriptor.
// Returns false, leaving `sectors` alone, when the 2048-byte sector is no such descriptor:
// type 1, identifier "CD001", version 1 and a logical block size of 2048. Any other content
// (UDF-only discs, blank or garbage sectors) must not be trusted for the size of the disc.
bool ReadPrimaryVolumeSize(const BYTE* sector, DWORD& sectors);
