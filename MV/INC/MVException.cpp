#include "MVException.h"

#include "MVStringfunc.h"

namespace
{
const wchar_t DefaultText[] = L"Exception";
}

// Not inlined, so that the return address is the throwing function's.
__attribute__((noinline))
MVException::MVException(const wchar_t* messageText, const wchar_t* sourcePath, int sourceLine, DWORD thrownValue)
    : line(sourceLine), value(thrownValue)
{
    message = DuplicateText(messageText);
    address = __builtin_return_address(0);
    if (sourcePath)
        file = DuplicateText(FileNamePart(sourcePath));
}

MVException::MVException(const MVException& other)
{
    message = DuplicateText(other.message);
    address = other.address;
    fourthText = DuplicateText(other.fourthText);
    line = other.line;
    secondText = DuplicateText(other.secondText);
    file = DuplicateText(other.file);
    thirdText = DuplicateText(other.thirdText);
    value = other.value;
}

MVException::~MVException()
{
    FreeText(&message);
    FreeText(&fourthText);
    FreeText(&file);
    FreeText(&thirdText);
    FreeText(&secondText);
}

int MVException::Show(HWND owner, UINT style)
{
    if (!message)
        message = DuplicateText(DefaultText);
    return MessageBoxW(owner, message, DefaultText, style);
}

const wchar_t* MVException::GetText() const
{
    return message;
}
