#pragma once
#include <windows.h>
#include "CopyProgress.h"

// How a copy ended: every byte copied, cut short by the user (the prefix is kept), or failed
// (a message was shown and no image is left). Incomplete: the copy went on past unreadable
// sectors and kept an image with holes, which it has told.
enum class CopyOutcome { Completed, Stopped, Failed, Incomplete };

// The user's way out of a sector that failed every attempt: stop and delete the image, read
// that sector again, or skip unreadable sectors from now on and save all the rest.
enum class ReadErrorChoice { Stop, TryAgain, SkipAndGoOn };

enum class QuestionAnswer { Yes, No, Cancel };

// What the image copy job and its worker thread need from the window that runs them.
// The main dialog implements it; tests implement it without any window, so the job
// never touches window code directly. Every operation is called on the worker thread.
class CopyJobOwner
{
public:
    virtual ~CopyJobOwner() = default;

    // Runs the whole copy job for the drive whose list entry was chosen (it starts with
    // the drive letter and a colon, e.g. "E:\ - MYDISC") into the image file at imagePath.
    virtual void CreateImage(const wchar_t* driveEntry, const wchar_t* imagePath) = 0;

    // After every chunk: where the copy stands. Only stored; the display follows on its own time.
    virtual void UpdateProgress(const CopyProgress& progress) = 0;

    // Shows the system's text for the calling thread's last error; returns when dismissed.
    virtual void ReportLastError() = 0;

    // Shows the system's text for the calling thread's last error, then `detail` (what the job
    // adds: which sector could not be read); returns when dismissed.
    virtual void ReportReadError(const wchar_t* detail) = 0;

    // The same box as ReportReadError, offering the three ways out of ReadErrorChoice; Stop is
    // the default and Escape.
    virtual ReadErrorChoice AskReadErrorChoice(const wchar_t* detail) = 0;

    // Shows a copy failure of the job's own (exclamation icon); returns when dismissed.
    virtual void ShowCopyError(const wchar_t* text) = 0;

    // Asks whether to go on with the copy (question icon, Yes and No); true for Yes.
    virtual bool AskToContinue(const wchar_t* question) = 0;

    // Asks a question whose careful answer is No (exclamation icon, Yes and No, No the default).
    virtual bool AskToReplace(const wchar_t* question) = 0;

    // Asks with Yes, No and Cancel (question icon, Yes the default).
    virtual QuestionAnswer AskYesNoCancel(const wchar_t* question) = 0;

    // Nonzero when the user asked the running copy to stop.
    virtual bool IsStopRequested() = 0;

    // The very last step of a job, after any error message has been dismissed: how it ended.
    // From then on no copy runs, and the owner may be torn down, so the job must not touch it
    // again. It does not throw.
    virtual void CopyEnded(CopyOutcome outcome) = 0;
};
