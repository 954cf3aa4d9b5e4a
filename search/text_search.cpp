#include "text_search.h"

#include <richedit.h>

#include <algorithm>
#include <vector>

#include "../view/reading_place.h"

namespace {

// More than the characters a followed file's end may hold back: a CR, a cut UTF-8 sequence, a
// cut surrogate pair.
constexpr std::size_t endUnitsTakenAgain = 16;

// Room reserved for the copy: the most characters a control can hold, two bytes each.
constexpr std::size_t reservedBytes = std::size_t{0x80000000} * sizeof(char16_t);
// Memory for the copy is committed in steps of this many bytes.
constexpr std::size_t commitStep = 1 << 20;
// How many characters before a candidate the control begins its search: enough for its word
// test to see what it would have read there in a search from further away.
constexpr LONG wordLookBehind = 3;
constexpr UINT resumeMilliseconds = 30;
// The copy takes in appended text once it is this share of what the copy holds.
constexpr std::size_t appendedShareTaken = 4;

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

std::size_t unitsIn(HWND control) { return static_cast<std::size_t>(std::max<LONG>(characterCount(control), 0)); }

CaseFold systemCaseFold() {
    std::vector<wchar_t> upper(0x10000), lower(0x10000);
    for (std::size_t i = 0; i < upper.size(); ++i) upper[i] = lower[i] = static_cast<wchar_t>(i);
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    return CaseFold(reinterpret_cast<const char16_t*>(upper.data()),
                    reinterpret_cast<const char16_t*>(lower.data()));
}

}  // namespace

TextSearch::~TextSearch() {
    stop();
    release();
}

TextSearch::Result TextSearch::find(HWND control, HWND timerOwner, const wchar_t* what,
                                    WPARAM findFlags, LONG from, bool moreToCome) {
    stop();
    follow(control);
    if (!fold) fold.emplace(systemCaseFold());
    needle = reinterpret_cast<const char16_t*>(what);
    flags = findFlags & (FR_DOWN | FR_MATCHCASE | FR_WHOLEWORD);
    pattern.emplace(needle, (flags & FR_MATCHCASE) != 0, *fold);
    searched = control;
    start = from;
    if (!(flags & FR_DOWN)) return searchUp();
    resumeAt = static_cast<std::size_t>(std::max<LONG>(start, 0));
    const Result result = searchDown(static_cast<LONG>(decidedEnd(held, moreToCome, flags & FR_WHOLEWORD)));
    if (result.outcome == Outcome::notFound && moreToCome) {
        timerWindow = timerOwner;
        SetTimer(timerWindow, timerId, resumeMilliseconds, nullptr);
        return {Outcome::waiting, -1, 0};
    }
    return result;
}

TextSearch::Result TextSearch::resume(HWND control, bool moreToCome) {
    if (!waiting()) return {Outcome::dropped, -1, 0};
    if (control != searched) {
        stop();
        return {Outcome::dropped, -1, 0};
    }
    const std::size_t before = held;
    follow(control);
    if (held == before && moreToCome) return {Outcome::waiting, -1, 0};
    const Result result = searchDown(static_cast<LONG>(decidedEnd(held, moreToCome, flags & FR_WHOLEWORD)));
    if (result.outcome == Outcome::notFound && moreToCome) return {Outcome::waiting, -1, 0};
    stop();
    return result;
}

void TextSearch::stop() {
    if (timerWindow != nullptr) KillTimer(timerWindow, timerId);
    timerWindow = nullptr;
}

// Brings the copy up to the control's text: a new control or an edit takes it whole again,
// text appended at the end adds only the new part.
void TextSearch::follow(HWND control) {
    const std::size_t length = unitsIn(control);
    if (control == copied && !edited && length == held) return;
    const bool appended = control == copied && !edited && length > held;
    // The last units held are taken again: the follow of a growing file streams its last few
    // characters again with what came after them, and the first of these units shows whether
    // the text before the end stayed.
    const std::size_t from = appended && held > endUnitsTakenAgain ? held - endUnitsTakenAgain : 0;
    const char16_t last = from > 0 ? base[from] : u'\0';
    if (!holdRoom(length)) {
        held = 0;
        copied = nullptr;
        return;
    }
    takeRange(control, static_cast<LONG>(from), static_cast<LONG>(length));
    if (from > 0 && base[from] != last) takeRange(control, 0, static_cast<LONG>(length));
    held = length;
    copied = control;
    edited = false;
}

void TextSearch::takeAppended(HWND control) {
    const std::size_t length = unitsIn(control);
    if (control == copied && length - std::min(length, held) < held / appendedShareTaken) return;
    followUnlessEdited(control);
}

std::optional<std::u16string_view> TextSearch::heldRange(HWND control, LONG from, LONG to) {
    followUnlessEdited(control);
    const bool current = control == copied && !edited && held == unitsIn(control);
    if (!current || from < 0 || to < from) return std::nullopt;
    // A selection of everything ends past the last paragraph's end, which the text does not hold.
    return text().substr(std::min(static_cast<std::size_t>(from), held), static_cast<std::size_t>(to - from));
}

// One message for the whole range: each one walks the control's text from its start.
void TextSearch::takeRange(HWND control, LONG from, LONG to) {
    if (to <= from) return;
    TEXTRANGEW range = {{from, to}, reinterpret_cast<LPWSTR>(base + from)};
    SendMessageW(control, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
}

// Commits room for `units` units and their terminator; memory beyond it is given back.
bool TextSearch::holdRoom(std::size_t units) {
    if (base == nullptr) {
        base = static_cast<char16_t*>(VirtualAlloc(nullptr, reservedBytes, MEM_RESERVE, PAGE_NOACCESS));
        if (base == nullptr) return false;
    }
    const std::size_t bytes = (units + 1) * sizeof(char16_t);
    const std::size_t wanted = (bytes + commitStep - 1) / commitStep * commitStep;
    if (wanted > committed) {
        if (VirtualAlloc(reinterpret_cast<char*>(base) + committed, wanted - committed, MEM_COMMIT,
                         PAGE_READWRITE) == nullptr) {
            return false;
        }
    } else if (wanted < committed) {
        VirtualFree(reinterpret_cast<char*>(base) + wanted, committed - wanted, MEM_DECOMMIT);
    }
    committed = wanted;
    return true;
}

void TextSearch::release() {
    if (base != nullptr) VirtualFree(base, 0, MEM_RELEASE);
    base = nullptr;
    committed = held = 0;
    copied = nullptr;
}

// The nearest candidate in the copy tells where the control's own search can begin: nothing
// before it can match. The control begins a little before it (after it, upwards), so that it
// judges words there exactly as in a search from the start: its word test looks at what it
// read just before. A candidate it refuses costs what its own search from there costs.
TextSearch::Result TextSearch::searchDown(LONG end) {
    const std::size_t length = pattern->length();
    const auto candidate = pattern->next(text(), resumeAt, static_cast<std::size_t>(end));
    resumeAt = resumeFrom(static_cast<std::size_t>(std::max<LONG>(start, 0)), static_cast<std::size_t>(end), length);
    if (!candidate) return {Outcome::notFound, -1, 0};
    if (isCertain(*candidate)) return {Outcome::found, static_cast<LONG>(*candidate), static_cast<LONG>(length)};
    const LONG from = std::max<LONG>(start, static_cast<LONG>(*candidate) - wordLookBehind);
    const LONG found = controlFinds(from, end);
    if (found < 0) return {Outcome::notFound, -1, 0};
    return {Outcome::found, found, static_cast<LONG>(length)};
}

// Up from the start: a match ends at the start or before it.
TextSearch::Result TextSearch::searchUp() {
    const std::size_t length = pattern->length();
    const auto candidate = pattern->previous(text(), static_cast<std::size_t>(std::max<LONG>(start, 0)));
    if (!candidate) return {Outcome::notFound, -1, 0};
    if (isCertain(*candidate)) return {Outcome::found, static_cast<LONG>(*candidate), static_cast<LONG>(length)};
    const LONG from = std::min<LONG>(start, static_cast<LONG>(*candidate + length) + wordLookBehind);
    const LONG found = controlFinds(from, -1);
    if (found < 0) return {Outcome::notFound, -1, 0};
    return {Outcome::found, found, static_cast<LONG>(length)};
}

// Whether the control finds the candidate for sure, without asking it (which walks its text up to
// the candidate): the copy holds the control's own characters, and without whole words the
// control compares them one by one, exactly, or ignoring case, which is beyond doubt for ASCII.
// Its word test is left to it.
bool TextSearch::isCertain(std::size_t candidate) const {
    if (flags & FR_WHOLEWORD) return false;
    return (flags & FR_MATCHCASE) || isAscii(text().substr(candidate, pattern->length()));
}

// The control's own search from `from` towards `to`, in the search's direction. The control is
// a Unicode window, so EM_FINDTEXT takes the wide request.
LONG TextSearch::controlFinds(LONG from, LONG to) const {
    FINDTEXTW request = {{from, (flags & FR_DOWN) ? to : -1}, wide(needle.c_str())};
    return static_cast<LONG>(SendMessageW(searched, EM_FINDTEXT, flags, reinterpret_cast<LPARAM>(&request)));
}
