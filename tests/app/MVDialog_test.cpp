#include <gtest/gtest.h>
#include <stdexcept>
#include "DialogTestKit.h"
#include "MVDialog.h"
#include "MVException.h"
#include "resource.h"

namespace
{
// The About template stands in for any dialog of the program.
class ProbeDialog : public MVDialog
{
public:
    ProbeDialog() : MVDialog(IDD_ABOUT, nullptr) {}

    bool failInit = false;
    int commands = 0;

protected:
    BOOL OnInitDialog() override
    {
        if (failInit)
            throw std::runtime_error("no set-up");
        return MVDialog::OnInitDialog();
    }
    BOOL OnCommand(int id, int) override
    {
        if (id == 42)
        {
            ++commands;
            throw MVException(L"handler failed", L"MV\\INC\\MVWnd", 523, 0);
        }
        return FALSE;
    }
};

TEST(MVDialog, IsADialogManagerDialogFromItsTemplate)
{
    ProbeDialog dialog;
    const INT_PTR result = dialogtest::RunModal(dialog, [&](HWND window) {
        EXPECT_EQ(dialogtest::ClassOf(window), L"#32770");
        EXPECT_EQ(dialogtest::TextOf(window), L"About Pelmora");
        EXPECT_EQ(dialogtest::TextOf(GetDlgItem(window, IDOK)), L"OK");
        EXPECT_TRUE(dialog.Item(IDOK));
    });
    // The close box ends a plain dialog as Escape does.
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.GetHwnd(), nullptr);
}

TEST(MVDialog, OkEndsAPlainDialog)
{
    ProbeDialog dialog;
    EXPECT_EQ(dialogtest::RunModal(dialog, [](HWND window) { SendMessageW(window, WM_COMMAND, IDOK, 0); }), IDOK);
}

TEST(MVDialog, AHandlersExceptionIsShownAndTheDialogGoesOn)
{
    dialogtest::BoxWatcher watcher;
    ProbeDialog dialog;
    dialogtest::RunModal(dialog, [&](HWND window) {
        SendMessageW(window, WM_COMMAND, 42, 0);
        EXPECT_TRUE(IsWindow(window));
        SendMessageW(window, WM_COMMAND, 42, 0);
        EXPECT_TRUE(IsWindow(window));
    });
    EXPECT_EQ(dialog.commands, 2);
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[0].caption, L"Exception");
    EXPECT_EQ(watcher.boxes[0].text, L"handler failed");
}

TEST(MVDialog, ADialogThatCannotSetItselfUpEndsWithMinusOne)
{
    dialogtest::BoxWatcher watcher;
    ProbeDialog dialog;
    dialog.failInit = true;
    EXPECT_EQ(dialog.DoModal(), -1);
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].caption, L"app_tests");
    EXPECT_EQ(watcher.boxes[0].text, L"no set-up");
}
}
