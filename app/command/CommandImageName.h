#pragma once
#include <functional>
#include <string>

// The image's name in an unattended run, from the IMAGE of its command line.

// Whether IMAGE holds "{label}": only then is a taken name replaced by a free one; a name given
// in full is the user's own choice, which /replace governs.
bool HasLabelPlaceholder(const std::wstring& image);

// IMAGE with every "{label}" replaced by the name the save dialog proposes for the disc's
// `label` (ImageFileNameForLabel, without its ".iso"), or by "disc" where it proposes none.
std::wstring ExpandLabel(const std::wstring& image, const std::wstring& label);

// `image` when `taken` says it is free; otherwise the first free one of "NAME (2).iso",
// "NAME (3).iso", ..., as Explorer names copies (the number goes before the last extension of
// the file name). `taken` is true for a name held by anything but this disc's own unfinished
// work, which the caller recognises by its map and the disc (ResumeCheck::OfThisDisc). Empty when even "NAME (9999)" is taken.
std::wstring FreeImageName(const std::wstring& image, const std::function<bool(const std::wstring&)>& taken);
