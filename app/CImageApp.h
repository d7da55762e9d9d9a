#pragma once
#include <memory>
#include "MVApp.h"
#include "MVMutex.h"

// Start-up: one instance at a time, only on the NT family of Windows, and the main dialog
// run modally for the whole life of the program.
class CImageApp : public MVApp
{
public:
    CImageApp();
    ~CImageApp() override;

    // The refusal shown on a system outside the NT family.
    static std::wstring WrongSystemText(const std::wstring& appName);

protected:
    // Always FALSE: the program ends when the main dialog does.
    BOOL InitInstance() override;

private:
    // Marks the running instance until the application object is destroyed.
    std::unique_ptr<MVMutex> m_pInstanceMutex;
};
