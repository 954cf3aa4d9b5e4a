#include "file_load.h"

#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstdlib>
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
const wchar_t changedWhileLoading[] =
    L"The file \"%s\" changed while it was loading; the text shown may mix the old and the new "
    L"content. Open it again to see it as it is now.";

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

// The control sets its scroll bars while it does not draw, so they would show the text as it
// was before the append: they are drawn again as they now are. Setting them again instead could
// show or hide one, which makes the control lay out its whole text anew.
void drawScrollBars(HWND control) { SendMessageW(control, WM_NCPAINT, 1, 0); }

// Follows the control's scroll position while it does not draw. A move by less than the window
// makes the control shift what is on screen rather than draw it again, and it does so even
// then: afterwards the screen no longer shows the rows of its place.
class ScrollWatch {
public:
    ScrollWatch(HWND control, POINT scrolled) : control(control), last(scrolled) {
        GetClientRect(control, &client);
    }
    void note() {
        POINT now = {};
        SendMessageW(control, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&now));
        shifted = shifted || shifts(std::labs(now.x - last.x), client.right) ||
                  shifts(std::labs(now.y - last.y), client.bottom);
        last = now;
    }
    bool shiftedScreen() const { return shifted; }

private:
    static bool shifts(LONG distance, LONG windowSize) { return distance > 0 && distance < windowSize; }

    HWND control;
    POINT last;
    RECT client = {};
    bool shifted = false;
};

// The messages with which the reader scrolls the text: bars, wheel, keys, a drag of the
// selection (which scrolls on the control's timer), and the scroll to a match that Find asks for.
bool mayScroll(UINT message) {
    switch (message) {
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_KEYDOWN:
    case WM_MOUSEMOVE:
    case WM_TIMER:
    case EM_SCROLLCARET: return true;
    default: return false;
    }
}

POINT scrollPositionOf(HWND control) {
    POINT scrolled = {};
    SendMessageW(control, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
    return scrolled;
}

FileText textOf(StreamFormat format) {
    if (format == StreamFormat::unicodeText) return FileText::utf16;
    return format == StreamFormat::utf8Text ? FileText::utf8 : FileText::bytes;
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
    startShownFile(inPieces);
    // Only the first piece cuts a line, so that a long first line shows at once: each append to
    // a line makes the control lay out all of that line again, so a line cut again and again
    // would take longer than in one stream. Later pieces end after a line feed.
    firstPieceStreaming = true;
    characters = stream(inPieces ? firstPiece : UINT64_MAX, 0);
    firstPieceStreaming = false;
    streamHeldBackBytes();
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

    // Switching drawing off drops what waits to be drawn, such as the rows a scroll of the
    // reader's has just uncovered: they are drawn first.
    UpdateWindow(control);
    const ControlView before = viewOf(control);
    ScrollWatch watch(control, scrolled);
    SendMessageW(control, WM_SETREDRAW, FALSE, 0);
    // The characters of bytes held back at the end are streamed again with what follows them.
    CHARRANGE atEnd = {-1, -1};
    if (heldBackCharacters > 0) atEnd = {oldEnd - heldBackCharacters, oldEnd};
    heldBackCharacters = 0;
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&atEnd));
    watch.note();
    appendingPiece = true;
    characters += stream(share, SFF_SELECTION);
    watch.note();
    streamHeldBackBytes();
    appendingPiece = false;
    watch.note();
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    watch.note();
    SendMessageW(control, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
    watch.note();
    // A wrapping control may lose its scroll position while an append lays out its lines. It is
    // put back while drawing is still off: a scroll while the control draws costs it a walk over
    // its text (11 ms a piece at 4 million characters, most of a reload's time in Wrap).
    scrollCharacterToTop(control, firstShown);
    watch.note();
    SendMessageW(control, WM_SETREDRAW, TRUE, 0);
    if (watch.shiftedScreen() || !sameView(viewOf(control), before)) {
        // What is on screen moved, or a scroll bar came or went, while nothing was drawn.
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    } else {
        drawScrollBars(control);
        if (endShown) showAppendedText(oldEnd);
    }
    if (endShown && appendsGrowth) showLastLine();
    SendMessageW(control, EM_SETMODIFY, editedByUser, 0);
    if (!appendsGrowth) progress.show(timerWindow, name, fileBytes - source.bytesLeft, fileBytes);

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

// The load is over: what is shown is kept for following the file, the file is closed, the
// control gets its undo back, and a file that could not be read whole, or that changed
// meanwhile otherwise than by growing, is reported.
void FileLoad::end() {
    keepShownFile();
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
    } else if (mixed) {
        showWarning(changedWhileLoading, name);
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
    if (!mayScroll(message)) return CallWindowProcW(ownProc, window, message, wParam, lParam);
    // While text arrives, the control's own shifting of what is on screen does not always match
    // its place: a scroll draws the whole view again.
    const POINT before = scrollPositionOf(window);
    const LRESULT result = CallWindowProcW(ownProc, window, message, wParam, lParam);
    const POINT after = scrollPositionOf(window);
    if (before.x != after.x || before.y != after.y) InvalidateRect(window, nullptr, FALSE);
    return result;
}

// What is shown of the file is noted from the start: its version, its first bytes as the load
// reads them, and, in pieces, where the pieces stop so that the last bytes can go in apart.
void FileLoad::startShownFile(bool inPieces) {
    text = textOf(source.format);
    follows = inPieces;
    showsWholeFile = false;
    appendsGrowth = false;
    mixed = false;
    heldBackCharacters = 0;
    shown = {};
    stampOf(file, shown.stamp);
    readTo = source.bytesLeft;
    shown.start = bytesAt(file, 0, std::min<std::uint64_t>(readTo, checkedBytes));
    shown.settled = follows ? settledOffset(0, readTo) : readTo;
    source.bytesLeft = shown.settled;
}

// Where, in the bytes [from, to) about to be shown, a later append may go on: `from` is such a
// place, and only the last few bytes can be held back, unless they are a long run of CRs.
std::uint64_t FileLoad::settledOffset(std::uint64_t from, std::uint64_t to) const {
    for (std::uint64_t back = 64;; back *= 4) {
        std::uint64_t at = to - std::min(to - from, back);
        if (text == FileText::utf16 && at % 2 != 0) ++at;
        const std::vector<unsigned char> bytes = bytesAt(file, at, to - at);
        const std::size_t settled = settledLength(bytes.data(), bytes.size(), text);
        if (settled > 0 || at <= from) return at + settled;
    }
}

// Once the pieces have reached shown.settled, the bytes after it go in as a stream of their
// own, so that the next append can take back just their characters.
void FileLoad::streamHeldBackBytes() {
    if (!fileEnded || source.bytesLeft != 0 || readError != 0 || tooLarge || shown.settled >= readTo) return;
    CHARRANGE selection = {};
    SendMessageW(control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    POINT scrolled = {};
    SendMessageW(control, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
    const LONG before = characterCount(control);
    CHARRANGE atEnd = {-1, -1};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&atEnd));
    source.bytesLeft = readTo - shown.settled;
    fileEnded = false;
    characters += stream(UINT64_MAX, SFF_SELECTION);
    heldBackCharacters = characterCount(control) - before;
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendMessageW(control, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scrolled));
}

// Once all that was to be read is in, what is shown is kept for following the file, after a
// look at the file as it is now: one that changed otherwise than by growing meanwhile is no
// longer followed, and the user is told, as the text may mix two versions.
void FileLoad::keepShownFile() {
    showsWholeFile = false;
    if (tooLarge || readError != 0) return;
    shown.end = readTo;
    const std::uint64_t lastLength = std::min<std::uint64_t>(readTo, checkedBytes);
    shown.last = bytesAt(file, readTo - lastLength, lastLength);
    const HANDLE current = openShared(name);
    if (current != INVALID_HANDLE_VALUE) {
        FileStamp now;
        mixed = changeOf(shown, current, now) == FileChange::changed;
        CloseHandle(current);
    }
    // A file that cannot be opened now is looked at again by the follow.
    showsWholeFile = follows && !mixed;
}

void FileLoad::appendGrowth(HANDLE grown, const FileStamp& now) {
    cancel();
    file = grown;
    source = {file, source.format, 0};
    LARGE_INTEGER at = {};
    at.QuadPart = static_cast<LONGLONG>(shown.settled);
    SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    readTo = now.size;
    const std::uint64_t settled = settledOffset(shown.settled, readTo);
    source.bytesLeft = settled - shown.settled;
    shown.stamp = now;
    shown.settled = settled;
    showsWholeFile = false;
    fileEnded = false;
    readError = 0;
    editedByUser = false;
    appendsGrowth = true;
    SendMessageW(control, EM_SETUNDOLIMIT, 0, 0);
    appendPiece(nextShare);
    if (pending()) SetTimer(timerWindow, timerId, USER_TIMER_MINIMUM, nullptr);
}

void FileLoad::takeSavedFile(const wchar_t* savedName, StreamFormat format) {
    lstrcpynW(name, savedName, MAX_PATH + 1);
    mixed = false;
    showsWholeFile = false;
    if (pending() || tooLarge || format == StreamFormat::richText) return;
    const HANDLE saved = openShared(name);
    if (saved == INVALID_HANDLE_VALUE) return;
    source.format = format;
    units = format == StreamFormat::plainText ? TextUnits::bytes : TextUnits::utf16;
    text = textOf(format);
    shown = {};
    heldBackCharacters = 0;
    if (stampOf(saved, shown.stamp)) {
        shown.end = shown.settled = shown.stamp.size;
        const std::uint64_t checked = std::min<std::uint64_t>(shown.end, checkedBytes);
        shown.start = bytesAt(saved, 0, checked);
        shown.last = bytesAt(saved, shown.end - checked, checked);
        showsWholeFile = true;
    }
    CloseHandle(saved);
}

// A reader who saw the end of the text before an append of the followed file sees its new end.
void FileLoad::showLastLine() const { SendMessageW(control, WM_VSCROLL, SB_BOTTOM, 0); }
