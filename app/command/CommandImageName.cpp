#include "CommandImageName.h"
#include "ImageFileName.h"

namespace {
const wchar_t kPlaceholder[] = L"{label}";
const std::size_t kPlaceholderLength = sizeof kPlaceholder / sizeof kPlaceholder[0] - 1;
const wchar_t kExtension[] = L".iso";
const wchar_t kNoLabel[] = L"disc";
const unsigned kLastNumber = 9999;
}

bool HasLabelPlaceholder(const std::wstring& image)
{
    return image.find(kPlaceholder) != std::wstring::npos;
}

std::wstring ExpandLabel(const std::wstring& image, const std::wstring& label)
{
    std::wstring name = ImageFileNameForLabel(label);
    // The proposal always ends in ".iso"; IMAGE says itself where the extension goes.
    name = name.empty() ? kNoLabel : name.substr(0, name.size() - (sizeof kExtension / sizeof kExtension[0] - 1));
    std::wstring expanded = image;
    for (std::size_t at = expanded.find(kPlaceholder); at != std::wstring::npos;
         at = expanded.find(kPlaceholder, at + name.size()))
        expanded.replace(at, kPlaceholderLength, name);
    return expanded;
}

std::wstring FreeImageName(const std::wstring& image, const std::function<bool(const std::wstring&)>& taken)
{
    if (!taken(image))
        return image;
    const std::size_t nameStart = image.find_last_of(L"\\/") == std::wstring::npos ? 0 : image.find_last_of(L"\\/") + 1;
    std::size_t dot = image.rfind(L'.');
    if (dot == std::wstring::npos || dot < nameStart)
        dot = image.size();
    for (unsigned number = 2; number <= kLastNumber; ++number) {
        const std::wstring candidate =
            image.substr(0, dot) + L" (" + std::to_wstring(number) + L")" + image.substr(dot);
        if (!taken(candidate))
            return candidate;
    }
    return std::wstring();
}
