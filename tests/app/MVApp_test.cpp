#include <gtest/gtest.h>
#include "CImageApp.h"
#include "DialogTestKit.h"
#include "MVApp.h"
#include "MVException.h"
#include "resource.h"

namespace
{
TEST(MVApp, NameIsTheExecutablesFileNameWithoutExtension)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Program Files\\Pelmora\\Pelmora.exe", L"Pelmora"},
        {L"Pelmora.exe", L"Pelmora"},
        {L"D:\\tools\\Copy of Pelmora.EXE", L"Copy of Pelmora"},
        {L"C:\\x\\disc.imager.exe", L"disc.imager"},
        {L"C:\\dotted.dir\\Pelmora", L"Pelmora"},
        {L"Z:/unix/side/Pelmora.exe", L"Pelmora"},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MVApp::NameFromModulePath(c.first), c.second) << testing::PrintToString(std::wstring(c.first));
}

TEST(MVApp, WithoutAnApplicationObjectTheNameComesFromThisExecutable)
{
    ASSERT_EQ(MVApp::Current(), nullptr);
    EXPECT_EQ(MVApp::CurrentName(), L"app_tests");
}

TEST(MVApp, LoadsTheProgramsStrings)
{
    EXPECT_EQ(MVApp::LoadText(IDS_ABOUT), L"&About Pelmora...");
    EXPECT_EQ(MVApp::LoadText(999), L"");
}

class ThrowingApp : public MVApp
{
protected:
    BOOL InitInstance() override
    {
        ShowMessage(L"before", MB_OK);
        throw MVException(L"start-up failed", L"MV\\INC\\MVThread", 227, 0);
    }
};

TEST(MVApp, AnExceptionFromStartUpIsShownAndEndsTheRunDeliberately)
{
    dialogtest::BoxWatcher watcher;
    int result = 0;
    {
        ThrowingApp app;
        EXPECT_EQ(MVApp::Current(), &app);
        result = app.Run(nullptr);
    }
    EXPECT_EQ(MVApp::Current(), nullptr);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(watcher.boxes.size(), 2u);
    EXPECT_EQ(watcher.boxes[0].caption, L"app_tests");
    EXPECT_EQ(watcher.boxes[0].text, L"before");
    EXPECT_EQ(watcher.boxes[1].caption, L"Exception");
    EXPECT_EQ(watcher.boxes[1].text, L"start-up failed");
}

TEST(CImageApp, RefusalOnAnotherSystemStartsWithTheName)
{
    EXPECT_EQ(CImageApp::WrongSystemText(L"Pelmora"), L"Pelmora needs Windows NT/2000/XP.");
}
}
