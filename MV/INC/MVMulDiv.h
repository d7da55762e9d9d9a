#pragma once

// a * b / c with a 64-bit intermediate, rounded to nearest with halves away from zero;
// -1 when c is 0 or the quotient does not fit in 32 bits. Same results as the Win32 MulDiv,
// but computed here so that the layout and the gradient colours do not depend on the platform.
int MVMulDiv(int a, int b, int c);
