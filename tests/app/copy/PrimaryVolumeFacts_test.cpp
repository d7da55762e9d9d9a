#include "PrimaryVolumeFacts.h"
#include "TestDisc.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {
// Each row writes `bytes` at `at` into a primary descriptor; the facts read are joined by '|'.
TEST(PrimaryVolumeFacts, EachFieldIsReadFromItsPlaceTrimmedAndDated)
{
    const struct { const char* fault; std::size_t at; std::string bytes; std::wstring facts; } rows[] = {
        {"padding spaces kept", 40, "  MY DISC   ", L"MY DISC||"},
        {"the label's last byte cut off", 40, std::string(32, 'L'), std::wstring(32, L'L') + L"||"},
        {"the application's last byte cut off", 574, std::string(128, 'A'), L"||" + std::wstring(128, L'A')},
        {"the date's fields out of place, or the offset read as unsigned", 813,
         std::string("2024030514300799") + char(-20), L"|2024-03-05T14:30:07-05:00|"},
        {"the offset not in quarter hours", 813, std::string("1999123123595900") + char(22),
         L"|1999-12-31T23:59:59+05:30|"},
        {"an unset date shown as the year 0", 813, std::string(16, '0') + char(0), L"||"},
        {"a date of other bytes taken for one", 813, "2024-03-05", L"||"},
        {"a UTF-8 label taken byte for byte", 40, "D\xC3\xA4" "d", L"D\u00E4d||"},
        {"a byte that is not UTF-8 dropped", 40, "D\xE4" "d", L"D\u00E4d||"},
    };
    for (const auto& row : rows) {
        std::vector<BYTE> disc = MakeTestDisc(17, 17);
        std::memcpy(&disc[16 * 2048 + row.at], row.bytes.data(), row.bytes.size());
        PrimaryVolumeFacts facts;
        EXPECT_TRUE(ReadPrimaryVolumeFacts(&disc[16 * 2048], facts)) << row.fault;
        EXPECT_EQ(facts.label + L'|' + facts.created + L'|' + facts.application, row.facts) << row.fault;
    }
    std::vector<BYTE> udf = MakeTestDisc(17, -1);
    PrimaryVolumeFacts kept{L"kept", L"", L""};
    EXPECT_FALSE(ReadPrimaryVolumeFacts(&udf[16 * 2048], kept));
    EXPECT_EQ(kept.label, L"kept") << "facts from a disc without a primary descriptor";
}
}
