#include "registry_store.h"

#include <algorithm>

#include "string_ring.h"

namespace {

// The result ring of readString, shared by every store of the process.
wchar_t resultRing[4][stringSlotLength];
int ringIndex = -1;

}  // namespace

RegistryStore::RegistryStore() = default;

RegistryStore::RegistryStore(const wchar_t* path, std::int32_t selector) {
    if (isAcceptedKeyPath(path)) lstrcpynW(keyPath, path, keyPathLength);
    useLocalMachine = selector;
}

int RegistryStore::setKey(const wchar_t* path, std::int32_t selector) {
    if (!isAcceptedKeyPath(path)) return 0;
    lstrcpynW(keyPath, path, keyPathLength);
    useLocalMachine = selector;
    return 1;
}

int RegistryStore::getKey(wchar_t* buffer, std::int32_t maximum, std::int32_t* selector) const {
    if (lstrlenW(keyPath) > maximum) return 0;
    lstrcpyW(buffer, keyPath);
    if (selector != nullptr) *selector = useLocalMachine;
    return 1;
}

HKEY RegistryStore::openKey(REGSAM access) const {
    const HKEY root = useLocalMachine == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                        &disposition) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

int RegistryStore::writeString(const wchar_t* name, const wchar_t* text) {
    if (name == nullptr || text == nullptr) return 0;
    const HKEY key = openKey(KEY_ALL_ACCESS);
    if (key == nullptr) return 0;
    const DWORD bytes = static_cast<DWORD>((lstrlenW(text) + 1) * sizeof(wchar_t));
    const LSTATUS status =
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 1 : 0;
}

int RegistryStore::writeInt(const wchar_t* name, std::int32_t value) {
    if (name == nullptr) return 0;
    const HKEY key = openKey(KEY_ALL_ACCESS);
    if (key == nullptr) return 0;
    const LSTATUS status = RegSetValueExW(key, name, 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 1 : 0;
}

std::int32_t RegistryStore::readInt(const wchar_t* name, std::int32_t fallback) {
    if (name == nullptr) return fallback;
    const HKEY key = openKey(KEY_READ);
    if (key == nullptr) return fallback;
    std::int32_t value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    const LSTATUS status =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD ? value : fallback;
}

const wchar_t* RegistryStore::readString(const wchar_t* name, const wchar_t* fallback, DWORD size) {
    ringIndex = nextRingSlot(ringIndex);
    wchar_t* slot = resultRing[ringIndex];
    if (name == nullptr) return nullptr;
    LSTATUS status = ERROR_INVALID_HANDLE;
    DWORD type = REG_NONE;
    DWORD bytes = std::min<DWORD>(size, sizeof resultRing[0]);
    if (const HKEY key = openKey(KEY_READ)) {
        status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(slot), &bytes);
        RegCloseKey(key);
    }
    // A value of another type reads as absent, as readInt does with a value that is no DWORD:
    // a number stored under a text's name must not come back as a one-character text.
    if (status == ERROR_SUCCESS && type == REG_SZ) {
        terminateSlot(slot, stringSlotLength, bytes);
    } else {
        lstrcpynW(slot, fallback ? fallback : L"", stringSlotLength - 1);
    }
    return slot;
}
