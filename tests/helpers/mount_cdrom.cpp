// Defines or removes a virtual CD-ROM drive of the Wine prefix while programs run. Changing
// the prefix's dosdevices links alone is not noticed by the volume query until the wineserver
// restarts; telling Wine's mount manager is what winecfg does.
//
//   mount_cdrom insert LETTER UNIX_MOUNT_POINT UNIX_DEVICE
//       the drive holds the disc image UNIX_DEVICE; an empty folder as UNIX_DEVICE and a
//       missing UNIX_MOUNT_POINT make it a drive without a disc
//   mount_cdrom remove LETTER
//       the drive letter goes away (the caller deletes the x:: link, or the letter answers
//       again with another volume's data)
//
// Exit code 0 on success; 1 when the mount manager refused; 2 on a usage error.
#include <windows.h>
#include <winioctl.h>

#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

namespace {

// Wine's private request that defines (or, with DRIVE_NO_ROOT_DIR, deletes) a drive letter.
// MinGW's ddk/mountmgr.h carries an older, shorter layout, so the record is declared here.
const DWORD kDefineUnixDrive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
const ULONG kFsTypeIso9660 = 3;

struct UnixDrive
{
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDev;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};
static_assert(sizeof(UnixDrive) == 32, "the mount manager expects a 32-byte header");

class Handle
{
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

std::string ToUtf8(const wchar_t* text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 1, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
    return out; // keeps its terminating NUL: the mount manager reads C strings
}

// The header followed by the NUL-terminated Unix paths it points at.
std::vector<char> BuildRequest(wchar_t letter, ULONG type, const wchar_t* mountPoint, const wchar_t* device)
{
    UnixDrive header{};
    header.type = type;
    header.fsType = type == DRIVE_CDROM ? kFsTypeIso9660 : 0;
    header.letter = static_cast<WCHAR>(std::towlower(letter));
    std::vector<char> request(sizeof header);
    if (mountPoint) {
        header.mountPointOffset = static_cast<USHORT>(request.size());
        std::string path = ToUtf8(mountPoint);
        request.insert(request.end(), path.begin(), path.end());
    }
    if (device) {
        header.deviceOffset = static_cast<USHORT>(request.size());
        std::string path = ToUtf8(device);
        request.insert(request.end(), path.begin(), path.end());
    }
    header.size = static_cast<ULONG>(request.size());
    memcpy(request.data(), &header, sizeof header);
    return request;
}

int Send(const std::vector<char>& request)
{
    Handle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager.valid()) {
        std::printf("cannot open the mount manager (error %lu)\n", GetLastError());
        return 1;
    }
    DWORD returned = 0;
    std::vector<char> input(request);
    if (!DeviceIoControl(manager.get(), kDefineUnixDrive, input.data(), static_cast<DWORD>(input.size()),
                         nullptr, 0, &returned, nullptr)) {
        std::printf("the mount manager refused the drive (error %lu)\n", GetLastError());
        return 1;
    }
    return 0;
}

bool IsLetter(const wchar_t* arg)
{
    return arg[0] && !arg[1] && std::iswalpha(arg[0]);
}

int Usage()
{
    std::printf("usage: mount_cdrom insert LETTER UNIX_MOUNT_POINT UNIX_DEVICE\n"
                "       mount_cdrom remove LETTER\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 5 && wcscmp(argv[1], L"insert") == 0 && IsLetter(argv[2])) {
        int rc = Send(BuildRequest(argv[2][0], DRIVE_CDROM, argv[3], argv[4]));
        if (rc == 0)
            std::printf("inserted %lc:\n", argv[2][0]);
        return rc;
    }
    if (argc == 3 && wcscmp(argv[1], L"remove") == 0 && IsLetter(argv[2])) {
        int rc = Send(BuildRequest(argv[2][0], DRIVE_NO_ROOT_DIR, nullptr, nullptr));
        if (rc == 0)
            std::printf("removed %lc:\n", argv[2][0]);
        return rc;
    }
    return Usage();
}
