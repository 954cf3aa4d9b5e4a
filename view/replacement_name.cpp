#include "replacement_name.h"

#include "file_name.h"

std::wstring temporaryNameBeside(const std::wstring& target, std::uint32_t number) {
    const std::size_t separator = target.find_last_of(L"\\/:");
    std::wstring name = separator == std::wstring::npos ? L"" : target.substr(0, separator + 1);
    name += L"~lorvane-";
    for (int shift = 28; shift >= 0; shift -= 4) name.push_back(L"0123456789abcdef"[(number >> shift) & 0xF]);
    name += L".tmp";
    return name.size() <= maxFileNameCharacters ? name : std::wstring();
}

std::wstring plainPathOf(const std::wstring& path) {
    const std::wstring prefix = L"\\\\?\\";
    if (path.rfind(prefix, 0) != 0) return path;
    const std::wstring rest = path.substr(prefix.size());
    if (rest.rfind(L"UNC\\", 0) == 0) return L"\\\\" + rest.substr(4);
    const bool drivePath = rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\';
    return drivePath ? rest : path;
}
