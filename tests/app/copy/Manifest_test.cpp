#include "Manifest.h"
#include <gtest/gtest.h>
#include <fstream>
#include <iterator>

namespace {
TEST(Manifest, ACellNeverRunsAsAFormulaNorBreaksARow)
{
    const struct { const char* fault; std::wstring text; const char* cell; } rows[] = {
        {"plain text quoted for nothing", L"MY DISC", "MY DISC"},
        {"a formula run, or its quotes not doubled", L"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"a plus sign taken as a formula's start", L"+1", "\"'+1\""},
        {"a minus sign", L"-2+3", "\"'-2+3\""},
        {"an at sign", L"@SUM(A1)", "\"'@SUM(A1)\""},
        {"spaces before the formula hide it", L"  =1", "\"'  =1\""},
        {"a tab before the formula hides it, or starts a cell", L"\t=1", "\\x09=1"},
        {"a comma splits the cell", L"A,B", "\"A,B\""},
        {"a semicolon splits the cell where it separates lists", L"A;B", "\"A;B\""},
        {"a label not in UTF-8", L"D\u00E4d", "D\xC3\xA4" "d"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ManifestCell(row.text), row.cell) << row.fault;
}

TEST(Manifest, ANewManifestStartsWithTheMarkAndTheHeaderAndEachRunAddsOneRow)
{
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"pel", 0, path);
    DeleteFileW(path);
    CopyRecord record;
    record.drive = L'E';
    record.volume.label = L"=1+1";
    record.image = L"D:\\x,y.iso";
    record.started = record.ended = {{2024, 3, 2, 5, 15, 0, 1, 0}, 60};
    record.outcome = CopyRecord::Outcome::Complete;
    record.sectors = 1000;
    record.digests = {"9b1b02f6", "d5ff", "12a9", "97d6"};
    ASSERT_TRUE(AppendManifestRow(path, record, 0));
    record.outcome = CopyRecord::Outcome::Stopped;
    ASSERT_TRUE(AppendManifestRow(path, record, 2));
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    file.close();
    DeleteFileW(path);
    EXPECT_EQ(text, "\xEF\xBB\xBF"
                    "started,ended,drive,label,image,outcome,exit_code,sectors,unreadable_sectors,"
                    "crc32,md5,sha1,sha256,report\r\n"
                    "2024-03-05T15:00:01+01:00,2024-03-05T15:00:01+01:00,E:,\"'=1+1\",\"D:\\x,y.iso\",complete,0,"
                    "1000,0,9b1b02f6,d5ff,12a9,97d6,\"D:\\x,y.iso.log\"\r\n"
                    "2024-03-05T15:00:01+01:00,2024-03-05T15:00:01+01:00,E:,\"'=1+1\",\"D:\\x,y.iso\",stopped,2,"
                    "1000,0,,,,,\"D:\\x,y.iso.log\"\r\n");
}
}
