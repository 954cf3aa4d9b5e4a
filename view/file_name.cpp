#include "file_name.h"

namespace {

bool isSpaceOrQuote(wchar_t c) { return c == L' ' || c == L'"'; }

}  // namespace

NameCheck normaliseFileName(const wchar_t* name, wchar_t (&normalised)[fileNameRoom]) {
    normalised[0] = L'\0';
    if (name == nullptr) return NameCheck::missing;
    while (isSpaceOrQuote(*name)) ++name;
    std::size_t length = 0;
    for (; name[length] != L'\0'; ++length) {
        if (length == maxFileNameCharacters) {
            normalised[0] = L'\0';
            return NameCheck::tooLong;
        }
        normalised[length] = name[length];
    }
    while (length > 0 && isSpaceOrQuote(normalised[length - 1])) --length;
    normalised[length] = L'\0';
    return length == 0 ? NameCheck::missing : NameCheck::usable;
}

const wchar_t* captionOfFileName(const wchar_t* fileName) {
    const wchar_t* caption = fileName;
    for (const wchar_t* p = fileName; *p != L'\0'; ++p) {
        if (*p == L'\\') caption = p + 1;
    }
    return caption;
}

std::wstring loadingCaption(const wchar_t* caption, std::uint64_t loaded, std::uint64_t total) {
    std::uint64_t percent = 99;
    if (loaded < total) percent = total > UINT64_MAX / 100 ? loaded / (total / 100) : loaded * 100 / total;
    return std::wstring(caption) + L" (" + std::to_wstring(percent < 99 ? percent : 99) + L"% loaded)";
}
