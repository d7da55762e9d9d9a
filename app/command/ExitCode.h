#pragma once

// What an unattended run tells the script that started it, as its process exit code.
enum class ExitCode : int
{
    Complete = 0,            // the image is complete, with its checksum
    KeptWithUnreadable = 1,  // the image is kept with unreadable sectors, its map beside it
    Stopped = 2,             // Stop, or the window closed: the prefix and its map are kept
    Failed = 3,              // no disc, the drive went away, an unreadable sector without /rescue, ...
    BadCommandLine = 4,      // a bad command line, or an image that may not be replaced
    DriveBusy = 5,           // that drive is being copied by another run
};
