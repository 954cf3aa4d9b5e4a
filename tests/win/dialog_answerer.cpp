#include "dialog_answerer.h"

#include <dlgs.h>

#include <initializer_list>

namespace {

DialogAnswerer* current = nullptr;

bool isDialog(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return lstrcmpW(className, L"#32770") == 0;
}

struct StaticTexts {
    std::wstring longest;
    bool hasIcon = false;
    int defaultButton = 0;
};

BOOL CALLBACK collectStatic(HWND child, LPARAM param) {
    auto* texts = reinterpret_cast<StaticTexts*>(param);
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (lstrcmpiW(className, L"Button") == 0 && (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        texts->defaultButton = GetDlgCtrlID(child);
    }
    if (lstrcmpiW(className, L"Static") != 0) return TRUE;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        texts->hasIcon = texts->hasIcon || SendMessageW(child, STM_GETICON, 0, 0) != 0;
        return TRUE;
    }
    const std::wstring text = windowText(child);
    if (text.size() > texts->longest.size()) texts->longest = text;
    return TRUE;
}

}  // namespace

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(lstrlenW(text.c_str())));
    return text;
}

void pressButton(HWND dialog, int buttonId) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

DialogAnswerer::DialogAnswerer() {
    current = this;
    hook = SetWindowsHookExW(WH_CBT, hookProc, nullptr, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer() {
    UnhookWindowsHookEx(hook);
    current = nullptr;
}

void DialogAnswerer::then(Action action) { actions.push_back(std::move(action)); }

void DialogAnswerer::thenPress(int buttonId) {
    then([buttonId](HWND dialog) { pressButton(dialog, buttonId); });
}

void DialogAnswerer::thenChooseFile(const std::wstring& name, int typeIndex) {
    then([name, typeIndex](HWND dialog) {
        if (typeIndex > 0) {
            const HWND types = GetDlgItem(dialog, cmb1);
            SendMessageW(types, CB_SETCURSEL, typeIndex - 1, 0);
            for (const WORD notification : {CBN_SELCHANGE, CBN_SELENDOK}) {
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, notification),
                             reinterpret_cast<LPARAM>(types));
            }
        }
        // The explorer-style dialog names its file field cmb13, the older one edt1.
        const HWND field = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
        SetWindowTextW(field, name.c_str());
        pressButton(dialog, IDOK);
    });
}

std::vector<std::wstring> DialogAnswerer::messages() const {
    std::vector<std::wstring> texts;
    for (const SeenDialog& dialog : seenDialogs) texts.push_back(dialog.text);
    return texts;
}

LRESULT CALLBACK DialogAnswerer::hookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && current != nullptr) {
        current->noticeActivation(reinterpret_cast<HWND>(wParam));
    } else if (code == HCBT_DESTROYWND && current != nullptr) {
        current->known.erase(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogAnswerer::noticeActivation(HWND window) {
    if (!isDialog(window) || known.count(window) != 0) return;
    known.insert(window);
    pending.push_back(window);
    // The answer runs from the dialog's own loop, once the dialog is fully set up.
    SetTimer(nullptr, 0, 1, answerPending);
}

void CALLBACK DialogAnswerer::answerPending(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    DialogAnswerer* self = current;
    if (self == nullptr || self->pending.empty()) return;
    const HWND dialog = self->pending.front();
    // A modal dialog can be activated while still hidden: its loop shows it only when the
    // queue first runs empty. Answer it once it can be seen, as a user would, but within a
    // few seconds even if it never shows.
    if (IsWindow(dialog) && !IsWindowVisible(dialog) && ++self->hiddenWaits < 300) {
        SetTimer(nullptr, 0, 10, answerPending);
        return;
    }
    self->hiddenWaits = 0;
    self->pending.pop_front();
    if (!IsWindow(dialog)) return;
    StaticTexts texts;
    EnumChildWindows(dialog, collectStatic, reinterpret_cast<LPARAM>(&texts));
    self->seenDialogs.push_back({dialog, GetWindow(dialog, GW_OWNER), windowText(dialog), texts.longest,
                                 texts.hasIcon, texts.defaultButton});
    if (self->actions.empty()) {
        ++self->unexpectedCount;
        pressButton(dialog, IDCANCEL);
        if (IsWindow(dialog)) pressButton(dialog, IDOK);
        return;
    }
    Action action = std::move(self->actions.front());
    self->actions.pop_front();
    action(dialog);
}
