#include "DiscProfile.h"
#include <gtest/gtest.h>

namespace {
TEST(DiscProfile, NamesTheMultimediaProfilesAndNothingElse)
{
    const struct { const char* fault; unsigned profile; const wchar_t* name; } rows[] = {
        {"no disc named as a disc", 0, L"unknown"},
        {"a gap in the list filled by a neighbour", 0x0B, L"unknown"},
        {"the last profile number taken for one", 0xFFFF, L"unknown"},
        {"CD-ROM misnumbered", 0x08, L"CD-ROM"},
        {"the two DVD+ dual layer profiles swapped", 0x2B, L"DVD+R DL"},
        {"DVD-R DL missing", 0x15, L"DVD-R DL"},
        {"BD-RE misnumbered", 0x43, L"BD-RE"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DiscProfileName(row.profile), row.name) << row.fault;
}
}
