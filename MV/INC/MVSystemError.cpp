#include "MVSystemError.h"

#include <cwchar>

namespace
{
const UINT MessageUnits = 260;
// The system's message table, with its regular line breaks left out and none added. Inserts
// such as "%1" stay as they are: there are no arguments for them, and without the flag a
// message that has them fails, or reads arguments that do not exist.
const DWORD MessageFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK | FORMAT_MESSAGE_IGNORE_INSERTS;

// A message longer than the buffer makes the bounded call fail; take it whole and cut it.
void CopyLongMessage(DWORD code, wchar_t* out, UINT units)
{
    wchar_t* whole = nullptr;
    if (FormatMessageW(MessageFlags | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, 0,
                       reinterpret_cast<wchar_t*>(&whole), 0, nullptr) && whole) {
        std::wcsncpy(out, whole, units - 1);
        out[units - 1] = L'\0';
    }
    LocalFree(whole);
}
}

MVString SystemErrorText()
{
    const DWORD code = GetLastError();
    MVString text;
    text.Reserve(MessageUnits);
    wchar_t* buffer = text.GetBuffer();
    if (FormatMessageW(MessageFlags, nullptr, code, 0, buffer, MessageUnits, nullptr) == 0) {
        buffer[0] = L'\0';
        if (GetLastError() == ERROR_INSUFFICIENT_BUFFER)
            CopyLongMessage(code, buffer, MessageUnits);
    }
    text.SyncLength();
    SetLastError(code);
    // The caller gets a copy sized by the copy rule, not the 320-unit work buffer.
    return MVString(text);
}
