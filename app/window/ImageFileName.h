#pragma once
#include <string>

// The name the save dialog proposes for a disc's image: "LABEL.iso". A volume label may hold
// characters that a file name cannot, so the label is made into a name Windows accepts:
// - \ / : * ? " < > | and control characters become '_';
// - trailing dots and spaces are dropped (Windows would drop them silently, or refuse them);
// - a device name that Windows reserves (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9 and COM or LPT
//   with a superscript 1, 2 or 3, in any case, also before spaces and a dot) gets a '_' in
//   front, since "NUL.iso" would name the device, not a file.
// An empty label, or one left empty by these rules, proposes nothing: "".
std::wstring ImageFileNameForLabel(const std::wstring& label);

// The proposal for a drive list entry "E:\ - LABEL": the label is the text after " - ".
// An entry without a readable volume ("E:\") or with an empty label ("E:\ - ") proposes "".
std::wstring ImageFileNameForEntry(const std::wstring& driveEntry);
