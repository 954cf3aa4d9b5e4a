#include "about_dialog.h"

void AboutDialog::show(HINSTANCE moduleInstance, HWND owner) {
    instance = moduleInstance;
    DialogBoxParamW(instance, L"AboutDlg", owner, dialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK AboutDialog::dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<AboutDialog*>(lParam)->window = dialog;
        return TRUE;
    }
    case WM_COMMAND:
        // Only OK (a click or Enter) closes the box; Esc arrives as IDCANCEL and is refused.
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
