#include "DiscProfile.h"

namespace {
struct Profile
{
    unsigned number;
    const wchar_t* name;
};

// The profile numbers of the multimedia command set, as drives report them.
const Profile kProfiles[] = {
    {0x0001, L"non-removable disk"},
    {0x0002, L"removable disk"},
    {0x0003, L"MO erasable"},
    {0x0004, L"MO write once"},
    {0x0005, L"AS-MO"},
    {0x0008, L"CD-ROM"},
    {0x0009, L"CD-R"},
    {0x000A, L"CD-RW"},
    {0x0010, L"DVD-ROM"},
    {0x0011, L"DVD-R"},
    {0x0012, L"DVD-RAM"},
    {0x0013, L"DVD-RW (restricted overwrite)"},
    {0x0014, L"DVD-RW"},
    {0x0015, L"DVD-R DL"},
    {0x0016, L"DVD-R DL (layer jump)"},
    {0x0017, L"DVD-RW DL"},
    {0x0018, L"DVD-Download"},
    {0x001A, L"DVD+RW"},
    {0x001B, L"DVD+R"},
    {0x0020, L"DDCD-ROM"},
    {0x0021, L"DDCD-R"},
    {0x0022, L"DDCD-RW"},
    {0x002A, L"DVD+RW DL"},
    {0x002B, L"DVD+R DL"},
    {0x0040, L"BD-ROM"},
    {0x0041, L"BD-R"},
    {0x0042, L"BD-R (random recording)"},
    {0x0043, L"BD-RE"},
    {0x0050, L"HD DVD-ROM"},
    {0x0051, L"HD DVD-R"},
    {0x0052, L"HD DVD-RAM"},
    {0x0053, L"HD DVD-RW"},
    {0x0058, L"HD DVD-R DL"},
    {0x005A, L"HD DVD-RW DL"},
};
}

std::wstring DiscProfileName(unsigned profile)
{
    for (const Profile& known : kProfiles)
        if (known.number == profile)
            return known.name;
    return L"unknown";
}
