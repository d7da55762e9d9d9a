#pragma once
#include "CopyQuestions.h"

// What a copy needs of whoever started it through a CopyRunner: answers to its questions and
// an ear for how it ended. The main window answers with message boxes; a front end without a
// window answers by rules of its own. Every operation is called on the copy's worker thread.
class CopyFrontEnd : public CopyQuestions
{
public:
    // The copy's last call into its front end, once any box about its failure has been
    // dismissed. It must not wait for another thread: hand the outcome over (a window posts
    // itself a message) and return. It does not throw.
    virtual void CopyEnded(CopyOutcome outcome) = 0;
};
