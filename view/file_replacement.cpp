#include "file_replacement.h"

#include <vector>

#include "replacement_name.h"

namespace {

// Enough that a folder with a few dozen stale temporary files still takes a new one.
constexpr int namesToTry = 64;
constexpr DWORD copyPieceBytes = 64 * 1024;

// Failures of the temporary file after which the target may still be written in place: the
// folder refuses new files, or its name leaves no room for the temporary one.
bool folderRefusesNewFiles(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_FILENAME_EXCED_RANGE;
}

// The full name of the file that `opened` is, links resolved; empty when the system cannot say.
std::wstring finalPathOf(HANDLE opened) {
    const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    const DWORD room = GetFinalPathNameByHandleW(opened, nullptr, 0, flags);
    if (room == 0) return {};
    std::wstring path(room, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(opened, path.data(), room, flags);
    if (length == 0 || length >= room) return {};
    path.resize(length);
    return path;
}

}  // namespace

FileReplacement::FileReplacement(const wchar_t* target) : target(target), destination(target) {}

FileReplacement::~FileReplacement() { discard(); }

void FileReplacement::discard() {
    closeFile();
    removeTemporary();
}

bool FileReplacement::open() {
    if (!probeTarget()) return false;
    if (!targetIsDiskFile) return openInPlace();
    if (createTemporary()) return true;
    if (!folderRefusesNewFiles(GetLastError())) return false;
    return openInPlace();
}

bool FileReplacement::commit() {
    if (way == Way::inPlace) {
        closeFile();
        return true;
    }
    if (!FlushFileBuffers(file)) {
        const DWORD error = GetLastError();
        closeFile();
        SetLastError(error);
        return false;
    }
    if (way == Way::copyInto) return copyIntoDestination();
    closeFile();
    return replaceDestination();
}

// Finds out, without changing it, whether the target may be written, what kind of file it is
// and which file is finally written. A missing target is fine: it is created.
bool FileReplacement::probeTarget() {
    const HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        targetRefused = GetLastError() != ERROR_FILE_NOT_FOUND;
        return !targetRefused;
    }
    targetIsDiskFile = GetFileType(probe) == FILE_TYPE_DISK;
    if (targetIsDiskFile) findDestination(probe);
    CloseHandle(probe);
    if (!targetIsDiskFile) return true;
    destinationAttributes = GetFileAttributesW(destination.c_str());
    // A read-only file is refused as Windows refuses it, also where this process could still open
    // it (an administrator under Wine).
    if (destinationAttributes != INVALID_FILE_ATTRIBUTES && (destinationAttributes & FILE_ATTRIBUTE_READONLY)) {
        targetRefused = true;
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

void FileReplacement::findDestination(HANDLE opened) {
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileInformationByHandle(opened, &information) && information.nNumberOfLinks > 1) way = Way::copyInto;
    const std::wstring finalPath = finalPathOf(opened);
    if (!finalPath.empty()) {
        destination = plainPathOf(finalPath);
        return;
    }
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) way = Way::copyInto;
}

bool FileReplacement::createTemporary() {
    const DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (DWORD attempt = 0; attempt < namesToTry; ++attempt) {
        const std::wstring name = temporaryNameBeside(destination, seed + attempt);
        if (name.empty()) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        // Read as well: a copy into the target reads the content back.
        file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            temporary = name;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool FileReplacement::openInPlace() {
    way = Way::inPlace;
    file = CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    targetRefused = file == INVALID_HANDLE_VALUE;
    return !targetRefused;
}

bool FileReplacement::replaceDestination() {
    BOOL replaced;
    if (destinationAttributes == INVALID_FILE_ATTRIBUTES) {
        replaced = MoveFileExW(temporary.c_str(), destination.c_str(), MOVEFILE_WRITE_THROUGH);
    } else {
        replaced = ReplaceFileW(destination.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                nullptr, nullptr);
        // ReplaceFileW keeps the attributes on Windows but not under Wine. They are given only to
        // the file in place: a temporary file given them could not always be removed after a failure.
        if (replaced) SetFileAttributesW(destination.c_str(), destinationAttributes);
    }
    if (replaced) {
        temporary.clear();
        return true;
    }
    const DWORD error = GetLastError();
    removeTemporary();
    SetLastError(error != 0 ? error : ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return false;
}

// The content is whole in the temporary file; now it goes into the target itself, so that the
// target stays the same file under all its names. A failed copy keeps the temporary file.
bool FileReplacement::copyIntoDestination() {
    const HANDLE into = CreateFileW(destination.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool copied = into != INVALID_HANDLE_VALUE && copyTemporaryTo(into);
    const DWORD error = GetLastError();
    if (into != INVALID_HANDLE_VALUE) CloseHandle(into);
    closeFile();
    if (copied) {
        removeTemporary();
        return true;
    }
    kept = temporary;
    temporary.clear();
    SetLastError(error != 0 ? error : ERROR_WRITE_FAULT);
    return false;
}

bool FileReplacement::copyTemporaryTo(HANDLE destinationFile) {
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    std::vector<char> piece(copyPieceBytes);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, piece.data(), copyPieceBytes, &read, nullptr)) return false;
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(destinationFile, piece.data(), read, &written, nullptr)) return false;
        if (written != read) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
    }
    return SetEndOfFile(destinationFile) && FlushFileBuffers(destinationFile);
}

void FileReplacement::removeTemporary() {
    if (!temporary.empty()) DeleteFileW(temporary.c_str());
    temporary.clear();
}

void FileReplacement::closeFile() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
}
