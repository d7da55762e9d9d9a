#pragma once
#include <windows.h>

// Text and number helpers shared by the library's classes. All texts are NUL-terminated.

// Writes value as text into out, at most `size` units with the NUL; size - 2 significant digits
// are asked for and at most 17 carry the value's own digits. Fixed notation without trailing
// zeros or a trailing point ("0.5", "100", "-2.5") for values from 1e-4 up to below
// 10^(size - 2), as long as the text fits; exponential notation otherwise, with a signed
// exponent of at least three digits ("1.5e+300", "1e-005"), the exponent never shortened.
// A 17th significant digit 1 is dropped as conversion noise (1.1 reads as 1.1, not
// 1.1000000000000001). When even one digit does not fit, the text is empty; infinities and
// NaNs read as "inf", "-inf" and "nan". Throws MVException (MV\INC\MVStringfunc, line 81,
// no message) when size is below 3.
void DoubleToText(wchar_t* out, int size, double value);

// The float as the shortest decimal it scales to a whole number at, in at most nine steps of
// x 10: 0.1f gives 1 / 10, the double nearest 0.1. A float that needs more steps gives the
// double nearest to its shortest round-trip decimal (1e-10f gives 1e-10). Whole floats,
// infinities and NaNs come back unchanged.
double FloatToDecimal(float value);

// Widens narrow text in the ANSI code page into out, which must hold strlen(narrow) + 1 units.
// Returns the units written, NUL included, or 0 on failure (a text too long for the system's
// int count fails too).
int AnsiToWide(const char* narrow, wchar_t* out);

// The most UTF-16 units one text block may hold. Its bytes then fit the signed 32-bit counts of
// the runtime's and the system's text calls, on 32- and 64-bit builds alike, and no size
// computed from it wraps.
const UINT MaxTextUnits = 0x3FFFFFFF;

// a + b units; throws std::bad_alloc when the sum passes MaxTextUnits, before any size wraps.
UINT TextUnitsSum(size_t a, size_t b);
// A heap block of `units` UTF-16 units, freed with std::free; throws std::bad_alloc when units
// passes MaxTextUnits or the heap has no room.
wchar_t* AllocateTextUnits(size_t units);

// The capacity a text block grows to when it must hold n units: the smallest multiple of
// granule strictly above n (a granule of 0 counts as 1). Throws std::bad_alloc when that passes
// MaxTextUnits.
UINT GrownCapacity(UINT n, UINT granule);

// A heap copy of text (null for null) that the caller frees with FreeText.
wchar_t* DuplicateText(const wchar_t* text);
// Frees *text (when non-null) and sets it to null.
void FreeText(wchar_t** text);
// *text then holds a copy of source; an old block at least as long is reused. Null frees.
void AssignText(wchar_t** text, const wchar_t* source);
// The part of path after its last backslash, or the whole path; null for null.
const wchar_t* FileNamePart(const wchar_t* path);
