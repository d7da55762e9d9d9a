#include "CImageApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    CImageApp app;
    return app.Run(instance);
}
