#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <memory>
#include "CImageApp.h"
#include "CommandRun.h"
#include "CopyRunner.h"
#include "MVExceptionReport.h"

namespace {
// The arguments after the program's name; none when the system cannot split the command line.
std::vector<std::wstring> Arguments()
{
    int count = 0;
    std::unique_ptr<LPWSTR, decltype(&LocalFree)> words(CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    std::vector<std::wstring> arguments;
    for (int i = 1; words && i < count; ++i)
        arguments.push_back(words.get()[i]);
    return arguments;
}
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    const std::vector<std::wstring> arguments = Arguments();
    // With arguments, an unattended run that nobody answers; without, the window it always was.
    if (!arguments.empty())
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        const int code = CommandRun(arguments, GetCommandLineW()).Run();
        CopyRunner::WaitForAllToEnd(5000);
        return code;
    }
    // Run catches what start-up throws; this catches what making the application object does.
    try
    {
        CImageApp app;
        return app.Run(instance);
    }
    catch (...)
    {
        ShowCurrentException(nullptr);
        return 1;
    }
}
