#include "PrimaryVolumeFacts.h"
#include "TestDisc.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {
struct FactsRow
{
    const char* fault;
    std::size_t at;
    std::string bytes;  // written into the descriptor at `at`
    PrimaryVolumeFacts facts;
};

TEST(PrimaryVolumeFacts, EachFieldIsReadFromItsPlaceTrimmedAndDated)
{
    const std::string full(32, 'L'), app(128, 'A');
    const FactsRow rows[] = {
        {"padding spaces kept", 40, "  MY DISC   ", {L"MY DISC", L"", L""}},
        {"the label's last byte cut off", 40, full, {std::wstring(32, L'L'), L"", L""}},
        {"the application identifier's last byte cut off", 574, app, {L"", L"", std::wstring(128, L'A')}},
        {"the date's fields out of place, or the offset read as unsigned", 813,
         std::string("2024030514300799") + char(-20), {L"", L"2024-03-05T14:30:07-05:00", L""}},
        {"the offset not in quarter hours", 813, std::string("1999123123595900") + char(22),
         {L"", L"1999-12-31T23:59:59+05:30", L""}},
        {"an unset date shown as the year 0", 813, std::string(16, '0') + char(0), {L"", L"", L""}},
        {"a date of other bytes taken for one", 813, "2024-03-05", {L"", L"", L""}},
        {"a UTF-8 label taken byte for byte", 40, "D\xC3\xA4" "d", {L"D\u00E4d", L"", L""}},
        {"a byte that is not UTF-8 dropped", 40, "D\xE4" "d", {L"D\u00E4d", L"", L""}},
    };
    for (const FactsRow& row : rows) {
        std::vector<BYTE> disc = MakeTestDisc(17, 17);
        std::memcpy(&disc[16 * 2048 + row.at], row.bytes.data(), row.bytes.size());
        PrimaryVolumeFacts facts;
        ASSERT_TRUE(ReadPrimaryVolumeFacts(&disc[16 * 2048], facts)) << row.fault;
        EXPECT_EQ(facts.label, row.facts.label) << row.fault;
        EXPECT_EQ(facts.created, row.facts.created) << row.fault;
        EXPECT_EQ(facts.application, row.facts.application) << row.fault;
    }
}

TEST(PrimaryVolumeFacts, NoFactsFromAnythingButAPrimaryDescriptor)
{
    std::vector<BYTE> disc = MakeTestDisc(17, -1);
    std::memcpy(&disc[16 * 2048 + 40], "UDF", 3);
    PrimaryVolumeFacts facts{L"kept", L"kept", L"kept"};
    EXPECT_FALSE(ReadPrimaryVolumeFacts(&disc[16 * 2048], facts));
    EXPECT_EQ(facts.label + facts.created + facts.application, L"keptkeptkept");
}
}
