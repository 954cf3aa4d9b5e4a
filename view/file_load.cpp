#include "file_load.h"

#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "../app/message_box.h"
#include "../app/modal_scope.h"

namespace {

// The first piece: enough to fill the window at once.
constexpr std::size_t firstPiece = 64 * 1024;
// How often, in bytes handed to the control, the memory is looked at.
constexpr std::uint64_t memoryCheckInterval = 256 * 1024;
// The control's default number of undo steps, given back when the load ends.
constexpr WPARAM defaultUndoLimit = 100;
const wchar_t controlProperty[] = L"LorvaneFileLoad";

double millisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

std::uint64_t memoryInUse() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

std::uint64_t memoryAvailable() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    return std::min(status.ullAvailPageFile, status.ullAvailVirtual);
}

std::uint64_t fileSize(HANDLE file) {
    LARGE_INTEGER size = {};
    return GetFileSizeEx(file, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

// Plain text that begins with the UTF-8 byte-order mark is decoded as UTF-8 by the control, which
// looks for the mark at the start of each stream only: such a file goes in as one stream, so that
// all of it is read alike.
bool startsWithUtf8Mark(HANDLE file) {
    unsigned char start[sizeof utf8Mark] = {};
    DWORD read = 0;
    ReadFile(file, start, sizeof start, &read, nullptr);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    return read == sizeof start && std::memcmp(start, utf8Mark, sizeof start) == 0;
}

// Ctrl+End, and the scroll box let go at the bottom, ask for the file's end, not for the end of
// what has come so far.
bool asksForTheEnd(HWND window, UINT message, WPARAM wParam) {
    if (message == WM_KEYDOWN) return wParam == VK_END && GetKeyState(VK_CONTROL) < 0;
    if (message != WM_VSCROLL || LOWORD(wParam) != SB_THUMBPOSITION) return false;
    SCROLLINFO bar = {};
    bar.cbSize = sizeof bar;
    bar.fMask = SIF_ALL;
    if (!GetScrollInfo(window, SB_VERT, &bar)) return false;
    return bar.nTrackPos + std::max<int>(static_cast<int>(bar.nPage), 1) > bar.nMax;
}

}  // namespace

FileLoad::~FileLoad() { cancel(); }

LRESULT FileLoad::start(HWND textControl, HWND timerOwner, HANDLE openFile, StreamFormat format,
                        const wchar_t* fileName) {
    cancel();
    control = textControl;
    timerWindow = timerOwner;
    file = openFile;
    fileBytes = fileSize(file);
    source = {file, format, fileBytes};
    units = format == StreamFormat::plainText ? TextUnits::bytes : TextUnits::utf16;
    lstrcpynW(name, fileName, MAX_PATH + 1);
    carried.clear();
    fileEnded = false;
    readError = 0;
    editedByUser = false;
    tooLarge = false;
    memoryAtStart = memoryInUse();
    memoryBudget = std::min(loadMemoryBudget(memoryAvailable()), memoryLimit);
    bytesLoaded = 0;
    bytesSinceCheck = 0;
    nextShare = firstPiece;
    wrapping = (GetWindowLongW(control, GWL_STYLE) & ES_AUTOHSCROLL) == 0;

    // Undo steps of the load would cost memory, and could take loaded text away again.
    SendMessageW(control, EM_SETUNDOLIMIT, 0, 0);
    const bool inPieces = format != StreamFormat::richText &&
                          !(format == StreamFormat::plainText && startsWithUtf8Mark(file));
    // Only the first piece cuts a line, so that a long first line shows at once: each append to
    // a line makes the control lay out all of that line again, so a line cut again and again
    // would take longer than in one stream. Later pieces end after a line feed.
    firstPieceStreaming = true;
    characters = stream(inPieces ? firstPiece : UINT64_MAX, 0);
    firstPieceStreaming = false;
    // The RTF reader may stop asking at the document's closing brace, before the file's end.
    if (!inPieces || fileEnded || readError != 0 || tooLarge) {
        end();
    } else {
        showBusyCursor(true);
        SetTimer(timerWindow, timerId, USER_TIMER_MINIMUM, nullptr);
    }
    return characters;
}

void FileLoad::onTimer() {
    if (pending()) appendPiece(nextShare);
}

void FileLoad::finish() {
    while (pending()) appendPiece(largestPiece);
}

bool FileLoad::finishAnswering() {
    if (!pending()) return IsWindow(control) != FALSE;
    const ModalScope waiting;
    waitedFor = true;
    refreshCursor();
    while (pending()) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // The main loop ends the program with it.
                PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (pending()) appendPiece(nextShare);
    }
    waitedFor = false;
    return IsWindow(control) != FALSE;
}

void FileLoad::loadThrough(const ReadingPlace& place, PlaceBy by) {
    while (pending() && !holdsPlace(control, place, by)) appendPiece(largestPiece);
}

void FileLoad::cancel() {
    if (!pending()) return;
    KillTimer(timerWindow, timerId);
    waitedFor = false;
    showBusyCursor(false);
    progress.clear();
    CloseHandle(file);
    file = nullptr;
    carried = {};
}

LRESULT FileLoad::stream(std::uint64_t share, WPARAM flags) {
    pieceShare = share;
    pieceTaken = 0;
    pieceEnded = false;
    if (wrapping) bytesSinceCheck = memoryCheckInterval;
    EDITSTREAM request = {reinterpret_cast<DWORD_PTR>(this), 0, readPiece};
    const LRESULT read = SendMessageW(control, EM_STREAMIN, streamInFormat(source.format) | flags,
                                      reinterpret_cast<LPARAM>(&request));
    if (request.dwError != 0 && !tooLarge && readError == 0) readError = request.dwError;
    return read;
}

// Appends the next piece at the end of the text, leaving the reader's selection and scroll
// position as they were. The control does not draw meanwhile: moving the selection to the end
// and back would otherwise scroll and paint the text each time, at a cost that grows with it.
void FileLoad::appendPiece(std::size_t share) {
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    CHARRANGE selection = {};
    SendMessageW(control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    POINT scrolled = {};
    SendMessageW(control, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
    const LONG oldEnd = characterCount(control);
    const bool endShown = lastShownCharacter() + 1 >= oldEnd;
    const LONG firstShown = firstVisibleCharacter(control);
    // The user may type into an editable control meanwhile: that change must not be forgotten.
    editedByUser = editedByUser || SendMessageW(control, EM_GETMODIFY, 0, 0) != 0;

    SendMessageW(control, WM_SETREDRAW, FALSE, 0);
    CHARRANGE atEnd = {-1, -1};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&atEnd));
    characters += stream(share, SFF_SELECTION);
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendMessageW(control, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
    SendMessageW(control, WM_SETREDRAW, TRUE, 0);
    // A wrapping control may lose its scroll position while an append lays out its lines.
    scrollCharacterToTop(control, firstShown);
    if (endShown) showAppendedText(oldEnd);
    SendMessageW(control, EM_SETMODIFY, editedByUser, 0);
    progress.show(timerWindow, name, fileBytes - source.bytesLeft, fileBytes);

    nextShare = nextPieceBytes(static_cast<std::size_t>(std::min<std::uint64_t>(pieceTaken, largestPiece)),
                               millisecondsSince(started),
                               sliceMilliseconds(static_cast<std::uint64_t>(characters)));
    // A piece that took nothing would be followed by another that takes nothing.
    if (fileEnded || readError != 0 || tooLarge || pieceTaken == 0) end();
}

// The character in the window's bottom right corner.
LRESULT FileLoad::lastShownCharacter() const {
    RECT client;
    GetClientRect(control, &client);
    POINTL corner = {client.right - 1, client.bottom - 1};
    return SendMessageW(control, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&corner));
}

// Draws what an append brought into view: the rows from the one that held the old end of the
// text down. Drawing the whole window would draw its rows again after every piece, and a row of
// a long line takes long to draw. Only for an end that was in view: the control finds the row
// of a character by walking its text from the start.
void FileLoad::showAppendedText(LONG oldEnd) const {
    POINTL lastRow = {};
    SendMessageW(control, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&lastRow), oldEnd > 0 ? oldEnd - 1 : 0);
    RECT fresh;
    GetClientRect(control, &fresh);
    if (lastRow.y >= fresh.bottom) return;
    fresh.top = std::max(fresh.top, static_cast<LONG>(lastRow.y));
    InvalidateRect(control, &fresh, FALSE);
}

// The load is over: the file is closed, the control gets its undo back, and a file that could
// not be read whole is reported.
void FileLoad::end() {
    cancel();
    SendMessageW(control, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageW(control, EM_SETUNDOLIMIT, defaultUndoLimit, 0);
    if (tooLarge) {
        showWarning(L"The file \"%s\" is too large to show whole: there is not enough memory for "
                    L"it. Only its beginning is shown, and it cannot be saved.",
                    name);
    } else if (readError != 0 && characters > 0) {
        // What was read stays shown, but the user must know it is not the whole file.
        showWarning(L"Warning: the file \"%s\" could not be read completely\n%s", name,
                    errorCodeText(readError));
    }
}

DWORD CALLBACK FileLoad::readPiece(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* moved) {
    return reinterpret_cast<FileLoad*>(cookie)->readInto(buffer, requested, moved);
}

DWORD FileLoad::readInto(LPBYTE buffer, LONG requested, LONG* moved) {
    *moved = 0;
    if (pieceEnded || requested <= 0) return 0;
    if (!memoryAllowsMore()) {
        tooLarge = true;
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    if (!carried.empty()) {
        const std::size_t taken = std::min<std::size_t>(carried.size(), static_cast<std::size_t>(requested));
        std::memcpy(buffer, carried.data(), taken);
        carried.erase(carried.begin(), carried.begin() + static_cast<std::ptrdiff_t>(taken));
        *moved = static_cast<LONG>(taken);
    } else if (const DWORD failure = readStreamCallback(reinterpret_cast<DWORD_PTR>(&source), buffer,
                                                        requested, moved)) {
        return failure;
    }
    if (*moved == 0) {
        fileEnded = true;
        return 0;
    }
    const auto given = static_cast<std::uint64_t>(*moved);
    pieceTaken += given;
    bytesLoaded += given;
    bytesSinceCheck += given;
    if (pieceTaken >= pieceShare) {
        if (const auto end = pieceEnd(buffer, given, units, firstPieceStreaming || wrapping)) {
            carried.assign(buffer + *end, buffer + given);
            *moved = static_cast<LONG>(*end);
            pieceEnded = true;
        }
    }
    return 0;
}

// Looks at the memory every memoryCheckInterval bytes: the next ones must fit in the budget, by
// what the bytes so far have taken.
bool FileLoad::memoryAllowsMore() {
    if (bytesSinceCheck < memoryCheckInterval && bytesLoaded > 0) return true;
    bytesSinceCheck = 0;
    const std::uint64_t now = memoryInUse();
    const std::uint64_t used = now > memoryAtStart ? now - memoryAtStart : 0;
    // Others may take memory while the file loads: the budget shrinks with what is left.
    const std::uint64_t budget = std::min(memoryBudget, used + loadMemoryBudget(memoryAvailable()));
    return nextBytesFit(bytesLoaded, used, memoryCheckInterval, budget);
}

// While pieces remain, the pointer over the text shows that the program works in the
// background; the control sets its own pointer, so it is asked first.
void FileLoad::showBusyCursor(bool busy) {
    if (busy && controlOwnProc == nullptr) {
        SetPropW(control, controlProperty, this);
        controlOwnProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc)));
    } else if (!busy && controlOwnProc != nullptr) {
        if (IsWindow(control)) {
            SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlOwnProc));
            RemovePropW(control, controlProperty);
            refreshCursor();
        }
        controlOwnProc = nullptr;
    }
}

// Sets the pointer again at once when it is over the text, instead of at the next move.
void FileLoad::refreshCursor() const {
    POINT pointer;
    if (GetCursorPos(&pointer) && WindowFromPoint(pointer) == control) {
        SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
}

LRESULT CALLBACK FileLoad::controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* load = static_cast<FileLoad*>(GetPropW(window, controlProperty));
    const WNDPROC ownProc = load->controlOwnProc;
    if (message == WM_SETCURSOR && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, load->waitedFor ? IDC_WAIT : IDC_APPSTARTING));
        return TRUE;
    }
    if (!load->waitedFor && asksForTheEnd(window, message, wParam)) {
        // The rest comes in first; then the control goes to the end as it would for a loaded file.
        if (!load->finishAnswering()) return 0;
        if (message == WM_VSCROLL) wParam = SB_BOTTOM;
    }
    return CallWindowProcW(ownProc, window, message, wParam, lParam);
}
