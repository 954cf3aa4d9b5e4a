// The settings rules with fuzzed registry data. Checks that a slot filled with raw bytes of any
// count gets exactly one terminator, after the data or on its last character, and nothing
// written outside it; that a key path is taken exactly when it has at most 255 characters and is
// read no further than its terminator; and that a face name is copied whole up to 31 characters,
// cut there when longer, always terminated within its 32; and that a font length taken to a
// display and back comes back unchanged from 96 DPI up, and settles after one trip below.
#include "settings/font_rules.h"
#include "settings/string_ring.h"

#include <climits>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_input.h"

namespace {

void checkSlot(FuzzInput& input) {
    const std::size_t length = static_cast<std::size_t>(input.inRange(1, 600));
    // What the query hands back is at most the slot's bytes; larger counts are checked too.
    const std::size_t slotBytes = length * sizeof(wchar_t);
    const std::size_t byteCount = input.flag() ? static_cast<std::size_t>(input.inRange(0, slotBytes))
                                               : static_cast<std::size_t>(input.inRange(0, 1 << 24));
    std::unique_ptr<wchar_t[]> slot(new wchar_t[length]);
    for (std::size_t i = 0; i < length; ++i) slot[i] = static_cast<wchar_t>(input.unit() | 1);
    const std::wstring before(slot.get(), length);
    terminateSlot(slot.get(), length, byteCount);
    const std::size_t characters = (byteCount + sizeof(wchar_t) - 1) / sizeof(wchar_t);
    const std::size_t terminator = characters < length ? characters : length - 1;
    for (std::size_t i = 0; i < length; ++i) {
        FUZZ_CHECK(slot[i] == (i == terminator ? L'\0' : before[i]));
    }
}

void checkKeyPath(const std::wstring& path) {
    const auto copy = exactCopy(path);
    FUZZ_CHECK(isAcceptedKeyPath(copy.get()) == (path.size() <= 255));
}

void checkFaceName(const std::wstring& name) {
    std::unique_ptr<wchar_t[]> room(new wchar_t[faceNameLength]);
    for (std::size_t i = 0; i < faceNameLength; ++i) room[i] = L'#';
    auto& face = *reinterpret_cast<wchar_t(*)[faceNameLength]>(room.get());
    const auto copy = exactCopy(name);
    copyFaceName(face, copy.get());
    FUZZ_CHECK(std::wstring(face) == name.substr(0, faceNameLength - 1));
}

void checkFontLength(std::int32_t stored, int dpi) {
    const std::int32_t shown = fontLengthAtDpi(stored, dpi);
    const std::int64_t exact = static_cast<std::int64_t>(stored) * dpi / 96;
    if (exact <= INT32_MIN + 1 || exact >= INT32_MAX - 1) return;  // bounded, not a size
    if (dpi >= 96) FUZZ_CHECK(storedFontLength(shown, dpi) == stored);
    FUZZ_CHECK(fontLengthAtDpi(storedFontLength(shown, dpi), dpi) == shown);
    FUZZ_CHECK(storedHeightOfChoice(shown, 0, dpi) == storedFontLength(shown, dpi));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    checkSlot(input);
    checkFontLength(static_cast<std::int32_t>(input.word()), static_cast<int>(input.inRange(1, 65535)));
    // Paths around the 255-character bound, built from a piece repeated.
    const std::wstring piece = input.text(16);
    std::wstring path;
    const std::size_t copies = static_cast<std::size_t>(input.inRange(0, 40));
    for (std::size_t i = 0; i < copies && !piece.empty(); ++i) path += piece;
    const std::wstring rest = input.restAsText();
    checkKeyPath(path + rest);
    checkKeyPath(rest);
    checkFaceName(rest);
    checkFaceName(piece + rest);

    std::unique_ptr<wchar_t[]> room(new wchar_t[faceNameLength]);
    auto& face = *reinterpret_cast<wchar_t(*)[faceNameLength]>(room.get());
    copyFaceName(face, nullptr);
    FUZZ_CHECK(face[0] == L'\0');
    FUZZ_CHECK(!isAcceptedKeyPath(nullptr));
    return 0;
}
