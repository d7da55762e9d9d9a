#pragma once
#include <string>
#include <windows.h>

// The one place that turns the exception being handled into text. Call these only inside a
// catch block.

// An MVException's message ("Exception" when it has none), a std::exception's what() widened
// from the ANSI code page, or otherText for anything else and for an empty what(). May throw
// std::bad_alloc.
std::wstring CurrentExceptionText(const wchar_t* otherText);

// Shows the exception being handled: MVException through its own Show, anything else in a
// message box captioned with the application's name. It never throws, so it is safe at a
// window procedure's, dialog procedure's or thread's edge.
void ShowCurrentException(HWND owner) noexcept;
