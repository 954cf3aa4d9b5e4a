// The command vocabulary: what each command does, how the menus look when they open, and the
// context menu of the text control.
#include "viewer_window.h"

#include <richedit.h>

#include <initializer_list>

#include "../res/resource_ids.h"
#include "about_dialog.h"
#include "menu_rules.h"
#include "message_box.h"
#include "modal_scope.h"

namespace {

CHARRANGE selectionOf(HWND textControl) {
    CHARRANGE selection = {0, 0};
    SendMessageW(textControl, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    return selection;
}

UINT grayedWhen(bool grayed) { return grayed ? MF_GRAYED : MF_ENABLED; }

bool isSave(WORD id) { return id == IDM_SAVE || id == IDM_SAVE_AS; }

// Reading in another format a file that did not fit in memory would stop short again.
bool isFormatSwitch(WORD id) { return id >= IDM_FORMAT_PLAIN && id <= IDM_FORMAT_UTF8; }

}  // namespace

int ViewerWindow::onCommand(WORD id) {
    // A command that arrives while the program waits on a box, a dialog or the rest of a file
    // (posted, or from the Find dialog) would run inside the operation that waits, in the middle
    // of its work: only Exit may, as the wait ends with the window.
    if (ModalScope::anyOpen() && id != IDM_EXIT) return 0;
    if ((isSave(id) && fileLoad.showsPart()) || (isFormatSwitch(id) && fileLoad.outgrewMemory())) {
        refusePartialText();
        return 0;
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
        const ModalScope dialogOpen;
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
