// Stands in for the user's web browser in the tests. Registered as the handler of web
// addresses, it appends the command line it was started with, less its own name, to the file
// "url_recorder.exe.record" beside itself, and ends. Each record is UTF-16 text followed by a
// null character, written in one piece.
#include <windows.h>

namespace {

// The command line after the program's name and the blanks that follow it.
const wchar_t* tailOf(const wchar_t* line) {
    if (*line == L'"') {
        ++line;
        while (*line != L'\0' && *line != L'"') ++line;
        if (*line == L'"') ++line;
    } else {
        while (*line != L'\0' && *line != L' ' && *line != L'\t') ++line;
    }
    while (*line == L' ' || *line == L'\t') ++line;
    return line;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t record[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(nullptr, record, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    lstrcatW(record, L".record");

    const HANDLE file = CreateFileW(record, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const wchar_t* tail = tailOf(GetCommandLineW());
    const DWORD bytes = static_cast<DWORD>(lstrlenW(tail) + 1) * sizeof(wchar_t);
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, tail, bytes, &written, nullptr);
    CloseHandle(file);
    return wrote && written == bytes ? 0 : 1;
}
