#pragma once
#include <cstdarg>
#include <windows.h>
#include "MVString.h"

// printf-style output into an MVString, with the conversions of the platform runtime's wide
// printf: %s and %c take wide text and characters, %S and %C narrow ones, h forces narrow,
// l forces wide, I64 marks a 64-bit integer.
//
// The target first grows to FormatLength's estimate. The output is then measured by the runtime
// (_vscwprintf); where the estimate under-counts it (a wide %f, huge doubles, a negative width
// from '*', %I32d ...) the target grows to the measured length. The formatting call itself is
// bounded by the target's capacity, so the output never passes the end of the buffer, whatever
// the format and arguments; a format the runtime rejects leaves what fitted. An estimate or an
// output longer than MaxTextUnits (MVStringfunc.h) throws std::bad_alloc before the target is
// written.

// Replaces the target's contents with the formatted text.
void Format(MVString& target, const wchar_t* format, ...);
void FormatV(MVString& target, const wchar_t* format, va_list args);

// The estimate of the output's length in units, without the NUL. Walks its own copy of args.
// Never negative; a longer estimate stops at INT_MAX instead of wrapping.
int FormatLength(const wchar_t* format, va_list args);

// Formats into out, writing at most `capacity` units, NUL included. Returns the number of units
// written before the NUL, or -1 when the output did not fit (out then holds what fitted,
// NUL-terminated, when capacity > 0) or the runtime reports a formatting error.
int FormatBounded(wchar_t* out, UINT capacity, const wchar_t* format, va_list args);
