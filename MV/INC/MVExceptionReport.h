#pragma once
#include <windows.h>

// Shows the exception being handled: MVException through its own Show, anything else in a
// message box captioned with the application's name. Call it only inside a catch block. It
// never throws, so it is safe at a window procedure's, dialog procedure's or thread's edge.
void ShowCurrentException(HWND owner) noexcept;
