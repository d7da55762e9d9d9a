#include "CopyReport.h"
#include "FakeCopyIO.h"
#include <gtest/gtest.h>

namespace {
CopyRecord CompleteRecord()
{
    CopyRecord record;
    record.tool = L"Pelmora 1.1.0.0";
    record.command = L"Pelmora.exe E: D:\\images\\{label}.iso /rescue";
    record.drive = L'E';
    record.identity.vendor = L"HL-DT-ST";
    record.identity.product = L"DVDRAM GH24NSD1";
    record.identity.profile = 0x2B;
    record.sessions = 1;
    record.volume = {L"MY\r\nDISC", L"2024-03-05T14:30:07+01:00", L""};
    record.image = L"D:\\images\\MY__DISC.iso";
    record.started = {{2024, 3, 2, 5, 15, 0, 1, 0}, 60};
    record.ended = {{2024, 3, 2, 5, 16, 2, 3, 0}, 60};
    record.elapsedMilliseconds = 3722999;
    record.outcome = CopyRecord::Outcome::Complete;
    record.sectors = 1000;
    record.sectorsRead = 1000;
    record.retriedSectors = 2;
    record.digests = {"9b1b02f6", "d5ffaa9071fa585997d39d2d1c38894b", "12a9ba65046419dbcc1021e73f4084dd03d9f69c",
                      "97d602491a33d38ffa2a5fb0d6c5988f2ae93af3781c8d4e01cfe27f6ed2c148"};
    record.answers = {{CopyRecord::kReplaceQuestion, L"yes (/replace)"}};
    return record;
}

TEST(CopyReport, ACompleteRunIsOneKeyAndValuePerCrlfLine)
{
    EXPECT_EQ(CopyReportSection(CompleteRecord(), 1),
              "Run: 1\r\n"
              "Tool: Pelmora 1.1.0.0\r\n"
              "Command: Pelmora.exe E: D:\\images\\{label}.iso /rescue\r\n"
              "Image: D:\\images\\MY__DISC.iso\r\n"
              "Drive: E:, vendor HL-DT-ST, product DVDRAM GH24NSD1, revision unknown\r\n"
              "Disc: DVD+R DL, 1 session\r\n"
              "Volume: MY\\x0D\\x0ADISC\r\n"
              "Volume created: 2024-03-05T14:30:07+01:00\r\n"
              "Volume application: unknown\r\n"
              "Started: 2024-03-05T15:00:01+01:00\r\n"
              "Ended: 2024-03-05T16:02:03+01:00\r\n"
              "Elapsed: 01:02:02\r\n"
              "Outcome: complete\r\n"
              "Sectors: 1000 (2048000 bytes)\r\n"
              "Sectors read: 1000\r\n"
              "Unreadable sectors: 0\r\n"
              "Unreadable ranges: none\r\n"
              "Retried sectors: 2\r\n"
              "Still missing: 0\r\n"
              "CRC32: 9b1b02f6\r\n"
              "MD5: d5ffaa9071fa585997d39d2d1c38894b\r\n"
              "SHA-1: 12a9ba65046419dbcc1021e73f4084dd03d9f69c\r\n"
              "SHA-256: 97d602491a33d38ffa2a5fb0d6c5988f2ae93af3781c8d4e01cfe27f6ed2c148\r\n"
              "Replace: yes (/replace)\r\n");
}

// The rules for the ranges and counts belong to CopyRecord; here, that the report carries them.
TEST(CopyReport, AnImageFinishedOverSeveralRunsKeepsASectionForEach)
{
    std::vector<std::string> log;
    FakeCopyIO io(log);
    RescueMap map(1000);
    map.Mark(0, 1000, RescueMap::kFinished);
    map.Mark(7, 2, RescueMap::kBadSector);
    CopyRecord first = CompleteRecord();
    first.outcome = CopyRecord::Outcome::Incomplete;
    first.reason = L"2 sectors could not be read";
    first.map = &map;
    first.sessions = 3;
    ASSERT_TRUE(WriteCopyReport(io, first));
    const CopyRecord second = CompleteRecord();
    ASSERT_TRUE(WriteCopyReport(io, second));

    const auto& bytes = io.files[ReportPath(second.image)];
    const std::string text(bytes.begin(), bytes.end());
    const std::string firstSection = CopyReportSection(first, 1);
    EXPECT_EQ(text, firstSection + "\r\n" + CopyReportSection(second, 2));
    for (const char* line : {"Disc: DVD+R DL, 3 sessions\r\n", "Outcome: incomplete, 2 sectors could not be read\r\n",
                             "Unreadable sectors: 2\r\n", "Unreadable ranges: 7-8\r\n", "Still missing: 2\r\n"})
        EXPECT_NE(firstSection.find(line), std::string::npos) << line;
    EXPECT_EQ(firstSection.find("SHA-256"), std::string::npos) << "an incomplete image given digests";
    EXPECT_EQ(AppendCopyReport("Run: 1\r\nTool: x", second), "Run: 1\r\nTool: x\r\n\r\n" + CopyReportSection(second, 2))
        << "a report without a final line end runs into the next run";
}

// A report held open by another program must not be taken for a new one: that would wipe the
// sections of the earlier runs.
TEST(CopyReport, AReportThatCannotBeReadIsNotReplaced)
{
    struct UnreadableReportIO : FakeCopyIO
    {
        using FakeCopyIO::FakeCopyIO;
        bool ReadTextFile(const wchar_t*, std::string&) override
        {
            SetLastError(ERROR_SHARING_VIOLATION);
            return false;
        }
    };
    std::vector<std::string> log;
    UnreadableReportIO io(log);
    const CopyRecord record = CompleteRecord();
    EXPECT_FALSE(WriteCopyReport(io, record));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(io.files.empty());
}
}
