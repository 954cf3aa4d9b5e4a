// A file on its way into the text control. The first piece goes in at once, so that text shows
// at once; the rest is appended at the end in slices of a few tens of milliseconds, each started
// by a timer of the main window. Timer messages come only when no input or paint is waiting, so
// the window keeps answering while a large file loads. RTF goes in as one stream: a piece of
// RTF is not a document.
//
// The load is invisible to the rest of the program: the reader's selection and scroll position
// stay put while text arrives, appends leave no undo step and do not count as changes, and a
// command that needs the whole text asks for it with finishAnswering(). Once the file is in, what a
// followed file gains is appended the same way (appendGrowth, view/file_follow.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "load_pieces.h"
#include "load_progress.h"
#include "reading_place.h"
#include "shown_file.h"
#include "stream_callbacks.h"

class FileLoad {
public:
    // The identifier of the main window's timer that drives the slices.
    static constexpr UINT_PTR timerId = 0x4C4F;

    FileLoad() = default;
    ~FileLoad();
    FileLoad(const FileLoad&) = delete;
    FileLoad& operator=(const FileLoad&) = delete;

    // Takes over `file`, open for reading, and streams its first piece (all of it for RTF) into
    // `control`, replacing its text. The rest follows on the timer `timerId` of `timerWindow`.
    // `name` is the file's name for the warnings. Gives the number of characters read.
    LRESULT start(HWND control, HWND timerWindow, HANDLE file, StreamFormat format,
                  const wchar_t* name);
    // Appends one slice; the main window calls it for its timer.
    void onTimer();
    // Appends all that is left at once.
    void finish();
    // Appends all that is left while the window goes on answering: input and paint are handled
    // between slices, commands are ignored as under a message box (Exit excepted), and the pointer
    // over the text shows the wait. Gives false when the window went away meanwhile.
    bool finishAnswering();
    // Appends until the control holds `place`, or the file is in.
    void loadThrough(const ReadingPlace& place, PlaceBy by);
    // Drops what is left and closes the file.
    void cancel();

    bool pending() const { return file != nullptr; }
    // Whether a piece after the first is being appended: the text changes then only at its end.
    bool appending() const { return appendingPiece; }

    // What the control shows of the file, once all of it that was there is in: nothing while
    // pieces remain, after a load that stopped short or found the file changed, and for RTF or
    // plain text with the UTF-8 byte-order mark, which go in as one stream.
    const ShownFile* shownFile() const { return showsWholeFile ? &shown : nullptr; }
    // Appends what `grown`, the shown file that has grown to `now`, holds beyond what is shown,
    // through the same pieces as the load, and takes the file over. A reader who saw the end of
    // the text sees the new end.
    void appendGrowth(HANDLE grown, const FileStamp& now);
    // The shown file is as it was, only its stamp is `now`.
    void keepStamp(const FileStamp& now) { shown.stamp = now; }
    // The text was saved as the file `savedName` in `format`: it shows that file from now on.
    void takeSavedFile(const wchar_t* savedName, StreamFormat format);
    // The file changed otherwise than by growing while it loaded: the text may mix two versions.
    bool showsMix() const { return mixed; }
    const wchar_t* fileName() const { return name; }
    // The load stopped short, for want of memory or on a read error: the control holds only
    // the file's beginning.
    bool showsPart() const { return tooLarge || (readError != 0 && !pending()); }
    // The file did not fit in memory.
    bool outgrewMemory() const { return tooLarge; }
    // Takes no more memory than `bytes` for a load, whatever the system has left; for tests.
    void limitMemory(std::uint64_t bytes) { memoryLimit = bytes; }

private:
    static DWORD CALLBACK readPiece(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* moved);
    static LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    DWORD readInto(LPBYTE buffer, LONG requested, LONG* moved);
    bool memoryAllowsMore();
    LRESULT stream(std::uint64_t share, WPARAM flags);
    void appendPiece(std::size_t share);
    LRESULT lastShownCharacter() const;
    void showAppendedText(LONG oldEnd) const;
    void end();
    void showBusyCursor(bool busy);
    void refreshCursor() const;
    void startShownFile(bool inPieces);
    std::uint64_t settledOffset(std::uint64_t from, std::uint64_t to) const;
    void streamHeldBackBytes();
    void keepShownFile();
    void showLastLine() const;

    HWND control = nullptr;
    HWND timerWindow = nullptr;
    HANDLE file = nullptr;
    StreamSource source = {nullptr, StreamFormat::plainText};
    std::uint64_t fileBytes = 0;
    LoadProgress progress;
    TextUnits units = TextUnits::bytes;
    wchar_t name[MAX_PATH + 1] = {};

    // The piece being streamed: its share of the file, what it has taken, and whether it has
    // ended; the bytes read beyond its end wait for the next piece.
    std::uint64_t pieceShare = 0;
    std::uint64_t pieceTaken = 0;
    bool pieceEnded = false;
    std::vector<unsigned char> carried;
    std::size_t nextShare = 0;
    bool firstPieceStreaming = false;
    bool appendingPiece = false;
    // A wrapping control lays out a line at a cost in memory that grows with the square of the
    // line's length (about 400 MB for 64,000 characters, 1.5 GB for 128,000, more than 20 GB for
    // 5 MB, under Wine), and that memory shows only once the append is over. So in a wrapping
    // control every piece may cut a line and the memory is looked at before each piece: the
    // budget ends the load of such a line before the system runs out of memory.
    bool wrapping = false;

    bool fileEnded = false;
    DWORD readError = 0;
    LRESULT characters = 0;
    bool editedByUser = false;
    bool waitedFor = false;

    bool tooLarge = false;
    std::uint64_t memoryLimit = UINT64_MAX;
    std::uint64_t memoryBudget = 0;
    std::uint64_t memoryAtStart = 0;
    std::uint64_t bytesLoaded = 0;
    std::uint64_t bytesSinceCheck = 0;

    WNDPROC controlOwnProc = nullptr;

    // What is shown of the file, to follow it once it is in: the pieces read up to where a later
    // append may go on (shown.settled), and the bytes after it, up to `readTo`, go in as a stream
    // of their own, whose `heldBackCharacters` that append replaces.
    ShownFile shown;
    FileText text = FileText::bytes;
    bool follows = false;
    bool showsWholeFile = false;
    std::uint64_t readTo = 0;
    LONG heldBackCharacters = 0;
    // This append brings what a followed file gained.
    bool appendsGrowth = false;
    bool mixed = false;
};
