#include "DriveIdentity.h"
#include "FileHandle.h"
#include <winioctl.h>
#include <gtest/gtest.h>
#include <cstring>

namespace {
// An answer with "  HL-DT-ST  " at 64, padded on both sides, and "DVDRAM GH24" at 80, whose NUL
// is byte 91; each row points the vendor at one of them.
TEST(DriveIdentity, DescriptorTextsAreReadOnlyInsideTheAnswer)
{
    const struct { const char* fault; DWORD offset, size, answered; const wchar_t* vendor; } rows[] = {
        {"padding kept", 64, 128, 128, L"HL-DT-ST"},
        {"an offset of 0 read as the descriptor's own bytes", 0, 128, 128, L"unknown"},
        {"an offset past the answer read", 200, 128, 128, L"unknown"},
        {"an offset past the descriptor's own size read", 80, 90, 128, L"unknown"},
        {"a text without its NUL read past the answer", 80, 128, 88, L"unknown"},
        {"a text ending right at the answer's end missed", 80, 92, 92, L"DVDRAM GH24"},
    };
    for (const auto& row : rows) {
        BYTE answer[128] = {};
        STORAGE_DEVICE_DESCRIPTOR descriptor = {};
        descriptor.Size = row.size;
        descriptor.VendorIdOffset = row.offset;
        std::memcpy(answer, &descriptor, sizeof descriptor);
        std::memcpy(answer + 64, "  HL-DT-ST  ", 12);
        std::memcpy(answer + 80, "DVDRAM GH24", 11);
        DriveIdentity identity;
        ReadDeviceDescriptor(answer, row.answered, identity);
        EXPECT_EQ(identity.vendor + L'|' + identity.product, row.vendor + std::wstring(L"|unknown")) << row.fault;
    }
    const BYTE header[8] = {0, 0, 0, 4, 0, 0, 0x00, 0x2B};
    EXPECT_EQ(ReadCurrentProfile(header, 8), 0x2Bu) << "the profile read little-endian";
    EXPECT_EQ(ReadCurrentProfile(header, 7), 0u) << "a short answer read past its end";
}

// Wine answers neither query, as some drivers do not: everything stays unknown.
TEST(DriveIdentity, AHandleThatAnswersNothingLeavesEverythingUnknown)
{
    FileHandle file(CreateFileW(L"NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.IsOpen());
    const DriveIdentity identity = QueryDriveIdentity(file.Get());
    EXPECT_EQ(identity.vendor + identity.product + identity.revision, L"unknownunknownunknown");
    EXPECT_EQ(identity.profile, 0u);
}
}
