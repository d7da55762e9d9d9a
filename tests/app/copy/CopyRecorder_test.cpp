#include "CopyBench.h"
#include "CopyRecorder.h"
#include "CopyReport.h"
#include "CopyTexts.h"
#include "ImageSideFiles.h"
#include "MVSystemError.h"
#include "RecordText.h"
#include "RecordedQuestions.h"
#include <gtest/gtest.h>
#include <functional>

namespace {
const wchar_t kImage[] = L"C:\\images\\disc.iso";
const ImageSideFiles kNames(kImage);
// Of the 40-sector test disc, from md5sum, sha1sum, sha256sum and zlib's crc32.
const char kDigestLines[] = "CRC32: 9b1b02f6\r\nMD5: d5ffaa9071fa585997d39d2d1c38894b\r\n"
                            "SHA-1: 12a9ba65046419dbcc1021e73f4084dd03d9f69c\r\n"
                            "SHA-256: 97d602491a33d38ffa2a5fb0d6c5988f2ae93af3781c8d4e01cfe27f6ed2c148\r\n";

std::wstring DiskFull()
{
    SetLastError(ERROR_DISK_FULL);
    std::wstring text = SystemErrorText().GetBuffer();
    while (!text.empty() && text.back() == L' ')
        text.pop_back();
    return text;
}

// A real job over the fake disc and files, recorded as a run from the window records it: what
// the report says of each outcome is what the image and the files beside it hold.
TEST(CopyRecorder, EachOutcomeIsReportedAsTheImageAndItsMapHoldIt)
{
    const auto finishLater = [](CopyBench& bench) {
        const RescueMap before = MapWith(40, {{20, 3, RescueMap::kBadSector}});
        bench.io.files[kImage] = ImageOf(bench.io.disc, 40, before);
        const std::string map = before.Serialize();
        bench.io.files[kNames.map].assign(map.begin(), map.end());
        bench.io.files[ReportPath(kImage)] = {'R', 'u', 'n', ':', ' ', '1', '\r', '\n'};
    };
    const struct {
        const char* fault;
        std::function<void(CopyBench&)> arrange;
        CopyOutcome outcome;
        std::string lines;  // in the report, one after the other
        bool digests;
    } rows[] = {
        {"the digests not the image's", [](CopyBench&) {}, CopyOutcome::Completed,
         "Run: 1\r\n" "Tool: Pelmora\r\n" "Command: window\r\n" "Image: C:\\images\\disc.iso\r\n", true},
        {"unreadable ranges not those of the map",
         [](CopyBench& bench) {
             for (ULONGLONG sector = 20; sector < 23; ++sector)
                 bench.io.script[sector] = "F";
             bench.owner.choices = {ReadErrorChoice::SkipAndGoOn};
         },
         CopyOutcome::Incomplete,
         "Sectors read: 37\r\nUnreadable sectors: 3\r\nUnreadable ranges: 20-22\r\n", false},
        {"the answer in the box not written down, or each answer to the same question", [](CopyBench& bench) {
             bench.io.script[20] = "F";
             bench.owner.choices = {ReadErrorChoice::TryAgain, ReadErrorChoice::SkipAndGoOn};
         },
         CopyOutcome::Incomplete, "Still missing: 1\r\nSkip unreadable sectors: yes\r\n",
         false},
        {"a later run's section replacing the first, or its retried sectors and digests lost", finishLater,
         CopyOutcome::Completed, "Run: 1\r\n\r\nRun: 2\r\n", true},
        {"a later run's retried sectors lost", finishLater, CopyOutcome::Completed,
         "Retried sectors: 3\r\nStill missing: 0\r\n", true},
        {"the cause of a failure lost behind where its work was kept",
         [](CopyBench& bench) { bench.io.fails[L"FlushImage"] = ERROR_DISK_FULL; }, CopyOutcome::Failed,
         "Outcome: failed, " + Utf8(EscapeControls(DiskFull() + L" " + CopyTexts::WorkKept(kNames.partial,
                                                             kNames.partialMap, kImage))) + "\r\n",
         false},
        {"a failed run reported as another outcome",
         [](CopyBench& bench) { bench.io.fails[L"CreateImage"] = ERROR_ACCESS_DENIED; }, CopyOutcome::Failed,
         "Outcome: failed, ", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        CopyBench bench;
        bench.io.disc = MakeTestDisc(40, 40);
        row.arrange(bench);
        RecordedQuestions questions(bench.owner);
        CopyJob job(questions, bench.owner, bench.io, 5);
        const CopyOutcome outcome = job.Run(L"E:\\ - MYDISC", kImage);
        ASSERT_EQ(outcome, row.outcome);
        CopyRecorder recorder(L"Pelmora", L"window");
        recorder.End(bench.io, kImage, CopyRecorder::OutcomeOf(outcome), questions.Reason(), questions.Answers(),
                     bench.owner, job.Facts());
        ASSERT_TRUE(WriteCopyReport(bench.io, recorder.Record()));
        const std::string report = bench.Text(ReportPath(kImage));
        EXPECT_NE(report.find(row.lines), std::string::npos) << report;
        EXPECT_EQ(report.find(kDigestLines) != std::string::npos, row.digests) << report;
        EXPECT_EQ(report.find("CRC32") != std::string::npos, row.digests) << report;
    }
}
}
