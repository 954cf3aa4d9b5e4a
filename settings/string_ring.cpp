#include "string_ring.h"

bool isAcceptedKeyPath(const wchar_t* path) {
    if (path == nullptr) return false;
    std::size_t length = 0;
    while (path[length] != L'\0') {
        if (++length >= 256) return false;
    }
    return true;
}

void terminateSlot(wchar_t* slot, std::size_t length, std::size_t byteCount) {
    const std::size_t characters = (byteCount + sizeof(wchar_t) - 1) / sizeof(wchar_t);
    slot[characters < length ? characters : length - 1] = L'\0';
}
