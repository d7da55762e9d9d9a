#include "ImagePathPrompt.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "DialogTestKit.h"
#include "UniqueName.h"

namespace
{
// Folders a/b below a new temporary folder, made in the "\\?\" form, the only one that takes
// paths beyond MAX_PATH; removed again at the end.
struct DeepFolder
{
    std::vector<std::wstring> made;
    DeepFolder()
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        for (const std::wstring& below : {UniqueName(L"folder"), std::wstring(100, L'a'), std::wstring(100, L'b')})
        {
            made.push_back((made.empty() ? L"\\\\?\\" + std::wstring(temp) : made.back() + L"\\") + below);
            CreateDirectoryW(made.back().c_str(), nullptr);
        }
    }
    ~DeepFolder()
    {
        for (auto folder = made.rbegin(); folder != made.rend(); ++folder)
            RemoveDirectoryW(folder->c_str());
    }
};

std::wstring CurrentDirectory()
{
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    return current;
}

// The folder the save dialog shows (CDM_GETFOLDERPATH, which commdlg.h holds).
std::wstring ShownFolder(HWND save)
{
    wchar_t folder[1024] = {};
    SendMessageW(save, WM_USER + 102, ARRAYSIZE(folder), reinterpret_cast<LPARAM>(folder));
    return folder;
}

TEST(ImagePathPrompt, GivesALongIsoPathInAUsableFormAndKeepsTheCurrentDirectory)
{
    const DeepFolder folder;
    const std::wstring typedFolder = folder.made.back().substr(4);
    const std::wstring before = CurrentDirectory();
    // Typing the folder first makes the dialog browse into it, then the image is named.
    bool folderTyped = false;
    dialogtest::Poll::Until(
        [&] {
            HWND save = dialogtest::FindThreadDialog(nullptr);
            HWND name = save ? dialogtest::FindDescendant(save, 1148, L"Edit") : nullptr;
            if (!name || (folderTyped && ShownFolder(save) != typedFolder))
                return false;
            SetWindowTextW(name, folderTyped ? L"backup" : typedFolder.c_str());
            PostMessageW(save, WM_COMMAND, IDOK, 0);
            const bool named = folderTyped;
            folderTyped = true;
            return named;
        },
        [&] {
            HWND save = dialogtest::FindThreadDialog(nullptr);
            ADD_FAILURE() << "the save dialog did not come up, or did not browse into the folder typed: it shows ["
                          << (save ? ShownFolder(save) : L"no dialog") << "]";
            if (save)
                PostMessageW(save, WM_COMMAND, IDCANCEL, 0);
        });
    std::wstring path;
    EXPECT_TRUE(ImagePathPrompt(nullptr).Ask(L"E:\\", path));
    EXPECT_EQ(path, folder.made.back() + L"\\backup.iso");
    EXPECT_EQ(CurrentDirectory(), before);
}
}
