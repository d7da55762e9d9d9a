#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "MVException.h"
#include "MVMutex.h"
#include "MVThread.h"
#include "ThrownAt.h"
#include "UniqueName.h"

namespace
{
// The helper program is built beside this test program.
std::wstring ProbePath()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.rfind(L'\\') + 1) + L"mutex_probe.exe";
}

// Starts the helper with the arguments; returns its process handle.
HANDLE StartProbe(const std::wstring& arguments)
{
    const std::wstring program = ProbePath();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD WaitForProcess(HANDLE process)
{
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 30000));
    DWORD code = 0xDEAD;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

// Seen here and from another process while the mutex lives, and not after.
TEST(MutexExists, FollowsTheMutexsLifetime)
{
    const std::wstring name = UniqueName(L"local");
    EXPECT_EQ(0, MutexExists(name.c_str()));
    HANDLE absent = StartProbe(L"probe " + name);
    ASSERT_NE(nullptr, absent) << "cannot start " << std::string(ProbePath().begin(), ProbePath().end());
    EXPECT_EQ(0u, WaitForProcess(absent));
    {
        const MVMutex mutex(name.c_str());
        EXPECT_NE(nullptr, mutex.GetHandle());
        EXPECT_EQ(1, MutexExists(name.c_str()));
        HANDLE present = StartProbe(L"probe " + name);
        ASSERT_NE(nullptr, present);
        EXPECT_EQ(1u, WaitForProcess(present));
    }
    EXPECT_EQ(0, MutexExists(name.c_str()));
}

TEST(MutexExists, SeesAMutexOfAnotherProcess)
{
    const std::wstring name = UniqueName(L"there");
    const std::wstring readyName = name + L"-ready";
    const std::wstring quitName = name + L"-quit";
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, quitName.c_str());

    HANDLE holder = StartProbe(L"hold " + name + L" " + readyName + L" " + quitName);
    ASSERT_NE(nullptr, holder);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 30000));
    EXPECT_EQ(1, MutexExists(name.c_str()));

    SetEvent(quit);
    EXPECT_EQ(0u, WaitForProcess(holder));
    EXPECT_EQ(0, MutexExists(name.c_str()));
    CloseHandle(ready);
    CloseHandle(quit);
}

TEST(MVMutex, ANameHeldByAnotherKindOfObjectThrows)
{
    const std::wstring name = UniqueName(L"event");
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_NE(nullptr, event);
    const auto e = ThrownAt(L"MVThread", 227, [&] { const MVMutex mutex(name.c_str()); });
    EXPECT_TRUE(e && !e->GetText() && e->GetValue() == 0);
    EXPECT_EQ(0, MutexExists(name.c_str()));
    CloseHandle(event);
}
}
