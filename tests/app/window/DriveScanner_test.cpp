#include "DriveScanner.h"
#include <gtest/gtest.h>
#include "DialogTestKit.h"
#include "FakeDrives.h"

namespace
{
bool WaitForResult(DriveScanner& scanner, std::vector<std::wstring>& entries)
{
    return dialogtest::PumpUntil([&] { return scanner.TakeResult(entries); });
}

TEST(DriveScanner, ScansOffTheCallersThreadSparingTheBusyDriveAndAnIdleThreadEndsWithTheScanner)
{
    const auto drives = std::make_shared<FakeDrives>();
    drives->Set(L'D', L"SLOW");
    drives->Set(L'E', L"DISC");
    drives->blockOn = L'D';
    HANDLE scanThread = nullptr;
    {
        DriveScanner scanner(FakeDrives::Queries(drives));
        scanner.Request(nullptr, 0, L"");
        ASSERT_TRUE(dialogtest::PumpUntil([&] { return drives->blocked.load(); }));
        // A copy of E: starts while the scan hangs at D:, before it reaches E:.
        scanner.SetBusyEntry(L"E:\\ - COPIED");
        SetEvent(drives->release);
        std::vector<std::wstring> entries;
        ASSERT_TRUE(WaitForResult(scanner, entries));
        EXPECT_EQ(entries, (std::vector<std::wstring>{L"D:\\ - SLOW", L"E:\\ - COPIED"}));
        EXPECT_EQ(drives->Asked(L'E'), 0) << "the drive being copied was asked";
        scanThread = OpenThread(SYNCHRONIZE, FALSE, drives->scanThread);
    }
    EXPECT_FALSE(drives->askedOnMakersThread);
    ASSERT_TRUE(scanThread);
    // A thread still ending while the process exits can keep the process from ending.
    EXPECT_EQ(WaitForSingleObject(scanThread, 0), WAIT_OBJECT_0) << "an idle scan thread outlived its scanner";
    CloseHandle(scanThread);
}

TEST(DriveScanner, ClosingDoesNotWaitForAHangingQuery)
{
    const auto drives = std::make_shared<FakeDrives>();
    drives->Set(L'D', L"SLOW");
    drives->blockOn = L'D';
    {
        DriveScanner scanner(FakeDrives::Queries(drives));
        scanner.Request(nullptr, 0, L"");
        ASSERT_TRUE(dialogtest::PumpUntil([&] { return drives->blocked.load(); }));
    }
    EXPECT_TRUE(drives->blocked) << "closing waited for the query";
    SetEvent(drives->release);
}
}
