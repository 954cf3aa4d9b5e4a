// Find Next over a copy of the text control's characters, held and kept up with the text, which
// finds candidates far faster than the control scans its own text. Unless the candidate is
// beyond doubt, the control then searches from just before it, so that what is found is exactly
// what the control would find. A downward search in a file still loading waits for the pieces
// that follow when the text so far holds no match, on a timer of the main window. The copy grows
// with the load's pieces, and Copy reads the selection from it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

#include "text_finder.h"

class TextSearch {
public:
    // The identifier of the main window's timer that takes a waiting search on.
    static constexpr UINT_PTR timerId = 0x4653;

    enum class Outcome { found, notFound, waiting, dropped };
    struct Result {
        Outcome outcome;
        LONG position;
        LONG length;
    };

    TextSearch() = default;
    ~TextSearch();
    TextSearch(const TextSearch&) = delete;
    TextSearch& operator=(const TextSearch&) = delete;

    // Finds `needle` in `control` as EM_FINDTEXT does with `flags` (FR_DOWN, FR_MATCHCASE,
    // FR_WHOLEWORD) from `start` to the end of the text, or up to the start. With `moreToCome`
    // a downward search that finds nothing yet waits, and goes on with resume() on the timer
    // `timerId` of `timerWindow`.
    Result find(HWND control, HWND timerWindow, const wchar_t* needle, WPARAM flags, LONG start,
                bool moreToCome);
    // Searches what came since, for a waiting search; dropped when `control` is another control
    // than the one searched (the text was replaced).
    Result resume(HWND control, bool moreToCome);
    // Ends a waiting search, if any.
    void stop();
    bool waiting() const { return timerWindow != nullptr; }

    // Takes in the text appended to `control` since the copy was last brought up, as the pieces of
    // a load arrive, so that the first search after a long load copies little of it. Each reading
    // walks the control's text from its start (about 19 ms at 10 million characters), so the copy
    // is brought up only once the new text is a quarter of what it holds. A new control is copied
    // from its start; a copy an edit made stale is left to be taken again by the next search.
    void takeAppended(HWND control);
    // The units from `from` to `to` (or the end) of `control`'s text, read from the copy, when it
    // is up to date: the control's own reading of a range walks its text run by run (about 95 ms
    // for 10 MiB, against a few for the copy).
    std::optional<std::u16string_view> heldRange(HWND control, LONG from, LONG to);
    // The text changed other than at its end (an edit): the copy is taken again when next needed.
    void forgetText() { edited = true; }
    // The memory held for the copy of the text.
    std::size_t heldBytes() const { return committed; }

private:
    void follow(HWND control);
    void followUnlessEdited(HWND control) {
        if (!edited || control != copied) follow(control);
    }
    void takeRange(HWND control, LONG from, LONG to);
    bool holdRoom(std::size_t units);
    void release();
    std::u16string_view text() const { return {base, held}; }
    Result searchDown(LONG end);
    Result searchUp();
    bool isCertain(std::size_t candidate) const;
    LONG controlFinds(LONG from, LONG to) const;

    // The copy: units of the control's text in reserved address space, committed as it grows.
    char16_t* base = nullptr;
    std::size_t committed = 0;
    std::size_t held = 0;
    HWND copied = nullptr;
    bool edited = false;

    std::optional<CaseFold> fold;
    std::optional<FindPattern> pattern;
    std::u16string needle;
    WPARAM flags = 0;
    HWND searched = nullptr;
    LONG start = 0;
    std::size_t resumeAt = 0;
    HWND timerWindow = nullptr;
};
