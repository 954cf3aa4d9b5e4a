// run.sh's screenshot helper. Starts a program, waits until it shows what it was started for,
// prints where that is on the screen, and ends the program once the picture is taken.
//
//   shown_window.exe [--timeout SECONDS] NEEDLE STOPFILE -- COMMAND LINE
//
// Shown means: a visible top-level window of the process has a caption holding NEEDLE (the
// file's name) and answers a WM_NULL round trip; or the process shows a dialog (a message box
// saying why the file is not shown), and then the dialog is part of the picture.
// Prints one line "LEFT TOP WIDTH HEIGHT SHOWN" of the window, frame included (with the dialog, of
// both together), SHOWN being 1 when the caption holds NEEDLE and 0 when it does not; with a dialog,
// a second line with the dialog's text (UTF-8, its line breaks as blanks). Then it waits until the file STOPFILE exists and ends the program without letting it
// store anything: a picture leaves the settings as they were.
// Exit status 0, or 1 with a line on the error stream when the program did not show in time.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD processId;
    const wchar_t* needle;
    HWND captioned;  // the window whose caption holds the needle
    HWND dialog;     // a dialog the process shows, if any
};

BOOL CALLBACK matchWindow(HWND window, LPARAM cookie) {
    auto* search = reinterpret_cast<Search*>(cookie);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (lstrcmpW(className, L"#32770") == 0) {
        search->dialog = window;
        return TRUE;
    }
    wchar_t caption[512] = {};
    // The caption the system keeps, read without a message to the (possibly busy) program.
    InternalGetWindowText(window, caption, 512);
    if (std::wcsstr(caption, search->needle) != nullptr) search->captioned = window;
    return TRUE;
}

bool answers(HWND window, UINT timeoutMs) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer) != 0;
}

// Paints what is still waiting to be painted, then lets the desktop put it on the screen.
void settle(HWND window, UINT timeoutMs) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    answers(window, timeoutMs);
    Sleep(300);
}

RECT screenRectOf(HWND window, HWND dialog) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    if (dialog != nullptr) {
        RECT dialogRect = {};
        GetWindowRect(dialog, &dialogRect);
        UnionRect(&rect, &rect, &dialogRect);
    }
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&rect, &rect, &screen);
    return rect;
}

BOOL CALLBACK collectText(HWND child, LPARAM cookie) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Static") != 0) return TRUE;
    wchar_t text[1024] = {};
    InternalGetWindowText(child, text, 1024);
    auto* collected = reinterpret_cast<std::wstring*>(cookie);
    if (text[0] != L'\0') *collected += (collected->empty() ? L"" : L" ") + std::wstring(text);
    return TRUE;
}

// What a message box says: the text of its static controls, on one line.
std::string dialogText(HWND dialog) {
    std::wstring text;
    EnumChildWindows(dialog, collectText, reinterpret_cast<LPARAM>(&text));
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n') c = L' ';
    }
    std::string utf8(static_cast<std::size_t>(text.size() * 3 + 1), '\0');
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return utf8;
}

int fail(const char* why, HANDLE process) {
    std::fprintf(stderr, "%s\n", why);
    TerminateProcess(process, 1);
    CloseHandle(process);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    double timeoutSeconds = 300;
    std::vector<const wchar_t*> names;
    for (int i = 1; i < argc && lstrcmpW(argv[i], L"--") != 0; ++i) {
        if (lstrcmpW(argv[i], L"--timeout") == 0 && i + 1 < argc) {
            timeoutSeconds = _wtof(argv[++i]);
        } else {
            names.push_back(argv[i]);
        }
    }
    // The program's command line is passed on exactly as written after " -- ".
    const wchar_t* tail = std::wcsstr(GetCommandLineW(), L" -- ");
    if (names.size() != 2 || tail == nullptr) {
        std::fprintf(stderr, "usage: shown_window [--timeout S] NEEDLE STOPFILE -- COMMAND LINE\n");
        return 2;
    }
    const wchar_t* needle = names[0];
    const wchar_t* stopFile = names[1];
    std::vector<wchar_t> commandLine(tail + 4, tail + 4 + lstrlenW(tail + 4) + 1);
    const UINT timeoutMs = static_cast<UINT>(timeoutSeconds * 1000);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);

    const DWORD start = GetTickCount();
    Search search = {process.dwProcessId, needle, nullptr, nullptr};
    HWND window = nullptr;
    while (window == nullptr) {
        search.captioned = search.dialog = nullptr;
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.captioned != nullptr && answers(search.captioned, timeoutMs)) {
            window = search.captioned;
        } else if (search.dialog != nullptr) {
            HWND owner = GetWindow(search.dialog, GW_OWNER);
            window = owner != nullptr ? owner : search.dialog;
        } else if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) {
            return fail("the program ended before it showed anything", process.hProcess);
        } else if (GetTickCount() - start > timeoutMs) {
            std::fprintf(stderr, "no window with \"%ls\" in its caption after %.0f s: ", needle,
                         timeoutSeconds);
            return fail("the program did not show the file in time", process.hProcess);
        }
    }
    settle(window, timeoutMs);
    if (search.dialog != nullptr) settle(search.dialog, timeoutMs);

    const RECT rect = screenRectOf(window, search.dialog);
    wchar_t caption[512] = {};
    InternalGetWindowText(window, caption, 512);
    const bool shown = std::wcsstr(caption, needle) != nullptr;
    std::printf("%ld %ld %ld %ld %d\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, shown ? 1 : 0);
    if (search.dialog != nullptr) std::printf("%s\n", dialogText(search.dialog).c_str());
    std::fflush(stdout);

    while (GetFileAttributesW(stopFile) == INVALID_FILE_ATTRIBUTES &&
           GetTickCount() - start < 2 * timeoutMs) {
        if (WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    return 0;
}
