#include "font_rules.h"

#include <limits>

namespace {

int usableDpi(int dpi) { return dpi > 0 ? dpi : storedFontDpi; }

// value * numerator / denominator, rounded half away from zero, bounded to 32 bits.
std::int32_t scaled(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t product = value * numerator;
    const std::int64_t half = denominator / 2;
    const std::int64_t quotient =
        product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(quotient < lowest ? lowest : quotient > highest ? highest : quotient);
}

// The character height (negative, as the Font dialog gives it) of a size at a DPI.
std::int32_t heightOfPoints(int pointTenths, int dpi) { return -scaled(pointTenths, dpi, 720); }

}  // namespace

std::int32_t fontLengthAtDpi(std::int32_t storedLength, int dpi) {
    return scaled(storedLength, usableDpi(dpi), storedFontDpi);
}

std::int32_t storedFontLength(std::int32_t length, int dpi) {
    return scaled(length, storedFontDpi, usableDpi(dpi));
}

std::int32_t storedHeightOfChoice(std::int32_t height, int pointTenths, int dialogDpi) {
    if (pointTenths > 0 && height == heightOfPoints(pointTenths, usableDpi(dialogDpi))) {
        return heightOfPoints(pointTenths, storedFontDpi);
    }
    return storedFontLength(height, dialogDpi);
}

void copyFaceName(wchar_t (&face)[faceNameLength], const wchar_t* name) {
    std::size_t length = 0;
    for (; name != nullptr && name[length] != L'\0' && length < faceNameLength - 1; ++length) {
        face[length] = name[length];
    }
    face[length] = L'\0';
}
