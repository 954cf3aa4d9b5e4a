#include "file_replacement.h"

#include "replacement_name.h"

namespace {

constexpr int namesToTry = 16;

// Failures of the temporary file after which the target may still be written in place: the
// folder refuses new files, or its name leaves no room for the temporary one.
bool folderRefusesNewFiles(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_FILENAME_EXCED_RANGE;
}

}  // namespace

FileReplacement::FileReplacement(const wchar_t* target) : target(target) {}

FileReplacement::~FileReplacement() { discard(); }

void FileReplacement::discard() {
    closeFile();
    if (!temporary.empty()) DeleteFileW(temporary.c_str());
    temporary.clear();
}

bool FileReplacement::open() {
    if (!probeTarget()) return false;
    if (!targetIsDiskFile) return openInPlace();
    if (createTemporary()) return true;
    if (!folderRefusesNewFiles(GetLastError())) return false;
    return openInPlace();
}

bool FileReplacement::commit() {
    if (temporary.empty()) {
        closeFile();
        return true;
    }
    if (!FlushFileBuffers(file)) {
        const DWORD error = GetLastError();
        closeFile();
        SetLastError(error);
        return false;
    }
    closeFile();
    if (!replaceTarget()) return false;
    temporary.clear();
    return true;
}

// Finds out, without changing it, whether the target may be written, and what kind of file it
// is. A missing target is fine: it is created.
bool FileReplacement::probeTarget() {
    const HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    targetIsDiskFile = GetFileType(probe) == FILE_TYPE_DISK;
    CloseHandle(probe);
    if (targetIsDiskFile) targetAttributes = GetFileAttributesW(target.c_str());
    return true;
}

bool FileReplacement::createTemporary() {
    const DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (DWORD attempt = 0; attempt < namesToTry; ++attempt) {
        const std::wstring name = temporaryNameBeside(target, seed + attempt);
        if (name.empty()) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
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
    file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    return file != INVALID_HANDLE_VALUE;
}

bool FileReplacement::replaceTarget() {
    BOOL replaced;
    if (targetAttributes == INVALID_FILE_ATTRIBUTES) {
        replaced = MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    } else {
        // ReplaceFileW keeps the target's attributes on Windows but not under Wine: the new file
        // takes them before it takes the target's place.
        SetFileAttributesW(temporary.c_str(), targetAttributes);
        replaced = ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                nullptr, nullptr);
    }
    if (replaced) return true;
    const DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    temporary.clear();
    SetLastError(error != 0 ? error : ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return false;
}

void FileReplacement::closeFile() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
}
