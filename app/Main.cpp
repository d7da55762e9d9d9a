#include "CImageApp.h"
#include "MVExceptionReport.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
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
