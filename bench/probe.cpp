// The benchmark's floor: a bare rich edit control in a top-level window, made the way Lorvane
// makes its own, with the file streamed straight from ReadFile. Nothing else happens, so its
// times are what the control itself costs.
//
//   probe.exe [--format text|utf16|rtf] [--rect LEFT TOP WIDTH HEIGHT] [--face NAME]
//             [--load-hidden] [--no-redraw] [--focus-first] [--wide-load] [--load-dlls] FILE
//
// --rect places the window (default: where the system puts a new one), --face names the font's
// face (default: the one Lorvane shows when no font is stored in its settings). Once the file is
// loaded the caption becomes its name after the last backslash.
//
// Other ways of making the first load, to compare with the plain one: --load-hidden streams
// before the window is first shown; --no-redraw turns drawing off during the stream;
// --focus-first gives the control the focus before the stream (else after it); --wide-load
// makes the control far wider than the window during the stream (so that no line is wider).
// --load-dlls loads the other system DLLs Lorvane links with, to tell their share of its start.
//
// The waiter can then send these commands (WM_COMMAND) to try ways of loading the file again:
//   123  stream over the text already there (what a format switch used to do)
//   127  destroy the control, create a new one, stream into it
//   128  WM_SETTEXT "" first, then stream
//   129  stream over the old text with drawing off (WM_SETREDRAW)
//   130  create the new control hidden, stream into it, then show it and destroy the old one
//   120  toggle word wrap: a new control of the other style, streamed into
// WM_APP+1 gives the time of the last load (the first one or a command's) in microseconds, and
// WM_APP+2 the CPU time its thread spent in it, which other work on the machine disturbs less.
#include <windows.h>
#include <richedit.h>

#include <cstdlib>
#include <cwchar>
#include <initializer_list>

namespace {

constexpr UINT queryLastLoad = WM_APP + 1;
constexpr UINT queryLastLoadCpu = WM_APP + 2;
constexpr DWORD unwrappedStyle = 0x503009C4;  // what Lorvane's read-only, unwrapped control has
constexpr DWORD wrappedStyle = 0x50200944;

struct Probe {
    HWND window = nullptr;
    HWND control = nullptr;
    HFONT font = nullptr;
    WPARAM format = SF_TEXT;
    DWORD style = unwrappedStyle;
    const wchar_t* file = nullptr;
    LONGLONG lastLoadMicroseconds = -1;
    LONGLONG lastLoadCpuMicroseconds = -1;
} probe;

LONGLONG now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

LONGLONG threadCpuMicroseconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return static_cast<LONGLONG>(static_cast<ULONGLONG>(time.dwHighDateTime) << 32 |
                                     time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10;
}

LONGLONG microsecondsSince(LONGLONG start) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (now() - start) * 1000000 / frequency.QuadPart;
}

// A chunk never ends on the CR of a CR LF pair (nor inside a UTF-16 unit): the control would
// see two line breaks there, and the text would not be the file's. The CR is read again next.
DWORD CALLBACK readFromFile(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* moved) {
    const HANDLE file = reinterpret_cast<HANDLE>(cookie);
    DWORD read = 0;
    if (!ReadFile(file, buffer, static_cast<DWORD>(requested), &read, nullptr)) {
        *moved = 0;
        return GetLastError();
    }
    const DWORD unit = (probe.format & SF_UNICODE) != 0 ? 2 : 1;
    DWORD keep = read - read % unit;
    if (read == static_cast<DWORD>(requested) && keep > unit && buffer[keep - unit] == '\r' &&
        (unit == 1 || buffer[keep - 1] == 0)) {
        keep -= unit;
    }
    if (keep < read) {
        LARGE_INTEGER back;
        back.QuadPart = -static_cast<LONGLONG>(read - keep);
        SetFilePointerEx(file, back, nullptr, FILE_CURRENT);
    }
    *moved = static_cast<LONG>(keep);
    return 0;
}

HWND makeControl(DWORD style) {
    RECT client;
    GetClientRect(probe.window, &client);
    const HWND control =
        CreateWindowExW(0, L"RichEdit20W", L"", style, 0, 0, client.right, client.bottom,
                        probe.window, reinterpret_cast<HMENU>(200), nullptr, nullptr);
    SendMessageW(control, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    SendMessageW(control, EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(probe.font), 0);
    return control;
}

// Streams the file into `control`; gives the characters the control took, or -1.
LRESULT streamIn(HWND control) {
    const HANDLE file = CreateFileW(probe.file, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return -1;
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(file), 0, readFromFile};
    const LRESULT characters =
        SendMessageW(control, EM_STREAMIN, probe.format, reinterpret_cast<LPARAM>(&stream));
    CloseHandle(file);
    return characters;
}

void replaceControl(DWORD style) {
    DestroyWindow(probe.control);
    probe.style = style;
    probe.control = makeControl(style);
    streamIn(probe.control);
}

void reload(WORD command) {
    const LONGLONG cpuStart = threadCpuMicroseconds();
    const LONGLONG start = now();
    switch (command) {
    case 123: streamIn(probe.control); break;
    case 127: replaceControl(probe.style); break;
    case 128:
        SendMessageW(probe.control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        streamIn(probe.control);
        break;
    case 129:
        SendMessageW(probe.control, WM_SETREDRAW, FALSE, 0);
        streamIn(probe.control);
        SendMessageW(probe.control, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(probe.control, nullptr, TRUE);
        break;
    case 130: {
        const HWND old = probe.control;
        probe.control = makeControl(probe.style & ~WS_VISIBLE);
        streamIn(probe.control);
        ShowWindow(probe.control, SW_SHOW);
        DestroyWindow(old);
        break;
    }
    case 120: replaceControl(probe.style == unwrappedStyle ? wrappedStyle : unwrappedStyle); break;
    default: return;
    }
    probe.lastLoadMicroseconds = microsecondsSince(start);
    probe.lastLoadCpuMicroseconds = threadCpuMicroseconds() - cpuStart;
}

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (probe.control != nullptr) {
            MoveWindow(probe.control, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        }
        return 0;
    case WM_COMMAND: reload(LOWORD(wParam)); return 0;
    case queryLastLoad: return static_cast<LRESULT>(probe.lastLoadMicroseconds);
    case queryLastLoadCpu: return static_cast<LRESULT>(probe.lastLoadCpuMicroseconds);
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The C runtime's split of the command line: the probe links with no DLL that Lorvane's
    // bare control does not need (shell32 would bring its own start-up cost).
    const int argc = __argc;
    wchar_t** const argv = __wargv;
    bool loadHidden = false;
    bool noRedraw = false;
    bool focusFirst = false;
    bool wideLoad = false;
    bool loadDlls = false;
    const wchar_t* face = L"MS Sans Serif";
    // Left, top, width and height.
    RECT rect = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    for (int i = 1; i < argc; ++i) {
        if (lstrcmpW(argv[i], L"--format") == 0 && i + 1 < argc) {
            ++i;
            if (lstrcmpW(argv[i], L"utf16") == 0) probe.format = SF_TEXT | SF_UNICODE;
            if (lstrcmpW(argv[i], L"rtf") == 0) probe.format = SF_RTF;
        } else if (lstrcmpW(argv[i], L"--load-hidden") == 0) {
            loadHidden = true;
        } else if (lstrcmpW(argv[i], L"--no-redraw") == 0) {
            noRedraw = true;
        } else if (lstrcmpW(argv[i], L"--rect") == 0 && i + 4 < argc) {
            rect = {_wtoi(argv[i + 1]), _wtoi(argv[i + 2]), _wtoi(argv[i + 3]), _wtoi(argv[i + 4])};
            i += 4;
        } else if (lstrcmpW(argv[i], L"--face") == 0 && i + 1 < argc) {
            face = argv[++i];
        } else if (lstrcmpW(argv[i], L"--load-dlls") == 0) {
            loadDlls = true;
        } else if (lstrcmpW(argv[i], L"--wide-load") == 0) {
            wideLoad = true;
        } else if (lstrcmpW(argv[i], L"--focus-first") == 0) {
            focusFirst = true;
        } else {
            probe.file = argv[i];
        }
    }
    if (probe.file == nullptr) return 2;

    if (loadDlls) {
        for (const wchar_t* dll : {L"comctl32.dll", L"comdlg32.dll", L"shell32.dll", L"shlwapi.dll",
                                   L"advapi32.dll"}) {
            LoadLibraryW(dll);
        }
    }
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = probeProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"LorvaneBenchProbe";
    RegisterClassW(&windowClass);
    probe.window = CreateWindowExW(0, windowClass.lpszClassName, L"probe", WS_OVERLAPPEDWINDOW,
                                   rect.left, rect.top, rect.right, rect.bottom, nullptr, nullptr,
                                   instance, nullptr);
    LoadLibraryW(L"riched20.dll");
    // The font Lorvane shows with no font stored in its settings.
    probe.font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, FIXED_PITCH,
                             face);
    probe.control = makeControl(unwrappedStyle);
    if (!loadHidden) {
        ShowWindow(probe.window, SW_SHOWNORMAL);
        UpdateWindow(probe.window);
    }

    if (focusFirst) SetFocus(probe.control);
    const LONGLONG cpuStart = threadCpuMicroseconds();
    const LONGLONG start = now();
    if (noRedraw) SendMessageW(probe.control, WM_SETREDRAW, FALSE, 0);
    RECT client;
    GetClientRect(probe.window, &client);
    if (wideLoad) MoveWindow(probe.control, 0, 0, 30000, client.bottom, FALSE);
    const LRESULT characters = streamIn(probe.control);
    if (wideLoad) MoveWindow(probe.control, 0, 0, client.right, client.bottom, TRUE);
    if (noRedraw) {
        SendMessageW(probe.control, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(probe.control, nullptr, TRUE);
    }
    probe.lastLoadMicroseconds = microsecondsSince(start);
    probe.lastLoadCpuMicroseconds = threadCpuMicroseconds() - cpuStart;
    if (characters < 0) return 3;

    const wchar_t* slash = std::wcsrchr(probe.file, L'\\');
    SetWindowTextW(probe.window, slash != nullptr ? slash + 1 : probe.file);
    if (loadHidden) {
        ShowWindow(probe.window, SW_SHOWNORMAL);
        UpdateWindow(probe.window);
    }
    SetFocus(probe.control);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
