// Loading and saving the document through the text control's streams, the Open and Save
// dialogs, and the switch between stream formats.
#include "../app/viewer_window.h"

#include <richedit.h>

#include "../app/message_box.h"
#include "../app/modal_scope.h"
#include "../settings/font_spec.h"
#include "file_name.h"
#include "file_replacement.h"
#include "save_checks.h"
#include "stream_callbacks.h"
#include "text_control_style.h"

namespace {

const wchar_t discardQuestion[] = L"The current file has changed, do you still want to proceed?";
const wchar_t cannotOpenFile[] = L"Cannot open file: \"%s\"\n%s";
const wchar_t cannotWriteFile[] = L"Cannot write file: \"%s\"\n%s";
const wchar_t changedOnDiskMark[] = L" (changed on disk)";

// The Save dialog's types, in the order of their filter indexes (see formatForSaveType).
const wchar_t saveTypes[] =
    L"Plain text (*.txt)\0*.txt\0Rich text (*.rtf)\0*.rtf\0Unicode (*.txt)\0*.txt\0"
    L"UTF8 (*.txt)\0*.txt\0";

constexpr DWORD dialogNameLength = 260;

// Normalises a given name; a name that is empty or too long is reported and refused.
bool takeFileName(const wchar_t* name, wchar_t (&normalised)[fileNameRoom]) {
    switch (normaliseFileName(name, normalised)) {
    case NameCheck::usable: return true;
    case NameCheck::missing: showWarning(L"Cannot open file: name missing"); return false;
    case NameCheck::tooLong:
        showWarning(L"Cannot open file: the name is longer than %u characters",
                    static_cast<unsigned>(maxFileNameCharacters));
        return false;
    }
    return false;
}

// What the Open and Save dialogs share: the owner, the first type, and a name buffer and a
// title buffer of dialogNameLength characters each (the title is not used).
OPENFILENAMEW fileDialogRecord(HWND owner, wchar_t* name, wchar_t* title) {
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = dialogNameLength;
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = dialogNameLength;
    return dialog;
}

// Shows an Open or Save dialog. Its loop dispatches what arrives meanwhile: commands are ignored
// while it is open, as under a message box.
BOOL askForFileName(BOOL(WINAPI* dialogFunction)(LPOPENFILENAMEW), OPENFILENAMEW& dialog) {
    const ModalScope dialogOpen;
    return dialogFunction(&dialog);
}

}  // namespace

int ViewerWindow::openFile(const wchar_t* name) {
    wchar_t normalised[fileNameRoom];
    if (!takeFileName(name, normalised)) return 0;
    const HANDLE file = CreateFileW(normalised, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        showWarning(cannotOpenFile, normalised, lastErrorText());
        return 0;
    }
    // Devices, pipes and consoles have no end a viewer could wait for.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        showWarning(cannotOpenFile, normalised, L"It is not a file on a disk but a device or a pipe.");
        return 0;
    }
    // From here on this file replaces what was shown, and the load still pending is dropped.
    fileLoad.cancel();
    // The control deletes a text it holds very slowly when a new one is streamed over it (half a
    // minute for 1 MB, growing faster than the text), while a new control is filled as fast as at
    // start-up. So, once the file is open, a filled control gives way to a new one with the same
    // style, font and focus.
    if (GetWindowTextLengthW(textControl) > 0) {
        replaceTextControl(textControlStyle(readOnly != 0, wrapLines != 0));
    }
    // The load takes the file over: it closes it once the last piece is in.
    if (fileLoad.start(textControl, mainWindow, file, streamFormat, normalised) == 0) {
        showWarning(L"Warning: no data read from file");
    }
    lstrcpynW(fileName, normalised, fileNameLength);
    fileFollow.start(mainWindow);
    showCaption();
    setModified(0);
    retiredControl.restartWait();
    return 1;
}

int ViewerWindow::saveFile(const wchar_t* name, StreamFormat format) {
    if (format == StreamFormat::current) format = streamFormat;
    wchar_t normalised[fileNameRoom];
    if (!takeFileName(name, normalised)) return 0;
    if (!holdsWholeFile()) return 0;
    // The user was told when the mix was found; saving it is their choice, not a habit's.
    if (fileLoad.showsMix() &&
        askYesNoDefaultNo(L"The text shown may mix two versions of \"%s\", which changed while it was loading. "
                 L"Save it anyway?",
                 fileLoad.fileName()) != IDYES) {
        return 0;
    }
    if (!confirmCharactersKept(textControl, font->handle, format)) return 0;
    FileReplacement replacement(normalised);
    if (!replacement.open()) {
        showWarning(replacement.refusedByTarget() ? cannotOpenFile : cannotWriteFile, normalised, lastErrorText());
        return 0;
    }
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(replacement.handle()), 0, writeStreamCallback};
    SendMessageW(textControl, EM_STREAMOUT, static_cast<WPARAM>(format),
                 reinterpret_cast<LPARAM>(&stream));
    DWORD failure = stream.dwError;
    if (failure == 0 && !replacement.commit()) failure = GetLastError();
    if (failure != 0) {
        // The text is not saved: keep the document as unsaved so that nothing is lost quietly.
        replacement.discard();
        if (replacement.keptCopy().empty()) {
            showWarning(cannotWriteFile, normalised, errorCodeText(failure));
        } else {
            showWarning(L"Cannot write file: \"%s\"\n%s\nThe new text is kept in \"%s\".", normalised,
                        errorCodeText(failure), replacement.keptCopy().c_str());
        }
        return 0;
    }
    lstrcpynW(fileName, normalised, fileNameLength);
    // From here on the saved file is followed as it grows.
    fileLoad.takeSavedFile(fileName, format);
    fileFollow.start(mainWindow);
    showCaption();
    setModified(0);
    return 1;
}

// A text that is only the file's beginning is never saved: what is still loading comes in
// first, with the window answering meanwhile, and a load that stopped short refuses the save.
bool ViewerWindow::holdsWholeFile() {
    if (fileLoad.pending()) {
        // The old text goes first, so that two large texts are not held together.
        retiredControl.destroy();
        if (!fileLoad.finishAnswering()) return false;
        // Running out of memory has been reported as the load ended, with the refusal.
        if (fileLoad.outgrewMemory()) return false;
    }
    if (!fileLoad.showsPart()) return true;
    refusePartialText();
    return false;
}

void ViewerWindow::refusePartialText() {
    if (fileLoad.outgrewMemory()) {
        showWarning(L"The file \"%s\" is too large to show whole; only its beginning is shown. It "
                    L"cannot be saved or read in another format. Open another file first.",
                    fileName);
    } else {
        showWarning(L"The file \"%s\" could not be read whole; only its beginning is shown, and it "
                    L"cannot be saved. Open it again first.",
                    fileName);
    }
}

void ViewerWindow::promptOpen() {
    if (isModified() && askYesNo(discardQuestion) != IDYES) return;
    wchar_t chosen[dialogNameLength] = {};
    wchar_t title[dialogNameLength] = {};
    OPENFILENAMEW dialog = fileDialogRecord(mainWindow, chosen, title);
    dialog.Flags = OFN_FILEMUSTEXIST;
    if (askForFileName(GetOpenFileNameW, dialog)) openFile(chosen);
}

void ViewerWindow::openInstead(const wchar_t* name) {
    if (isModified() && askYesNo(discardQuestion) != IDYES) return;
    openFile(name);
}

void ViewerWindow::promptSaveAs() {
    // One more than the dialog is told of, so that a current name of the full 260 characters
    // still fits with its terminator.
    wchar_t chosen[dialogNameLength + 1];
    wchar_t title[dialogNameLength] = {};
    lstrcpynW(chosen, fileName, dialogNameLength + 1);
    OPENFILENAMEW dialog = fileDialogRecord(mainWindow, chosen, title);
    dialog.lpstrFilter = saveTypes;
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    dialog.lpstrDefExt = L"txt";
    if (!askForFileName(GetSaveFileNameW, dialog)) return;
    streamFormat = formatForSaveType(dialog.nFilterIndex);
    saveFile(chosen, streamFormat);
}

bool ViewerWindow::setFormat(StreamFormat format) {
    const StreamFormat previous = streamFormat;
    streamFormat = format;
    if (lstrlenW(fileName) <= 0) return true;
    // The text comes back with other characters: the reader's place is found by its line.
    const ReadingPlace place = readingPlaceOf(textControl);
    if (openFile(fileName)) {
        bringBackPlace(place, PlaceBy::lines);
        return true;
    }
    streamFormat = previous;
    return false;
}

void ViewerWindow::showCaption() {
    const wchar_t* caption = captionOfFileName(fileName);
    if (!fileFollow.lostTrack() && !fileLoad.showsMix()) {
        SetWindowTextW(mainWindow, caption);
        return;
    }
    wchar_t marked[fileNameRoom + sizeof changedOnDiskMark / sizeof(wchar_t)];
    wsprintfW(marked, L"%s%s", caption, changedOnDiskMark);
    SetWindowTextW(mainWindow, marked);
}
