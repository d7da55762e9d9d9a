#include <gtest/gtest.h>
#include "ImageFileName.h"

namespace
{
// The name proposed for a drive list entry: the label after " - ", made into a file name.
TEST(ImageFileName, ProposesTheLabelAsAFileNameWindowsAccepts)
{
    const struct
    {
        const wchar_t* entry;
        const wchar_t* proposed;
    } cases[] = {
        {L"E:\\ - MYDISC", L"MYDISC.iso"},
        // No readable volume, an empty label, or nothing left after the rules: no proposal.
        {L"E:\\", L""},
        {L"E:\\ - ", L""},
        {L"E:\\ - . .", L""},
        // Characters that file names cannot hold.
        {L"E:\\ - A\\B/C:D*E?F\"G<H>I|J", L"A_B_C_D_E_F_G_H_I_J.iso"},
        {L"E:\\ - TAB\tBELL\aDEL\x7F", L"TAB_BELL_DEL_.iso"},
        // Only the first " - " separates root and label.
        {L"E:\\ - BEFORE - AFTER", L"BEFORE - AFTER.iso"},
        // Trailing dots and spaces are dropped; leading and inner ones stay.
        {L"E:\\ - DISC. .", L"DISC.iso"},
        {L"E:\\ -  V1.0 ", L" V1.0.iso"},
        // Reserved device names, in any case and also before a dot or trailing spaces.
        {L"E:\\ - CON", L"_CON.iso"},
        {L"E:\\ - nul", L"_nul.iso"},
        {L"E:\\ - Com1", L"_Com1.iso"},
        {L"E:\\ - LPT9", L"_LPT9.iso"},
        {L"E:\\ - AUX.OLD", L"_AUX.OLD.iso"},
        {L"E:\\ - PRN  ", L"_PRN.iso"},
        {L"E:\\ - CON .OLD", L"_CON .OLD.iso"},
        // Superscript one to three are reserved like the digits.
        {L"E:\\ - COM\u00B2", L"_COM\u00B2.iso"},
        {L"E:\\ - lpt\u00B9", L"_lpt\u00B9.iso"},
        {L"E:\\ - LPT\u00B3.OLD", L"_LPT\u00B3.OLD.iso"},
        // Near misses are ordinary names.
        {L"E:\\ - COM0", L"COM0.iso"},
        {L"E:\\ - COM\u2074", L"COM\u2074.iso"},
        {L"E:\\ - CONSOLE", L"CONSOLE.iso"},
        // The longest label a disc carries (UDF: 32 characters) is kept whole.
        {L"E:\\ - ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", L"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345.iso"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageFileNameForEntry(c.entry), c.proposed) << "entry: " << testing::PrintToString(std::wstring(c.entry));
}
}
