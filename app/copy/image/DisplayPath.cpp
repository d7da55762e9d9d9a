#include "DisplayPath.h"

std::wstring DisplayPath(const std::wstring& path)
{
    const std::wstring prefix = L"\\\\?\\", unc = L"\\\\?\\UNC\\";
    if (path.compare(0, unc.size(), unc) == 0)
        return L"\\\\" + path.substr(unc.size());
    // A volume GUID path ("\\?\Volume{...}\") has no other name; it keeps its prefix.
    if (path.compare(0, prefix.size(), prefix) == 0 && path.size() > prefix.size() + 1
        && path[prefix.size() + 1] == L':')
        return path.substr(prefix.size());
    return path;
}

std::wstring FileNameOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
