#pragma once
#include <memory>
#include "MVMutex.h"

// Claims the single-instance mutex `name` in one step: creating it and learning whether it
// existed are the same system call, so of two instances started together exactly one gets it.
// Null when another instance holds the name. Throws MVException when it cannot be created.
std::unique_ptr<MVMutex> ClaimInstanceMutex(const wchar_t* name);
