// The command vocabulary: what each command does, how the menus look when they open, and the
// context menu of the text control.
#include "viewer_window.h"

#include <richedit.h>

#include <initializer_list>

#include "../res/resource_ids.h"
#include "about_dialog.h"
#include "message_box.h"
#include "menu_rules.h"

namespace {

CHARRANGE selectionOf(HWND textControl) {
    CHARRANGE selection = {0, 0};
    SendMessageW(textControl, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    return selection;
}

UINT grayedWhen(bool grayed) { return grayed ? MF_GRAYED : MF_ENABLED; }

// The commands that work on the whole text: a file still loading is completed first, so that
// they act as on a file loaded at once. Those that load the file again (Open, Wrap, Edit, the
// formats) drop what is pending instead, and Exit and About do not touch the text.
bool needsWholeText(WORD id) {
    switch (id) {
    case IDM_SAVE:
    case IDM_SAVE_AS:
    case IDM_COPY:
    case IDM_CONTEXT_COPY:
    case IDM_PASTE:
    case IDM_FIND:
    case IDM_FIND_ON_WEB:
    case IDM_CONTEXT_SEARCH:
    case IDM_OPEN_URL:
    case IDM_CONTEXT_OPEN_URL:
    case IDM_FONT: return true;
    default: return false;
    }
}

// Saving, or reading in another format, a file that did not fit in memory would treat its
// beginning as the whole file.
bool refusedForPartialText(WORD id) {
    switch (id) {
    case IDM_SAVE:
    case IDM_SAVE_AS:
    case IDM_FORMAT_PLAIN:
    case IDM_FORMAT_RTF:
    case IDM_FORMAT_UNICODE:
    case IDM_FORMAT_UTF8: return true;
    default: return false;
    }
}

}  // namespace

int ViewerWindow::onCommand(WORD id) {
    // A command that arrives while a message box waits for its answer (posted, or from the Find
    // dialog) would run inside the operation that asked, in the middle of its work: only Exit
    // may, as the box ends with the window.
    if (messageBoxOpen() && id != IDM_EXIT) return 0;
    if (fileLoad.showsPart() && refusedForPartialText(id)) {
        showWarning(L"The file \"%s\" is too large to show whole; only its beginning is shown. It "
                    L"cannot be saved or read in another format. Open another file first.",
                    fileName);
        return 0;
    }
    if (needsWholeText(id)) {
        // The old text goes first, so that two large texts are not held together.
        retiredControl.destroy();
        fileLoad.finish();
    }
    switch (id) {
    case IDM_OPEN: promptOpen(); break;
    case IDM_SAVE:
        if (lstrlenW(fileName) > 0) {
            saveFile(fileName, StreamFormat::current);
        } else {
            promptSaveAs();
        }
        break;
    case IDM_SAVE_AS: promptSaveAs(); break;
    case IDM_EXIT: DestroyWindow(mainWindow); break;
    case IDM_ABOUT: {
        auto* about = new AboutDialog();
        about->show(instance, mainWindow);
        delete about;
        break;
    }
    case IDM_COPY:
    case IDM_CONTEXT_COPY: copySelection(); break;
    case IDM_PASTE: pasteText(); break;
    case IDM_FIND: showFind(); break;
    case IDM_FIND_ON_WEB:
    case IDM_CONTEXT_SEARCH: searchWeb(); break;
    case IDM_OPEN_URL:
    case IDM_CONTEXT_OPEN_URL: openUrl(); break;
    case IDM_WRAP: toggleWrap(); break;
    case IDM_EDIT: enableEditing(); break;
    case IDM_FONT: chooseFont(); break;
    case IDM_FORMAT_PLAIN: setFormat(StreamFormat::plainText); break;
    case IDM_FORMAT_RTF: setFormat(StreamFormat::richText); break;
    case IDM_FORMAT_UNICODE: setFormat(StreamFormat::unicodeText); break;
    case IDM_FORMAT_UTF8: setFormat(StreamFormat::utf8Text); break;
    default: break;
    }
    return 0;
}

int ViewerWindow::onInitMenu(HMENU menu) {
    const CHARRANGE selection = selectionOf(textControl);
    const UINT selectionState = grayedWhen(selection.cpMin == selection.cpMax);
    EnableMenuItem(menu, IDM_COPY, MF_BYCOMMAND | selectionState);
    EnableMenuItem(menu, IDM_FIND_ON_WEB, MF_BYCOMMAND | selectionState);
    EnableMenuItem(menu, IDM_OPEN_URL, MF_BYCOMMAND | selectionState);
    const bool pasteGrayed =
        pasteIsGrayed(readOnly != 0, [] { return IsClipboardFormatAvailable(CF_UNICODETEXT) != 0; });
    EnableMenuItem(menu, IDM_PASTE, MF_BYCOMMAND | grayedWhen(pasteGrayed));
    ModifyMenuW(menu, IDM_WRAP, MF_BYCOMMAND | MF_STRING, IDM_WRAP, wrapItemText(wrapLines != 0));
    EnableMenuItem(menu, IDM_EDIT, MF_BYCOMMAND | grayedWhen(readOnly == 0));

    // The check mark always lives on the menu bar, whichever menu is opening.
    const HMENU menuBar = GetMenu(mainWindow);
    for (const int item : {IDM_FORMAT_PLAIN, IDM_FORMAT_RTF, IDM_FORMAT_UNICODE, IDM_FORMAT_UTF8}) {
        CheckMenuItem(menuBar, item, MF_BYCOMMAND | MF_UNCHECKED);
    }
    CheckMenuItem(menuBar, formatMenuItem(streamFormat), MF_BYCOMMAND | MF_CHECKED);
    return 0;
}

int ViewerWindow::showContextMenu(int x, int y) {
    const CHARRANGE selection = selectionOf(textControl);
    if (selection.cpMin == selection.cpMax) return 0;
    POINT point = {x, y};
    ClientToScreen(mainWindow, &point);
    const PopupPlacement placement = contextMenuPlacement(
        point.x, point.y, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return TrackPopupMenu(contextMenu, placement.flags, placement.x, placement.y, 0, mainWindow,
                          nullptr);
}
