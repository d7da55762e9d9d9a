#pragma once
#include "CopyQuestions.h"

// What runs a copy on its worker thread and hears how it ended: the main window, or a front
// end without one. The questions come from the job; CreateImage and CopyEnded from the thread.
class CopyFrontEnd : public CopyQuestions
{
public:
    // Runs the whole copy job for the drive whose list entry was chosen (it starts with the
    // drive letter and a colon, e.g. "E:\ - MYDISC") into the image file at imagePath.
    virtual void CreateImage(const wchar_t* driveEntry, const wchar_t* imagePath) = 0;

    // The very last step of a copy, after any error message has been dismissed: how it ended.
    // From then on no copy runs, and the front end may be torn down, so the worker must not
    // touch it again. It does not throw.
    virtual void CopyEnded(CopyOutcome outcome) = 0;
};
