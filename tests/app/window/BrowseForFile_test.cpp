#include "BrowseForFile.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
// What the check callback saw; the record itself lives only during the call.
struct SeenRecord
{
    int calls = 0;
    OPENFILENAMEW record = {};
    std::vector<std::wstring> filter;
    std::wstring defaultExtension;
    BOOL answer = FALSE;
};
SeenRecord seen;

std::vector<std::wstring> FilterStrings(const wchar_t* block)
{
    std::vector<std::wstring> strings;
    if (!block)
        return strings;
    while (*block) {
        strings.push_back(block);
        block += strings.back().size() + 1;
    }
    return strings;
}

BOOL Inspect(const OPENFILENAMEW& record)
{
    ++seen.calls;
    seen.record = record;
    seen.filter = FilterStrings(record.lpstrFilter);
    seen.defaultExtension = record.lpstrDefExt ? record.lpstrDefExt : L"(null)";
    return seen.answer;
}

class BrowseForFileTest : public ::testing::Test
{
protected:
    void SetUp() override { seen = SeenRecord(); }
};

TEST_F(BrowseForFileTest, CopyWorkerRecordAsTheSaveDialogGetsIt)
{
    wchar_t buffer[260] = {};
    const wchar_t filter[] = L"ISO files (*.iso)\0*.iso\0All files (*.*)\0*.*\0";
    HWND owner = reinterpret_cast<HWND>(0x1234);
    int result = BrowseForFile(buffer, 260, nullptr, TRUE, owner, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, filter,
                               L"iso", Inspect);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(seen.calls, 1);
    const OPENFILENAMEW& r = seen.record;
    // The original form: 76 bytes with 32-bit pointers, 136 with 64-bit ones.
    EXPECT_EQ(r.lStructSize, sizeof(void*) == 4 ? 76u : 136u);
    EXPECT_EQ(r.hwndOwner, owner);
    EXPECT_EQ(r.lpstrFile, buffer);
    EXPECT_EQ(r.nMaxFile, 260u);
    EXPECT_EQ(r.Flags, 6u);
    EXPECT_EQ(r.lpstrFilter, filter);
    EXPECT_EQ(seen.filter, (std::vector<std::wstring>{L"ISO files (*.iso)", L"*.iso", L"All files (*.*)", L"*.*"}));
    EXPECT_EQ(seen.defaultExtension, L"iso");
    EXPECT_EQ(r.lpstrInitialDir, nullptr);
    EXPECT_EQ(r.nFilterIndex, 0u);
    EXPECT_EQ(r.lpstrTitle, nullptr);
    EXPECT_EQ(r.lpstrCustomFilter, nullptr);
    EXPECT_EQ(r.lpstrFileTitle, nullptr);
    EXPECT_EQ(r.hInstance, nullptr);
    EXPECT_EQ(r.lpfnHook, nullptr);
    EXPECT_EQ(r.lCustData, 0);
}

TEST_F(BrowseForFileTest, WithoutAFilterOnlyAllFilesIsOffered)
{
    wchar_t buffer[32] = {};
    EXPECT_EQ(BrowseForFile(buffer, 32, L"C:\\discs", FALSE, nullptr, OFN_FILEMUSTEXIST, nullptr, nullptr, Inspect), 0);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.filter, (std::vector<std::wstring>{L"All files (*.*)", L"*.*"}));
    EXPECT_STREQ(seen.record.lpstrInitialDir, L"C:\\discs");
    EXPECT_EQ(seen.record.Flags, DWORD(OFN_FILEMUSTEXIST));
    EXPECT_EQ(seen.record.nMaxFile, 32u);
    EXPECT_EQ(seen.defaultExtension, L"(null)");
}
}
