#include "lorvane_process.h"

#include <vector>

namespace {

std::wstring exePath() {
    wchar_t path[MAX_PATH] = {};
    GetEnvironmentVariableW(L"LORVANE_EXE", path, MAX_PATH);
    return path;
}

struct Search {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) &&
        classOfWindow(window) == search->className) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK longestStatic(HWND child, LPARAM param) {
    auto* longest = reinterpret_cast<std::wstring*>(param);
    if (classOfWindow(child) == L"Static") {
        const std::wstring text = textOfWindow(child);
        if (text.size() > longest->size()) *longest = text;
    }
    return TRUE;
}

}  // namespace

std::wstring textOfWindow(HWND window) {
    wchar_t text[4096] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, nullptr);
    return text;
}

std::wstring classOfWindow(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring messageOfDialog(HWND dialog) {
    std::wstring longest;
    EnumChildWindows(dialog, longestStatic, reinterpret_cast<LPARAM>(&longest));
    return longest;
}

LorvaneProcess::LorvaneProcess(const std::wstring& tail) {
    std::wstring commandLine = L"\"" + exePath() + L"\"";
    if (!tail.empty()) commandLine += L" " + tail;
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
        process = info.hProcess;
        processId = info.dwProcessId;
        CloseHandle(info.hThread);
        WaitForInputIdle(process, 10000);
    }
}

LorvaneProcess::~LorvaneProcess() {
    if (process == nullptr) return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

HWND LorvaneProcess::findWindow(const wchar_t* className) const {
    Search search = {processId, className, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND LorvaneProcess::waitForWindow(const wchar_t* className, DWORD timeoutMs) const {
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
        if (const HWND window = findWindow(className)) return window;
        Sleep(50);
    }
    return nullptr;
}

HWND LorvaneProcess::mainWindow(DWORD timeoutMs) {
    return waitForWindow(L"ZyrLorvaneWndClass", timeoutMs);
}

HWND LorvaneProcess::dialog(DWORD timeoutMs) { return waitForWindow(L"#32770", timeoutMs); }

HWND LorvaneProcess::popupMenu(DWORD timeoutMs) { return waitForWindow(L"#32768", timeoutMs); }

bool LorvaneProcess::waitForCaption(const std::wstring& caption, DWORD timeoutMs) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
        const HWND window = findWindow(L"ZyrLorvaneWndClass");
        if (window != nullptr && textOfWindow(window) == caption) return true;
        Sleep(50);
    }
    return false;
}

std::wstring LorvaneProcess::waitForCaptionStart(const std::wstring& start, DWORD timeoutMs) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
        const HWND window = findWindow(L"ZyrLorvaneWndClass");
        const std::wstring caption = window != nullptr ? textOfWindow(window) : L"";
        if (caption.rfind(start, 0) == 0) return caption;
        Sleep(50);
    }
    return L"";
}

DWORD LorvaneProcess::waitForExit(DWORD timeoutMs) {
    if (process == nullptr || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

void LorvaneProcess::pressChord(std::initializer_list<WORD> keys) {
    const HWND window = mainWindow();
    SetForegroundWindow(window);
    Sleep(200);
    std::vector<INPUT> inputs;
    for (const WORD key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
