// The benchmark's floor: a bare rich edit control in a top-level window, made the way Lorvane
// makes its own, with the file streamed straight from ReadFile. Nothing else happens, so its
// times are what the control itself costs.
//
//   probe.exe [--format text|utf16|rtf] [--load-hidden] [--no-redraw] FILE
//
// --load-hidden streams before the window is first shown; --no-redraw turns drawing off while
// streaming. Once loaded, the caption becomes the file's name after its last backslash.
//
// The waiter can then send these commands (WM_COMMAND) to try ways of loading the file again:
//   123  stream over the text already there (what a format switch used to do)
//   127  destroy the control, create a new one, stream into it
//   128  WM_SETTEXT "" first, then stream
//   129  stream over the old text with drawing off (WM_SETREDRAW)
//   130  create the new control hidden, stream into it, then show it and destroy the old one
//   120  toggle word wrap: a new control of the other style, streamed into
// and WM_APP+1 gives the time of the last load (the first one or a command's) in microseconds.
#include <windows.h>
#include <richedit.h>

#include <cwchar>

namespace {

constexpr UINT queryLastLoad = WM_APP + 1;
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
} probe;

LONGLONG now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

LONGLONG microsecondsSince(LONGLONG start) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (now() - start) * 1000000 / frequency.QuadPart;
}

DWORD CALLBACK readFromFile(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* moved) {
    DWORD read = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(requested), &read,
                  nullptr)) {
        *moved = 0;
        return GetLastError();
    }
    *moved = static_cast<LONG>(read);
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
}

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (probe.control != nullptr) MoveWindow(probe.control, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_COMMAND: reload(LOWORD(wParam)); return 0;
    case queryLastLoad: return static_cast<LRESULT>(probe.lastLoadMicroseconds);
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool loadHidden = false;
    bool noRedraw = false;
    for (int i = 1; i < argc; ++i) {
        if (lstrcmpW(argv[i], L"--format") == 0 && i + 1 < argc) {
            ++i;
            if (lstrcmpW(argv[i], L"utf16") == 0) probe.format = SF_TEXT | SF_UNICODE;
            if (lstrcmpW(argv[i], L"rtf") == 0) probe.format = SF_RTF;
        } else if (lstrcmpW(argv[i], L"--load-hidden") == 0) {
            loadHidden = true;
        } else if (lstrcmpW(argv[i], L"--no-redraw") == 0) {
            noRedraw = true;
        } else {
            probe.file = argv[i];
        }
    }
    if (probe.file == nullptr) return 2;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = probeProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"LorvaneBenchProbe";
    RegisterClassW(&windowClass);
    probe.window = CreateWindowExW(0, windowClass.lpszClassName, L"probe", WS_OVERLAPPEDWINDOW,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   nullptr, nullptr, instance, nullptr);
    LoadLibraryW(L"riched20.dll");
    probe.font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_RASTER_PRECIS, 0,
                             0, FIXED_PITCH, L"Lucida Console");
    probe.control = makeControl(unwrappedStyle);
    if (!loadHidden) {
        ShowWindow(probe.window, SW_SHOWNORMAL);
        UpdateWindow(probe.window);
    }

    const LONGLONG start = now();
    if (noRedraw) SendMessageW(probe.control, WM_SETREDRAW, FALSE, 0);
    const LRESULT characters = streamIn(probe.control);
    if (noRedraw) {
        SendMessageW(probe.control, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(probe.control, nullptr, TRUE);
    }
    probe.lastLoadMicroseconds = microsecondsSince(start);
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
