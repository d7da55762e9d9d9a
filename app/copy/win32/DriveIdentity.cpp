#include "DriveIdentity.h"
#include <winioctl.h>
#include <ntddcdrm.h>
#include <ntddmmc.h>
#include <cstddef>
#include <cstring>

namespace {
// Room for the descriptor and its strings: a drive's answer is a few hundred bytes.
const DWORD kDescriptorRoom = 1024;

// The NUL-terminated ASCII text at `offset`, trimmed of the spaces that pad it (SCSI inquiry
// fields are space-padded); untouched when the text is absent or runs outside the answer.
void ReadText(const BYTE* answer, DWORD bytes, DWORD offset, std::wstring& text)
{
    if (offset == 0 || offset >= bytes)
        return;
    DWORD end = offset;
    while (end < bytes && answer[end] != 0)
        ++end;
    if (end == bytes)
        return;
    DWORD first = offset;
    while (first < end && answer[first] == ' ')
        ++first;
    while (end > first && answer[end - 1] == ' ')
        --end;
    if (end > first)
        text.assign(answer + first, answer + end);
}
}

void ReadDeviceDescriptor(const BYTE* answer, DWORD bytes, DriveIdentity& identity)
{
    if (bytes < sizeof(STORAGE_DEVICE_DESCRIPTOR))
        return;
    STORAGE_DEVICE_DESCRIPTOR descriptor;
    std::memcpy(&descriptor, answer, sizeof descriptor);
    // Only what the device filled in counts, whatever room was given.
    if (descriptor.Size < bytes)
        bytes = descriptor.Size;
    ReadText(answer, bytes, descriptor.VendorIdOffset, identity.vendor);
    ReadText(answer, bytes, descriptor.ProductIdOffset, identity.product);
    ReadText(answer, bytes, descriptor.ProductRevisionOffset, identity.revision);
}

unsigned ReadCurrentProfile(const BYTE* answer, DWORD bytes)
{
    if (bytes < offsetof(GET_CONFIGURATION_HEADER, CurrentProfile) + 2)
        return 0;
    const BYTE* profile = answer + offsetof(GET_CONFIGURATION_HEADER, CurrentProfile);
    return unsigned(profile[0]) << 8 | profile[1];  // big-endian, as the drive sends it
}

DriveIdentity QueryDriveIdentity(HANDLE device)
{
    DriveIdentity identity;
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    BYTE descriptor[kDescriptorRoom] = {};
    DWORD got = 0;
    if (DeviceIoControl(device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, descriptor, sizeof descriptor,
                        &got, nullptr))
        ReadDeviceDescriptor(descriptor, got, identity);

    GET_CONFIGURATION_IOCTL_INPUT request = {};
    request.Feature = FeatureProfileList;
    request.RequestType = SCSI_GET_CONFIGURATION_REQUEST_TYPE_CURRENT;
    BYTE configuration[sizeof(GET_CONFIGURATION_HEADER) + 64] = {};
    got = 0;
    if (DeviceIoControl(device, IOCTL_CDROM_GET_CONFIGURATION, &request, sizeof request, configuration,
                        sizeof configuration, &got, nullptr))
        identity.profile = ReadCurrentProfile(configuration, got);
    return identity;
}
