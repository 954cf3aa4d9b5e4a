// The menu rules with fuzzed presses, screens, states and format values. Checks that the
// context menu turns to the left exactly for a press right of the screen's middle and upwards
// exactly for one below it, moving one pixel only then; that the Wrap item and Paste follow
// their states; and that every stream format value and every Save-dialog type lands on one of
// the four format items, the Save types in the order of the menu.
#include "app/menu_rules.h"
#include "res/resource_ids.h"
#include "view/stream_format.h"

#include <cstdint>
#include <string>

#include "fuzz_input.h"

namespace {

// A press point: a 16-bit client coordinate moved by where the window is on the desktop.
constexpr std::int64_t farthest = 1 << 20;

void checkContextMenu(FuzzInput& input) {
    const int screenWidth = static_cast<int>(input.inRange(1, 1 << 16));
    const int screenHeight = static_cast<int>(input.inRange(1, 1 << 16));
    const int x = static_cast<int>(input.inRange(-farthest, farthest));
    const int y = static_cast<int>(input.inRange(-farthest, farthest));
    const PopupPlacement placement = contextMenuPlacement(x, y, screenWidth, screenHeight);
    FUZZ_CHECK((placement.flags & ~0x28u) == 0);
    const bool toTheLeft = 2 * static_cast<std::int64_t>(x) > screenWidth;
    const bool upwards = 2 * static_cast<std::int64_t>(y) > screenHeight;
    FUZZ_CHECK(((placement.flags & 0x08u) != 0) == toTheLeft);
    FUZZ_CHECK(((placement.flags & 0x20u) != 0) == upwards);
    FUZZ_CHECK(placement.x == x + (toTheLeft ? 1 : 0));
    FUZZ_CHECK(placement.y == y + (upwards ? 1 : 0));
}

void checkWrapAndPaste(FuzzInput& input) {
    const bool wrapLines = input.flag();
    const std::wstring item = wrapItemText(wrapLines);
    FUZZ_CHECK(item != wrapItemText(!wrapLines));
    const std::size_t mnemonic = item.find(L'&');
    FUZZ_CHECK(mnemonic != std::wstring::npos && mnemonic + 1 < item.size());
    FUZZ_CHECK(item.find(L'&', mnemonic + 1) == std::wstring::npos);
    FUZZ_CHECK((item.find(L"No ") == 0) == wrapLines);

    const bool readOnly = input.flag();
    const bool hasText = input.flag();
    int asked = 0;
    const bool grayed = pasteIsGrayed(readOnly, [&] {
        ++asked;
        return hasText;
    });
    FUZZ_CHECK(grayed == (readOnly || !hasText));
    FUZZ_CHECK(asked == (readOnly ? 0 : 1));
}

void checkFormats(FuzzInput& input) {
    // Values near the special ones as often as anything else.
    std::uint64_t value = input.quad();
    switch (input.byte() % 4) {
    case 0: value = static_cast<std::uint64_t>(StreamFormat::utf8Text) ^ (value & 0xFF); break;
    case 1: value &= 0x1F; break;
    case 2: value &= 0xFFFFFFFFu; break;
    default: break;
    }
    const int item = formatMenuItem(static_cast<StreamFormat>(value));
    int expected = IDM_FORMAT_PLAIN;
    if (value == 2) expected = IDM_FORMAT_RTF;
    if (value == 17) expected = IDM_FORMAT_UNICODE;
    if (value == 0xFFFFFFFFFDE90021u) expected = IDM_FORMAT_UTF8;
    FUZZ_CHECK(item == expected);

    const unsigned long filterIndex =
        input.flag() ? static_cast<unsigned long>(input.quad()) : static_cast<unsigned long>(input.byte() % 8);
    const StreamFormat chosen = formatForSaveType(filterIndex);
    FUZZ_CHECK(chosen != StreamFormat::current);
    const bool listed = filterIndex >= 1 && filterIndex <= 4;
    FUZZ_CHECK(formatMenuItem(chosen) == IDM_FORMAT_PLAIN + (listed ? static_cast<int>(filterIndex) - 1 : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    checkContextMenu(input);
    checkWrapAndPaste(input);
    checkFormats(input);
    return 0;
}
