#include "CommandImageName.h"
#include "ImageFileName.h"
#include <gtest/gtest.h>
#include <set>

namespace {
// The label's own rules belong to ImageFileNameForLabel; here, that IMAGE takes its result.
TEST(CommandImageName, LabelTakesTheSaveDialogsNameAndATakenNameTheNextFreeNumber)
{
    EXPECT_TRUE(HasLabelPlaceholder(L"D:\\{label}.iso"));
    EXPECT_EQ(ExpandLabel(L"D:\\i\\{label}.iso", L"A:B?"), L"D:\\i\\" + ImageFileNameForLabel(L"A:B?"));
    EXPECT_EQ(ExpandLabel(L"D:\\{label}.iso", L""), L"D:\\disc.iso") << "no label leaves an empty name";
    EXPECT_EQ(ExpandLabel(L"{label}\\{label}-1", L"X"), L"X\\X-1") << "only the first placeholder expanded";
    EXPECT_EQ(ExpandLabel(L"{label}.iso", L"{label}"), L"{label}.iso") << "a label reading {label} expanded forever";

    const std::set<std::wstring> existing = {L"D:\\a.b\\X.iso", L"D:\\a.b\\X (2).iso", L"D:\\a.b\\X", L"D:\\a.b\\X (2)"};
    const auto taken = [&](const std::wstring& name) { return existing.count(name) != 0; };
    EXPECT_EQ(FreeImageName(L"D:\\a.b\\Y.iso", taken), L"D:\\a.b\\Y.iso") << "a free name numbered all the same";
    EXPECT_EQ(FreeImageName(L"D:\\a.b\\X.iso", taken), L"D:\\a.b\\X (3).iso") << "a taken number reused";
    EXPECT_EQ(FreeImageName(L"D:\\a.b\\X", taken), L"D:\\a.b\\X (3)") << "the number put into the folder's dot";
    EXPECT_EQ(FreeImageName(L"X.iso", [](const std::wstring&) { return true; }), L"") << "an endless search";
}
}
