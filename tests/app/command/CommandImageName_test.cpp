#include "CommandImageName.h"
#include "ImageFileName.h"
#include <gtest/gtest.h>
#include <set>

namespace {
// The label's own rules belong to ImageFileNameForLabel; here, that IMAGE takes its result.
TEST(CommandImageName, LabelTakesTheSaveDialogsNameAndATakenNameTheNextFreeNumber)
{
    EXPECT_TRUE(HasLabelPlaceholder(L"D:\\{label}.iso"));
    EXPECT_FALSE(HasLabelPlaceholder(L"D:\\{Label}.iso"));
    const struct { const char* fault; std::wstring image, label, expanded; } labels[] = {
        {"the save dialog's rules not applied", L"D:\\i\\{label}.iso", L"A:B?",
         L"D:\\i\\" + ImageFileNameForLabel(L"A:B?")},
        {"a reserved name kept", L"{label}.iso", L"con", L"_con.iso"},
        {"no label leaves an empty name", L"D:\\{label}.iso", L"", L"D:\\disc.iso"},
        {"only the first placeholder expanded", L"D:\\{label}\\{label}-1.iso", L"X", L"D:\\X\\X-1.iso"},
        {"a label that reads {label} expanded forever", L"{label}.iso", L"{label}", L"{label}.iso"},
    };
    for (const auto& row : labels)
        EXPECT_EQ(ExpandLabel(row.image, row.label), row.expanded) << row.fault;

    const std::set<std::wstring> existing = {L"D:\\a.b\\X.iso", L"D:\\a.b\\X (2).iso", L"D:\\a.b\\X",
                                             L"D:\\a.b\\X (2)"};
    const auto taken = [&](const std::wstring& name) { return existing.count(name) != 0; };
    const struct { const char* fault; std::wstring image, free; } names[] = {
        {"a free name numbered all the same", L"D:\\a.b\\Y.iso", L"D:\\a.b\\Y.iso"},
        {"a taken number reused", L"D:\\a.b\\X.iso", L"D:\\a.b\\X (3).iso"},
        {"the number put into the folder's dot", L"D:\\a.b\\X", L"D:\\a.b\\X (3)"},
    };
    for (const auto& row : names)
        EXPECT_EQ(FreeImageName(row.image, taken), row.free) << row.fault;
    EXPECT_EQ(FreeImageName(L"X.iso", [](const std::wstring&) { return true; }), L"") << "endless search";
}
}
