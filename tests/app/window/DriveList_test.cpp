#include <gtest/gtest.h>
#include "DriveList.h"
#include "UnusedDriveLetter.h"

namespace
{
struct EntryCase
{
    wchar_t letter;
    bool readable;
    const wchar_t* label;
    const wchar_t* expected;
};

TEST(DriveList, EntryTextShowsTheLabelOnlyForReadableVolumes)
{
    const EntryCase cases[] = {
        {L'E', true, L"LABEL", L"E:\\ - LABEL"},
        {L'E', false, L"LABEL", L"E:\\"},
        {L'E', true, L"", L"E:\\ - "},
        {L'E', true, nullptr, L"E:\\ - "},
        {L'Z', true, L"32 CHARACTERS OF VOLUME LABEL 32", L"Z:\\ - 32 CHARACTERS OF VOLUME LABEL 32"},
    };
    for (const EntryCase& c : cases)
        EXPECT_EQ(DriveEntryText(c.letter, c.readable, c.label), c.expected) << c.letter << " " << c.readable;
}

TEST(DriveList, DriveLetterIsReadOnlyFromARealEntry)
{
    const std::pair<const wchar_t*, wchar_t> cases[] = {
        {L"E:\\ - MYDISC", L'E'}, {L"e:\\", L'E'}, {L"E:", L'E'}, {L"", 0}, {L"E", 0}, {L"1:\\", 0}, {L"E\\:", 0},
        {L"\u00C9:\\", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriveLetterOf(c.first), c.second) << testing::PrintToString(std::wstring(c.first));
}

// A volume with the label of our choosing; like the system, it fails when a text does not fit.
std::wstring fakeLabel;
BOOL WINAPI FakeVolume(LPCWSTR, LPWSTR label, DWORD labelSize, LPDWORD, LPDWORD, LPDWORD, LPWSTR system, DWORD systemSize)
{
    if (fakeLabel.size() >= labelSize || systemSize < 4)
        return FALSE;
    wcscpy(label, fakeLabel.c_str());
    wcscpy(system, L"UDF");
    return TRUE;
}

TEST(DriveList, LongVolumeLabelsAreReadAndShownWhole)
{
    // UDF labels run to 126 characters, beyond the 32 of ISO 9660.
    for (const size_t length : {0u, 32u, 33u, 126u})
    {
        fakeLabel = std::wstring(length, L'L');
        VolumeInfo info;
        ASSERT_NE(GetVolumeInfo(info, L"E:\\", FakeVolume), FALSE) << length;
        EXPECT_EQ(DriveEntryText(L'E', true, info.volumeLabel), L"E:\\ - " + fakeLabel) << length;
    }
}

TEST(DriveList, SameEntriesIgnoresTheOrder)
{
    using List = std::vector<std::wstring>;
    // Estonian order puts Z before T.
    EXPECT_TRUE(SameEntries(List{L"T:\\", L"Z:\\ - DISC"}, List{L"Z:\\ - DISC", L"T:\\"}));
    EXPECT_FALSE(SameEntries(List{L"E:\\"}, List{L"E:\\ - DISC"}));
    EXPECT_FALSE(SameEntries(List{L"D:\\", L"D:\\"}, List{L"D:\\", L"E:\\"}));
}

struct SelectionCase
{
    const char* what;
    std::vector<std::wstring> entries;
    wchar_t previousLetter;
    int previousIndex;
    int expected;
};

TEST(DriveList, SelectionFollowsTheUsersDrive)
{
    const SelectionCase cases[] = {
        {"unchanged list", {L"D:\\", L"E:\\ - DISC"}, L'E', 1, 1},
        {"drive before it removed", {L"E:\\ - DISC"}, L'E', 1, 0},
        {"drive before it added", {L"C:\\", L"D:\\", L"E:\\ - DISC"}, L'E', 1, 2},
        {"label appeared", {L"D:\\", L"E:\\ - NEW"}, L'E', 1, 1},
        {"label vanished", {L"E:\\"}, L'E', 0, 0},
        {"drive gone, position still there", {L"D:\\", L"F:\\"}, L'E', 1, 1},
        {"drive gone, position gone", {L"D:\\"}, L'E', 1, -1},
        {"list emptied", {}, L'E', 0, -1},
        {"nothing was selected", {L"D:\\", L"E:\\"}, 0, -1, -1},
        {"first fill after start", {L"D:\\"}, 0, -1, -1},
        {"list shown in Estonian order", {L"Z:\\", L"T:\\ - DISC"}, L'T', 1, 1},
        {"position kept in the shown order", {L"Z:\\", L"T:\\"}, L'U', 0, 0},
    };
    for (const SelectionCase& c : cases)
        EXPECT_EQ(ChooseDriveSelection(c.entries, c.previousLetter, c.previousIndex), c.expected) << c.what;
}

TEST(DriveList, VolumeQueryLeavesTheErrorModesAsTheyWere)
{
    const wchar_t missing = UnusedDriveLetter();
    ASSERT_NE(missing, 0);
    const UINT processMode = GetErrorMode();
    DWORD saved = 0;
    ASSERT_TRUE(SetThreadErrorMode(0, &saved));
    VolumeInfo info;
    EXPECT_EQ(GetVolumeInfo(info, DriveRoot(missing).c_str()), FALSE);
    EXPECT_EQ(GetThreadErrorMode(), 0u);
    EXPECT_NE(GetVolumeInfo(info, L"C:\\"), FALSE);
    EXPECT_EQ(GetThreadErrorMode(), 0u);
    EXPECT_EQ(GetErrorMode(), processMode);
    SetThreadErrorMode(saved, nullptr);
}
}
