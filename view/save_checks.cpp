#include "save_checks.h"

#include <richedit.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "../app/message_box.h"

namespace {

const wchar_t plainTextQuestion[] =
    L"The text holds characters that plain text cannot store; they would be saved as '?'. Save anyway?";
const wchar_t richTextQuestion[] =
    L"The text holds characters that would be saved in Rich Text Format as other, similar "
    L"characters. Save anyway?";

// Characters of this many kinds are enough to tell whether the control writes look-alikes.
constexpr std::size_t lookAlikesTried = 64;

enum class Fit : unsigned char { unknown, exact, lookAlike, none };

// How the ANSI code page holds one UTF-16 unit: as itself, only as a look-alike, or not at all.
Fit fitOf(wchar_t unit) {
    char bytes[8];
    BOOL usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, sizeof bytes, nullptr, &usedDefault);
    if (!usedDefault) return Fit::exact;
    usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, 0, &unit, 1, bytes, sizeof bytes, nullptr, &usedDefault);
    return usedDefault ? Fit::none : Fit::lookAlike;
}

// What the ANSI code page makes of a text: whether it holds every character as itself, and the
// characters it has only look-alikes for (distinct, at most lookAlikesTried). Fed piece by piece;
// each distinct character is converted once.
class AnsiFit {
public:
    void take(const wchar_t* units, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const wchar_t unit = units[i];
            if (unit < 0x80) continue;
            Fit& fit = fits[unit];
            const bool firstSeen = fit == Fit::unknown;
            if (firstSeen) fit = fitOf(unit);
            if (fit == Fit::exact) continue;
            allExact = false;
            if (firstSeen && fit == Fit::lookAlike && lookAlikes.size() < lookAlikesTried) {
                lookAlikes.push_back(unit);
            }
        }
    }

    bool allExact = true;
    std::wstring lookAlikes;

private:
    std::array<Fit, 0x10000> fits{};
};

DWORD CALLBACK takeUnits(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* moved) {
    reinterpret_cast<AnsiFit*>(cookie)->take(reinterpret_cast<const wchar_t*>(buffer),
                                             static_cast<std::size_t>(count) / sizeof(wchar_t));
    *moved = count;
    return 0;
}

// The control hands its text over as UTF-16 in pieces: no copy of the whole text is made.
std::unique_ptr<AnsiFit> ansiFitOf(HWND control) {
    auto fit = std::make_unique<AnsiFit>();
    if (GetACP() == CP_UTF8) return fit;
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(fit.get()), 0, takeUnits};
    SendMessageW(control, EM_STREAMOUT, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
    return fit;
}

std::wstring textOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

DWORD CALLBACK appendBytes(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* moved) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(count));
    *moved = count;
    return 0;
}

struct Bytes {
    const std::string& all;
    std::size_t next;
};

DWORD CALLBACK takeBytes(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* moved) {
    auto* bytes = reinterpret_cast<Bytes*>(cookie);
    const std::size_t taken = std::min(static_cast<std::size_t>(count), bytes->all.size() - bytes->next);
    bytes->all.copy(reinterpret_cast<char*>(buffer), taken, bytes->next);
    bytes->next += taken;
    *moved = static_cast<LONG>(taken);
    return 0;
}

// Writes `characters` as Rich Text Format from a scratch control like `control` and reads them
// back; gives whether they came back as they were.
bool richTextKeeps(HWND control, HFONT font, const std::wstring& characters) {
    const HWND scratch = CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"RichEdit20W", L"", WS_CHILD | ES_MULTILINE,
                                         0, 0, 0, 0, GetParent(control), nullptr,
                                         reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(control, GWLP_HINSTANCE)),
                                         nullptr);
    if (scratch == nullptr) return true;  // nothing to tell by: the save goes on as it always did
    SendMessageW(scratch, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    SetWindowTextW(scratch, characters.c_str());
    std::string rtf;
    EDITSTREAM out = {reinterpret_cast<DWORD_PTR>(&rtf), 0, appendBytes};
    SendMessageW(scratch, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&out));
    Bytes source = {rtf, 0};
    EDITSTREAM in = {reinterpret_cast<DWORD_PTR>(&source), 0, takeBytes};
    SendMessageW(scratch, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&in));
    std::wstring back = textOf(scratch);
    DestroyWindow(scratch);
    while (!back.empty() && (back.back() == L'\r' || back.back() == L'\n')) back.pop_back();
    return back == characters;
}

}  // namespace

bool confirmCharactersKept(HWND control, HFONT font, StreamFormat format) {
    if (format != StreamFormat::plainText && format != StreamFormat::richText) return true;
    const std::unique_ptr<AnsiFit> fit = ansiFitOf(control);
    if (format == StreamFormat::plainText) {
        return fit->allExact || askYesNoDefaultNo(plainTextQuestion) == IDYES;
    }
    return fit->lookAlikes.empty() || richTextKeeps(control, font, fit->lookAlikes) ||
           askYesNoDefaultNo(richTextQuestion) == IDYES;
}
