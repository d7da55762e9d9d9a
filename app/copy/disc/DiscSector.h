#pragma once
#include <windows.h>

// The sector of a data CD, DVD or BD, the one unit the copy counts in: reads from the disc, the
// image's length, the map's areas and the progress shown.
const DWORD kSectorBytes = 2048;

// Sectors 0 to 16: the system area and, last, the primary volume descriptor, which gives the
// volume's size. They are read one at a time before that size is known, and always kept, even
// when the volume claims fewer.
const DWORD kHeaderSectors = 17;
const DWORD kDescriptorSector = kHeaderSectors - 1;
