#include "file_follow.h"

namespace {

std::uint64_t joined(DWORD high, DWORD low) { return static_cast<std::uint64_t>(high) << 32 | low; }

}  // namespace

void FileFollow::start(HWND window) {
    timerWindow = window;
    lost = false;
    SetTimer(timerWindow, timerId, lookIntervalMs, nullptr);
}

void FileFollow::stop() {
    if (timerWindow != nullptr) KillTimer(timerWindow, timerId);
    timerWindow = nullptr;
}

bool FileFollow::onTimer(FileLoad& load, bool mayAppend) {
    const ShownFile* shown = load.shownFile();
    if (lost || shown == nullptr || !mayAppend) return false;
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!GetFileAttributesExW(load.fileName(), GetFileExInfoStandard, &attributes)) {
        return loseTrackIfGone(GetLastError());
    }
    const std::uint64_t lastWrite = joined(attributes.ftLastWriteTime.dwHighDateTime, attributes.ftLastWriteTime.dwLowDateTime);
    if (joined(attributes.nFileSizeHigh, attributes.nFileSizeLow) == shown->stamp.size &&
        lastWrite == shown->stamp.lastWrite) {
        return false;
    }
    const HANDLE file = openShared(load.fileName());
    // A writer that shares no reading keeps it closed for a moment: the next look tries again.
    if (file == INVALID_HANDLE_VALUE) return loseTrackIfGone(GetLastError());
    FileStamp now;
    switch (changeOf(*shown, file, now)) {
    case FileChange::grown: load.appendGrowth(file, now); return false;
    case FileChange::unchanged: load.keepStamp(now); break;
    case FileChange::changed: lost = true; break;
    }
    CloseHandle(file);
    return lost;
}

bool FileFollow::loseTrackIfGone(DWORD error) {
    lost = isGone(error);
    return lost;
}
