#pragma once
#include "MVString.h"

// The system's one-line description of the calling thread's last error code (at most 259
// units, inserts such as "%1" left as they are), or an empty text when the system has none. Call it before anything else can change
// the last error code; the code is left as it was.
MVString SystemErrorText();
