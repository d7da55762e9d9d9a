#pragma once
#include <windows.h>
#include "DiscSector.h"

// Where a running copy stands, as its job reports it after every chunk. A plain value: the
// owner only stores it, and the window shows the latest one on its own timer.
struct CopyProgress
{
    // The scale of sectorsDone while the header is read and the volume's size is not known yet:
    // so large that the header hardly shows on a bar.
    static const DWORD kHeaderProgressRange = 1000000;

    // Starting: nothing reported yet (the drive is being opened, a question may be up).
    // Copying: sectors are being read, the first pass over the disc.
    // Trimming, Scraping, Retrying: the return passes over the sectors the first pass skipped;
    // sectorsDone then counts the sectors this pass has dealt with, of totalSectors.
    enum class Phase { Starting, Copying, Trimming, Scraping, Retrying };

    Phase phase = Phase::Starting;
    DWORD sectorsDone = 0;
    // The full scale of sectorsDone: the volume's sectors, or kHeaderProgressRange while the
    // header is read and the size is not known yet.
    DWORD totalSectors = 0;
    // Milliseconds since the copy began, taken when sectorsDone was reached.
    DWORD elapsedMs = 0;
    // During the return passes: the pass within its phase (1-based), and the sectors of the
    // disc that are not in the image yet.
    unsigned pass = 0;
    DWORD sectorsLeft = 0;

    // The header has been read, so sectorsDone counts on the volume's own scale: from here on
    // a speed and a time left mean something.
    bool VolumeKnown() const { return sectorsDone >= kHeaderSectors; }
};
