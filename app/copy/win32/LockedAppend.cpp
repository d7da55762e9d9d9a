#include "LockedAppend.h"
#include "ExtendedLengthPath.h"
#include "FileHandle.h"

namespace {
// Unlocks the whole file at the end of the scope, keeping the thread's last error.
class WholeFileLock
{
public:
    explicit WholeFileLock(HANDLE file) : file(file)
    {
        locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) != FALSE;
    }
    ~WholeFileLock()
    {
        if (locked) {
            const DWORD error = GetLastError();
            UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
            SetLastError(error);
        }
    }
    WholeFileLock(const WholeFileLock&) = delete;
    WholeFileLock& operator=(const WholeFileLock&) = delete;

    bool Locked() const { return locked; }

private:
    HANDLE file;
    OVERLAPPED whole = {};
    bool locked = false;
};
}

bool AppendLocked(const std::wstring& path, const std::string& header, const std::string& text)
{
    const std::wstring usable = ExtendedLengthPath(path);
    if (usable.empty()) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    // Append-only access (no FILE_WRITE_DATA) writes at the end of the file, wherever another
    // writer left it; the lock needs read or write data access besides.
    const DWORD access = FILE_READ_DATA | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    FileHandle file(CreateFileW(usable.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    WholeFileLock lock(file.Get());
    LARGE_INTEGER size = {};
    if (!lock.Locked() || !GetFileSizeEx(file.Get(), &size))
        return false;
    const std::string bytes = size.QuadPart == 0 ? header + text : text;
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr))
        return false;
    if (written != bytes.size()) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return FlushFileBuffers(file.Get()) != FALSE;
}
