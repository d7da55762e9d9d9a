#include "Manifest.h"
#include <gtest/gtest.h>
#include <fstream>
#include <iterator>

namespace {
TEST(Manifest, ACellNeverRunsAsAFormulaNorBreaksARow)
{
    const struct { const char* fault; std::wstring text; const char* cell; } rows[] = {
        {"plain text quoted for nothing", L"MY DISC", "MY DISC"},
        {"a formula run", L"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"a plus, minus or at sign taken as a formula's start", L"+1", "\"'+1\""},
        {"a minus", L"-2+3", "\"'-2+3\""},
        {"an at sign", L"@SUM(A1)", "\"'@SUM(A1)\""},
        {"spaces before the formula hide it", L"  =1", "\"'  =1\""},
        {"a tab before the formula hides it, or starts a cell", L"\t=1", "\\x09=1"},
        {"a line break ends the row", L"A\r\nB", "A\\x0D\\x0AB"},
        {"a comma splits the cell", L"A,B", "\"A,B\""},
        {"a semicolon splits the cell where it separates lists", L"A;B", "\"A;B\""},
        {"a quote not doubled", L"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"a label not in UTF-8", L"D\u00E4d", "D\xC3\xA4" "d"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ManifestCell(row.text), row.cell) << row.fault;
}

CopyRecord Record(CopyRecord::Outcome outcome)
{
    CopyRecord record;
    record.drive = L'E';
    record.volume.label = L"=1+1";
    record.image = L"D:\\images\\x,y.iso";
    record.started = {{2024, 3, 2, 5, 15, 0, 1, 0}, 60};
    record.ended = {{2024, 3, 2, 5, 16, 2, 3, 0}, 60};
    record.outcome = outcome;
    record.sectors = 1000;
    record.digests = {"9b1b02f6", "d5ff", "12a9", "97d6"};
    return record;
}

TEST(Manifest, ANewManifestStartsWithTheMarkAndTheHeaderAndEachRunAddsOneRow)
{
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"pel", 0, path);
    DeleteFileW(path);
    ASSERT_TRUE(AppendManifestRow(path, Record(CopyRecord::Outcome::Complete), 0));
    ASSERT_TRUE(AppendManifestRow(path, Record(CopyRecord::Outcome::Stopped), 2));
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    DeleteFileW(path);
    EXPECT_EQ(text, "\xEF\xBB\xBF"
                    "started,ended,drive,label,image,outcome,exit_code,sectors,unreadable_sectors,"
                    "crc32,md5,sha1,sha256,report\r\n"
                    "2024-03-05T15:00:01+01:00,2024-03-05T16:02:03+01:00,E:,\"'=1+1\","
                    "\"D:\\images\\x,y.iso\",complete,0,1000,0,9b1b02f6,d5ff,12a9,97d6,\"D:\\images\\x,y.iso.log\"\r\n"
                    "2024-03-05T15:00:01+01:00,2024-03-05T16:02:03+01:00,E:,\"'=1+1\","
                    "\"D:\\images\\x,y.iso\",stopped,2,1000,0,,,,,\"D:\\images\\x,y.iso.log\"\r\n");
}
}
