#include "CopyReport.h"
#include "FakeCopyIO.h"
#include <gtest/gtest.h>

namespace {
// An image kept with sectors 7 and 8 unread: its digests, though given, do not belong.
CopyRecord IncompleteRecord(const RescueMap& map)
{
    CopyRecord record;
    record.tool = L"Pelmora 1.1.0.0";
    record.drive = L'E';
    record.identity.vendor = L"HL-DT-ST";
    record.identity.profile = 0x2B;
    record.sessions = 3;
    record.volume = {L"MY\r\nDISC", L"2024-03-05T14:30:07+01:00", L""};
    record.image = L"D:\\MY.iso";
    record.started = {{2024, 3, 2, 5, 15, 0, 1, 0}, 60};
    record.ended = {{2024, 3, 2, 5, 9, 0, 0, 0}, -210};  // west of Greenwich, not in whole hours
    record.elapsedMilliseconds = 3722999;
    record.outcome = CopyRecord::Outcome::Incomplete;
    record.reason = L"2 sectors could not be read";
    record.sectors = record.sectorsRead = 1000;
    record.retriedSectors = 2;
    record.map = &map;
    record.digests = {"9b1b02f6", "d5ff", "12a9", "97d6"};
    record.answers = {{CopyRecord::kReplaceQuestion, L"yes (/replace)"}};
    return record;
}

// The rules for the ranges and counts belong to CopyRecord; here, that the report carries them.
TEST(CopyReport, ARunIsOneKeyAndValuePerCrlfLine)
{
    RescueMap map(1000);
    map.Mark(7, 2, RescueMap::kBadSector);
    EXPECT_EQ(CopyReportSection(IncompleteRecord(map), 1),
              "Run: 1\r\nTool: Pelmora 1.1.0.0\r\nCommand: window\r\nImage: D:\\MY.iso\r\n"
              "Drive: E:, vendor HL-DT-ST, product unknown, revision unknown\r\n"
              "Disc: DVD+R DL, 3 sessions\r\n"
              "Volume: MY\\x0D\\x0ADISC\r\n"
              "Volume created: 2024-03-05T14:30:07+01:00\r\n"
              "Volume application: unknown\r\n"
              "Started: 2024-03-05T15:00:01+01:00\r\n"
              "Ended: 2024-03-05T09:00:00-03:30\r\n"
              "Elapsed: 01:02:02\r\n"
              "Outcome: incomplete, 2 sectors could not be read\r\n"
              "Sectors: 1000 (2048000 bytes)\r\n"
              "Sectors read: 1000\r\n"
              "Unreadable sectors: 2\r\n"
              "Unreadable ranges: 7-8\r\n"
              "Retried sectors: 2\r\n"
              "Still missing: 1000\r\n"
              "Replace: yes (/replace)\r\n");
}

TEST(CopyReport, AnImageFinishedOverSeveralRunsKeepsASectionForEach)
{
    std::vector<std::string> log;
    FakeCopyIO io(log);
    RescueMap map(1000);
    CopyRecord first = IncompleteRecord(map), second = IncompleteRecord(map);
    second.outcome = CopyRecord::Outcome::Complete;
    second.reason.clear();
    second.map = nullptr;
    second.resumed = true;
    // An older image's report beside the name the first run's fresh image took.
    io.files[ReportPath(first.image)] = {'R', 'u', 'n', ':', ' ', '1'};
    ASSERT_TRUE(WriteCopyReport(io, first) && WriteCopyReport(io, second));
    const std::string secondSection = CopyReportSection(second, 2);
    const auto& bytes = io.files[ReportPath(second.image)];
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), CopyReportSection(first, 1) + "\r\n" + secondSection);
    EXPECT_NE(secondSection.find("Still missing: 0\r\nCRC32: 9b1b02f6\r\nMD5: d5ff\r\nSHA-1: 12a9\r\nSHA-256: 97d6\r\n"),
              std::string::npos);
    EXPECT_EQ(AppendCopyReport("Run: 1\r\nx", second), "Run: 1\r\nx\r\n\r\n" + secondSection)
        << "a report without a final line end runs into the next run";
}

// A report held open by another program must not be taken for a new one: that would wipe the
// sections of the earlier runs.
TEST(CopyReport, AReportThatCannotBeReadIsNotReplaced)
{
    std::vector<std::string> log;
    FakeCopyIO io(log);
    RescueMap map(1000);
    io.fails[L"ReadTextFile"] = ERROR_SHARING_VIOLATION;
    EXPECT_FALSE(WriteCopyReport(io, IncompleteRecord(map)));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(io.files.empty());
}
}
