// Normalises fuzzed file names, as a command line or a dialog hands them over, and takes their
// captions. Checks the result against a plain reading of the rule (blanks and quotes stripped at
// both ends; at most 260 characters before the trailing ones go), that nothing is read past the
// name's terminator or written past the 261 characters of room, and that the caption is the
// part after the last backslash; and that the temporary file of a save stays in the same folder
// and within the length limit.
#include "view/file_name.h"
#include "view/replacement_name.h"

#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_input.h"

namespace {

bool isSpaceOrQuote(wchar_t c) { return c == L' ' || c == L'"'; }

// A copy on the heap holding exactly the text and its terminator, so that AddressSanitizer sees
// a read past the terminator.
// Names are built from pieces so that the 260-character boundary is reached often: some blanks
// and quotes, a stretch of text repeated, and more blanks and quotes; or the raw input.
std::wstring fuzzedName(FuzzInput& input) {
    if (input.flag()) return input.restAsText();
    const auto padding = [&input] {
        std::wstring pad;
        const std::uint8_t bits = input.byte();
        for (int i = 0; i < (bits & 7); ++i) pad.push_back((bits >> (3 + i % 5)) & 1 ? L'"' : L' ');
        return pad;
    };
    std::wstring name = padding();
    const std::wstring piece = input.text(24);
    const std::size_t copies = input.inRange(0, 300);
    for (std::size_t i = 0; i < copies && !piece.empty() && name.size() < 700; ++i) name += piece;
    name += input.restAsText();
    name += padding();
    return name;
}

void checkCaption(const std::wstring& name) {
    const auto copy = exactCopy(name);
    const wchar_t* caption = captionOfFileName(copy.get());
    FUZZ_CHECK(caption >= copy.get() && caption <= copy.get() + name.size());
    const std::size_t offset = static_cast<std::size_t>(caption - copy.get());
    const std::size_t slash = name.rfind(L'\\');
    FUZZ_CHECK(offset == (slash == std::wstring::npos ? 0 : slash + 1));
}

// "~lorvane-", eight hexadecimal digits and ".tmp".
constexpr std::size_t temporaryPartLength = 21;

void checkTemporaryName(const std::wstring& name, std::uint32_t number) {
    const std::wstring temporary = temporaryNameBeside(name, number);
    const std::size_t separator = name.find_last_of(L"\\/:");
    const std::size_t folderLength = separator == std::wstring::npos ? 0 : separator + 1;
    if (temporary.empty()) {
        FUZZ_CHECK(folderLength + temporaryPartLength > maxFileNameCharacters);
        return;
    }
    FUZZ_CHECK(temporary.size() == folderLength + temporaryPartLength && temporary.size() <= maxFileNameCharacters);
    FUZZ_CHECK(temporary.compare(0, folderLength, name, 0, folderLength) == 0);
    FUZZ_CHECK(temporary.find_first_of(L"\\/:", folderLength) == std::wstring::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::wstring name = fuzzedName(input);

    std::size_t first = 0;
    while (first < name.size() && isSpaceOrQuote(name[first])) ++first;
    std::size_t last = name.size();
    while (last > first && isSpaceOrQuote(name[last - 1])) --last;
    const bool tooLong = name.size() - first > maxFileNameCharacters;

    const auto copy = exactCopy(name);
    // Exactly the room the callers give, on the heap so that a write past it is caught.
    std::unique_ptr<wchar_t[]> room(new wchar_t[fileNameRoom]);
    for (std::size_t i = 0; i < fileNameRoom; ++i) room[i] = L'#';
    auto& normalised = *reinterpret_cast<wchar_t(*)[fileNameRoom]>(room.get());
    const NameCheck check = normaliseFileName(copy.get(), normalised);

    if (tooLong) {
        FUZZ_CHECK(check == NameCheck::tooLong);
        FUZZ_CHECK(normalised[0] == L'\0');
    } else if (first == last) {
        FUZZ_CHECK(check == NameCheck::missing);
        FUZZ_CHECK(normalised[0] == L'\0');
    } else {
        FUZZ_CHECK(check == NameCheck::usable);
        FUZZ_CHECK(std::wstring(normalised) == name.substr(first, last - first));
        checkCaption(normalised);
        checkTemporaryName(normalised, static_cast<std::uint32_t>(name.size() * 2654435761u));
    }
    checkCaption(name);
    return 0;
}
