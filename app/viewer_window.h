// The application object: the main window, its text control, and every operation the user can
// start. There is exactly one, `theViewer` (app/main.cpp).
#pragma once

#include <windows.h>

#include <cstdint>

#include "../view/file_follow.h"
#include "../view/file_load.h"
#include "../view/retired_control.h"
#include "../search/text_search.h"
#include "../view/stream_format.h"

class RegistryStore;
class FontSpec;

// Room of the find-text buffer and of the file-name buffer, terminators included.
constexpr int findWhatLength = 258;
constexpr int fileNameLength = 261;

class ViewerWindow {
public:
    ViewerWindow();
    ~ViewerWindow();
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    // Entry and main window (app/viewer_window.cpp)
    int translateAccelerator(MSG* message);
    int create(HINSTANCE instance, const wchar_t* caption, int x, int y, int width, int height);
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Commands, menus and the context menu (app/commands.cpp)
    int onCommand(WORD id);
    int onInitMenu(HMENU menu);
    int showContextMenu(int x, int y);

    // Window placement (app/window_placement.cpp)
    int keepOnScreen(int position, int size);
    void onMove();
    void onSize(UINT sizeType);

    // The text control (view/text_control.cpp)
    void createTextControl(DWORD style);
    void toggleWrap();
    void enableEditing();
    void copySelection();
    void pasteText();
    int isModified();
    void setModified(int flag);

    // Document files (view/document_files.cpp)
    void promptOpen();
    // Opens a file handed over from outside, after the question about unsaved changes.
    void openInstead(const wchar_t* name);
    int openFile(const wchar_t* name);
    void promptSaveAs();
    int saveFile(const wchar_t* name, StreamFormat format);
    bool setFormat(StreamFormat format);
    // The caption: the file's name, marked once the file changed on disk otherwise than by growing.
    void showCaption();

    // Find (search/find.cpp)
    void showFind();
    LRESULT onFindMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Takes a downward Find Next that waits for the rest of the file on (its timer).
    void continueFind();

    // Web search and URL opening (search/web_search.cpp)
    void searchWeb();
    void openUrl();

    // Display font (settings/choose_font.cpp)
    void chooseFont();
    // Makes the font anew for a display of `dpi` dots per inch and shows it.
    void followDisplayScale(int dpi);

    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HACCEL accelerators = nullptr;
    HWND textControl = nullptr;
    std::int32_t wrapLines = 0;
    std::uint32_t readOnly = 0;
    StreamFormat streamFormat = StreamFormat::plainText;
    HMENU contextMenu = nullptr;
    HWND findDialog = nullptr;
    UINT findMessage = 0;
    wchar_t findWhat[findWhatLength] = {};
    RegistryStore* settings = nullptr;
    FontSpec* font = nullptr;
    wchar_t fileName[fileNameLength] = {};
    // The file still going into the text control, if any (view/file_load.h).
    FileLoad fileLoad;
    // The file followed as it grows once it is in (view/file_follow.h).
    FileFollow fileFollow;
    // The text control that last gave way to a new one, until it is destroyed.
    RetiredControl retiredControl;
    // Find Next's copy of the text, and the search that waits for more of it (search/text_search.h).
    TextSearch textSearch;

private:
    int registerWindowClass();
    void createFirstTextControl();
    void makeTextControl(DWORD style);
    void replaceTextControl(DWORD style);
    void buildContextMenu();
    void onDisplayScaleChanged(int dpi, const RECT& suggested);
    void openDroppedFile(HDROP drop);
    void showFont(HFONT shown);
    void fitTextControl();
    void reloadCurrentFile(const ReadingPlace& place);
    bool holdsWholeFile();
    void refusePartialText();
    void bringBackPlace(const ReadingPlace& place, PlaceBy by);
    void showFindResult(const TextSearch::Result& result);
    void onTextChange(HWND control);
};

// The window procedure of the main window's class.
LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
