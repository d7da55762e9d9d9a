#pragma once
#include <windows.h>
#include <string>

// What an ISO 9660 primary volume descriptor says of the disc, for the copy's report: the
// volume identifier, the creation date and the application identifier, each trimmed of the
// spaces that pad it and empty where the descriptor leaves it unset. Text anyone can burn:
// taken as UTF-8 where its bytes are valid UTF-8, else byte for byte as Latin-1, so that no
// byte is lost or turned into a character that was not there.
struct PrimaryVolumeFacts
{
    std::wstring label;
    std::wstring created;      // ISO 8601 with the disc's own UTC offset: 2024-03-05T14:30:07+01:00
    std::wstring application;
};

// Reads the facts from the 2048-byte `sector` when it is a primary volume descriptor (the
// rule of ReadPrimaryVolumeSize); returns false, leaving `facts` alone, otherwise.
bool ReadPrimaryVolumeFacts(const BYTE* sector, PrimaryVolumeFacts& facts);
