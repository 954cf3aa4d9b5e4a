#include "font_rules.h"

void copyFaceName(wchar_t (&face)[faceNameLength], const wchar_t* name) {
    std::size_t length = 0;
    for (; name != nullptr && name[length] != L'\0' && length < faceNameLength - 1; ++length) {
        face[length] = name[length];
    }
    face[length] = L'\0';
}
