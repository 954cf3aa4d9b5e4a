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
