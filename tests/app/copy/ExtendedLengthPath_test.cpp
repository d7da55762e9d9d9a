#include <gtest/gtest.h>
#include "ExtendedLengthPath.h"

namespace
{
// A path of `length` characters under `head`, folders of 50 characters each.
std::wstring PathOfLength(const std::wstring& head, size_t length)
{
    std::wstring path = head;
    while (path.size() + 51 < length)
        path += std::wstring(50, L'd') + L"\\";
    path += std::wstring(length - path.size(), L'f');
    return path;
}

TEST(ExtendedLengthPath, OnlyPathsTooLongForThePlainFormGetThePrefix)
{
    const std::wstring at259 = PathOfLength(L"C:\\", 259), at260 = PathOfLength(L"C:\\", 260);
    const std::wstring unc = PathOfLength(L"\\\\server\\share\\", 300);
    const std::pair<std::wstring, std::wstring> cases[] = {
        {at259, at259},
        {at260, L"\\\\?\\" + at260},
        {L"\\\\?\\" + at260, L"\\\\?\\" + at260},
        {unc, L"\\\\?\\UNC\\" + unc.substr(2)},
        // The prefixed form is taken literally, so it must not hold "." or ".." or "/".
        {L"C:/x/../" + at260.substr(3), L"\\\\?\\" + at260},
        {PathOfLength(L"\\\\.\\", 300), L""},
        {PathOfLength(L"C:\\", kLongestPath), L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtendedLengthPath(c.first), c.second) << c.first.size() << " " << c.first.substr(0, 20).c_str();
}
}
