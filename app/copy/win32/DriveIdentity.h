#pragma once
#include <windows.h>
#include <string>

// Who made the drive and what disc it holds, as the system tells it, for the copy's report.
// Each text is "unknown" and the profile 0 where the system cannot tell: some drivers answer
// neither query, and Wine answers none of them.
struct DriveIdentity
{
    std::wstring vendor = L"unknown";
    std::wstring product = L"unknown";
    std::wstring revision = L"unknown";   // the drive's firmware
    unsigned profile = 0;                 // the disc's current profile (see DiscProfileName)
};

// Asks the open device (a \\.\E: handle opened for reading, which the configuration query
// needs) both questions: IOCTL_STORAGE_QUERY_PROPERTY for StorageDeviceProperty, and
// IOCTL_CDROM_GET_CONFIGURATION for the current profile. Never fails: what is not answered
// stays unknown.
DriveIdentity QueryDriveIdentity(HANDLE device);

// The two answers as they come back, read as untrusted bytes: a STORAGE_DEVICE_DESCRIPTOR of
// `bytes` bytes (a string offset of 0, or one outside the answer, leaves that text unknown),
// and a GET_CONFIGURATION_HEADER (its current profile, or 0 when the answer is too short).
void ReadDeviceDescriptor(const BYTE* answer, DWORD bytes, DriveIdentity& identity);
unsigned ReadCurrentProfile(const BYTE* answer, DWORD bytes);
