#include "shown_file.h"

#include <algorithm>

namespace {

std::uint64_t joined(DWORD high, DWORD low) { return static_cast<std::uint64_t>(high) << 32 | low; }

}  // namespace

HANDLE openShared(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool stampOf(HANDLE file, FileStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(file, &information)) return false;
    stamp.volume = information.dwVolumeSerialNumber;
    stamp.index = joined(information.nFileIndexHigh, information.nFileIndexLow);
    stamp.size = joined(information.nFileSizeHigh, information.nFileSizeLow);
    stamp.lastWrite = joined(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime);
    return true;
}

std::vector<unsigned char> bytesAt(HANDLE file, std::uint64_t offset, std::uint64_t length) {
    LARGE_INTEGER zero = {}, was = {}, at = {};
    SetFilePointerEx(file, zero, &was, FILE_CURRENT);
    at.QuadPart = static_cast<LONGLONG>(offset);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(length));
    DWORD read = 0;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
        !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        read = 0;
    }
    bytes.resize(read);
    SetFilePointerEx(file, was, nullptr, FILE_BEGIN);
    return bytes;
}

FileChange changeOf(const ShownFile& shown, HANDLE file, FileStamp& now) {
    if (!stampOf(file, now)) return FileChange::changed;
    if (now.size < shown.end) return FileChange::changed;
    const bool same = bytesAt(file, 0, shown.start.size()) == shown.start &&
                      bytesAt(file, shown.end - shown.last.size(), shown.last.size()) == shown.last;
    return fileChange(shown.stamp, now, same);
}

bool isGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }
