#pragma once
#include "CopyIO.h"
#include "TransferAlignment.h"
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

// The disc half of the copy's I/O as the engine's tests fake it (FakeCopyIO adds the files): a
// disc in memory in a drive, read as Wine reads one. What matters to the order of a copy's steps
// goes to `log`, shared with the test's owner, and every transfer to `transfers`: "R17+500"
// reads 500 sectors from sector 17, "S5" seeks to sector 5, "W4096" writes 4096 bytes to the
// image, so that a test sees which reads overlap which writes.
//
// One fault language for every pass over the disc: `script` maps a sector to what each read
// reaching it does, in turn: 'F' fails the read (with ERROR_CRC, as a scratch does), 'S' cuts it
// short just before the sector (nothing, when it starts there), '.' reads it. The last letter
// holds for every later read: "F" never reads, "FF." reads at the third attempt, "S." comes back
// short once. `drive` says the same of the drive, read after read: 'G' the disc is gone (the read
// fails, with ERROR_NOT_READY as every failure under Wine), 'X' another disc is in (every byte
// differs); "..G" is gone from the third read, ".GX" swapped at the second.
class FakeDisc : public CopyIO
{
public:
    explicit FakeDisc(std::vector<std::string>& log) : log(log) {}

    std::vector<BYTE> disc;
    std::map<ULONGLONG, std::string> script;
    std::string drive;
    DWORD openError = 0;            // nonzero: OpenDevice fails with it
    DWORD sessions = 0;             // 0: the drive cannot tell
    DWORD firstSessionSectors = 0;  // 0: the drive cannot tell
    bool sizeKnown = true;
    DWORD clock = 5000, msPerRead = 7;  // the clock runs only while the disc is read

    std::vector<std::string>& log;
    std::vector<std::string> transfers;
    std::vector<DWORD> reads;                     // the bytes of each read
    std::map<int, std::function<void()>> atRead;  // run during the n-th read (1-based)
    std::wstring openedDevice;
    // Calls Windows would refuse: a transfer off the sector grid, a write started while another
    // is in flight, an open file renamed.
    int violations = 0;

    bool OpenDevice(const wchar_t* devicePath) override
    {
        log.push_back("OpenDevice");
        openedDevice = devicePath;
        offset = 0;
        open = openError == 0;
        return open || Refuse(openError);
    }

    bool ReadDevice(void* buffer, DWORD bytes, DWORD& bytesRead) override
    {
        bytesRead = 0;
        reads.push_back(bytes);
        transfers.push_back("R" + std::to_string(offset / 2048) + "+" + std::to_string(bytes / 2048));
        if (atRead.count(int(reads.size())))
            atRead[int(reads.size())]();
        clock += msPerRead;
        if (!open || !IsAlignedTransfer(buffer, bytes, offset, 2048))
            return ++violations, Refuse(ERROR_INVALID_PARAMETER);
        const char holds = drive.empty() ? '.' : drive[std::min(reads.size(), drive.size()) - 1];
        if (holds == 'G')
            return Refuse(ERROR_NOT_READY);
        // Sectors are reached in order: one the read stops before is not reached.
        for (auto& entry : script) {
            if (holds == 'X')
                break;
            if (entry.first < offset / 2048 || entry.first >= (offset + bytes) / 2048)
                continue;
            const char outcome = entry.second[0];
            if (entry.second.size() > 1)
                entry.second.erase(0, 1);
            if (outcome == 'F')
                return Refuse(ERROR_CRC);
            if (outcome == 'S') {
                bytes = DWORD(entry.first * 2048 - offset);
                break;
            }
        }
        // As Wine does: at the end of the medium a read succeeds short, or with nothing.
        bytesRead = DWORD(std::min<ULONGLONG>(bytes, offset < disc.size() ? disc.size() - offset : 0));
        std::transform(disc.begin() + offset, disc.begin() + offset + bytesRead, static_cast<BYTE*>(buffer),
                       [holds](BYTE b) { return BYTE(holds == 'X' ? ~b : b); });
        offset += bytesRead;
        return true;
    }

    bool SeekDevice(ULONGLONG to) override
    {
        transfers.push_back("S" + std::to_string(to / 2048));
        if (!open || to % 2048 != 0)
            return ++violations, Refuse(ERROR_INVALID_PARAMETER);
        offset = to;
        return true;
    }

    bool SessionCount(DWORD& count) override { return (count = sessions) != 0 || Refuse(ERROR_INVALID_FUNCTION); }
    bool FirstSessionSectors(DWORD& sectors) override
    {
        return (sectors = firstSessionSectors) != 0 || Refuse(ERROR_INVALID_FUNCTION);
    }
    bool DeviceSize(ULONGLONG& bytes) override
    {
        return (bytes = disc.size(), sizeKnown) || Refuse(ERROR_INVALID_FUNCTION);
    }

    void CloseDevice() override
    {
        log.push_back("CloseDevice");
        open = false;
    }

    DWORD Milliseconds() override { return clock; }

protected:
    static bool Refuse(DWORD error)
    {
        SetLastError(error);
        return false;
    }

private:
    bool open = false;
    ULONGLONG offset = 0;
};
