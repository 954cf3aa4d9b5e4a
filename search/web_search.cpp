// Handing the selection to the shell: as a web search, or as the address to open.
#include "../app/viewer_window.h"

#include <richedit.h>
#include <shellapi.h>

#include "../app/message_box.h"
#include "url_rules.h"

namespace {

const wchar_t searchPrefix[] = L"https://www.google.com/search?q=";

constexpr DWORD longestSearchSelection = 128;
constexpr DWORD longestUrlSelection = 256;
constexpr int selectionBufferLength = 256;
constexpr int escapedBufferLength = 256;

const wchar_t searchTooLarge[] = L"The current selection is too large for a web search";
const wchar_t shellFailed[] =
    L"The search failed. The following info may be useful for debugging: %x %s\n";

struct Selection {
    DWORD start;
    DWORD end;
    DWORD length() const { return end - start; }
};

Selection selectionOf(HWND textControl) {
    Selection selection = {0, 0};
    SendMessageW(textControl, EM_GETSEL, reinterpret_cast<WPARAM>(&selection.start),
                 reinterpret_cast<LPARAM>(&selection.end));
    return selection;
}

// Opens `target` with the user's handler; a failure is reported with the shell's result.
void openWithShell(const wchar_t* target) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", target, nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) showWarning(shellFailed, static_cast<unsigned>(result), target);
}

}  // namespace

void ViewerWindow::searchWeb() {
    const Selection selection = selectionOf(textControl);
    if (selection.start == selection.end) return;
    if (selection.length() > longestSearchSelection) {
        showWarning(searchTooLarge);
        return;
    }
    wchar_t selected[selectionBufferLength];
    SendMessageW(textControl, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(selected));
    wchar_t escaped[escapedBufferLength];
    if (!escapeQueryValue(selected, escaped, escapedBufferLength)) {
        showWarning(searchTooLarge);
        return;
    }
    wchar_t address[ARRAYSIZE(searchPrefix) + escapedBufferLength];
    lstrcpyW(address, searchPrefix);
    lstrcatW(address, escaped);
    openWithShell(address);
}

void ViewerWindow::openUrl() {
    const Selection selection = selectionOf(textControl);
    if (selection.start == selection.end) return;
    if (selection.length() > longestUrlSelection) {
        showWarning(L"The current selection is too large to open as a URL");
        return;
    }
    // Room for the longest selection that passes and its terminator.
    wchar_t selected[longestUrlSelection + 1];
    SendMessageW(textControl, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(selected));
    // Each character of the selection takes at most three in the address.
    wchar_t address[longestUrlSelection * 3 + 1];
    escapeAddress(selected, address, ARRAYSIZE(address));
    if (comparePrefix(L"http://", address) != 0 && comparePrefix(L"https://", address) != 0) {
        showWarning(L"The selected text:\n%s\nis not a URL", selected);
        return;
    }
    openWithShell(address);
}
