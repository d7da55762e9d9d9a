#pragma once
#include <string>

// Text as the copy's report and manifest write it.

// UTF-8 of `text`; a lone surrogate becomes U+FFFD.
std::string Utf8(const std::wstring& text);

// `text` with every character that could break a line or hide in it written out as an escape:
// the C0 controls (tab, line feed, carriage return, ...), DEL and the C1 controls as "\xHH",
// and the line and paragraph separators U+2028 and U+2029 as "\uHHHH". A label is text anyone
// can burn onto a disc; escaped, no value can start a line of its own in the report or a row
// of its own in the manifest. Backslashes stay as they are, so paths read as paths.
std::wstring EscapeControls(const std::wstring& text);
