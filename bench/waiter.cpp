// Starts a program and measures how long it takes to be ready: from CreateProcess until a
// visible top-level window of that process has a caption containing NEEDLE and has answered a
// WM_NULL round trip. Then it runs the given steps in order, and it reports the process's peak
// working set before ending the process.
//
//   waiter.exe [--timeout SECONDS] [--query-load] [--rhythm MS] [--whole CHARS] [STEP]...
//              NEEDLE -- COMMAND LINE
//   --whole CHARS          also follow the first load: the time to the first text (the window
//                          found and its text control holding some text) and to the whole text
//                          (the control's length reaching CHARS and staying there), and the
//                          window's answers to WM_NULL in between, sent every --rhythm MS
//                          (default 20)
//   STEP: --command ID     send WM_COMMAND ID and time the round trip (followed by a WM_NULL
//                          round trip, so that the window is idle again)
//         --reload ID CHARS  send WM_COMMAND ID and follow the load it starts, as --whole does
//                          for the first one (times from sending the command)
//         --place CHAR     put the caret at character CHAR of the text control (-1: its end)
//                          and scroll it into view, as a reader would before a reload
//         --copy SRC DST   copy a file over another (to have a program reload other contents)
//         --select FROM TO select characters FROM to TO of the text control (TO -1: to the end)
//         --find TEXT FLAGS  Find Next as the Find dialog asks for it (FINDMSGSTRING to the main
//                          window, FLAGS as FINDREPLACE's: 1 down, 4 match case, 2 whole word);
//                          a message box that comes (nothing found) is timed and closed
//         --control-find TEXT FLAGS  EM_FINDTEXTW from the top to the end, to the text control
//         --control-copy   WM_COPY to the text control
//
// Prints one line of key=value pairs: ready_ms, peak_kb (at ready), chars (length of the text
// in the window's edit or rich edit control); with --whole first_ms, whole_ms, peak_whole_kb and
// the answer times lat_n, lat_p50, lat_p95, lat_max (ms); for the K-th command or reload sK_cmd,
// sK_ms and sK_chars, and for a reload also sK_first_ms, sK_whole_ms, sK_peak_whole_kb,
// sK_lat_*, and the reader's place (first visible character, selection start and end) before
// the command, at its first text and at its whole text: sK_place_before, sK_place_first,
// sK_place_whole; then peak_end_kb; and with --query-load load_us / sK_load_us and load_cpu_us /
// sK_load_cpu_us, the probe's own timing of its last load and the CPU time of it (WM_APP+1,
// WM_APP+2). Exit status 0, or 1 with error=... when the program did not become ready, did not
// answer, its text did not reach the length expected or a step failed.
#include <windows.h>
#include <psapi.h>
#include <richedit.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

constexpr UINT queryLastLoad = WM_APP + 1;
constexpr UINT queryLastLoadCpu = WM_APP + 2;
// How long the whole text's length must stay as it is before the load counts as done.
constexpr double settleMs = 100;

LONGLONG now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double millisecondsBetween(LONGLONG start, LONGLONG end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end - start) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double millisecondsSince(LONGLONG start) { return millisecondsBetween(start, now()); }

struct Search {
    DWORD processId;
    const wchar_t* needle;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM cookie) {
    auto* search = reinterpret_cast<Search*>(cookie);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t caption[512] = {};
    // Reads the caption the system keeps, without a message to the (possibly busy) program.
    InternalGetWindowText(window, caption, 512);
    if (std::wcsstr(caption, search->needle) == nullptr) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK matchTextControl(HWND window, LPARAM cookie) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (lstrcmpiW(className, L"RichEdit20W") != 0 && lstrcmpiW(className, L"RichEdit50W") != 0 &&
        lstrcmpiW(className, L"Edit") != 0) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(cookie) = window;
    return FALSE;
}

HWND textControlOf(HWND window) {
    HWND control = nullptr;
    EnumChildWindows(window, matchTextControl, reinterpret_cast<LPARAM>(&control));
    return control;
}

SIZE_T peakKilobytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize / 1024;
}

enum class StepKind { command, reload, place, copy, select, find, controlFind, controlCopy };

struct Step {
    StepKind kind;
    WORD command;           // command and reload
    long long number;       // reload: the characters expected; place: the caret's character
    const wchar_t* source;  // copy; find: the text
    const wchar_t* target;
    long long to = 0;       // select
};

// Sends `message` and gives the answer, or -1 when the window did not answer in time.
long long answerOf(HWND window, UINT message, UINT timeoutMs, WPARAM wParam = 0,
                   LPARAM lParam = 0) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeoutMs, &answer)) {
        return -1;
    }
    return static_cast<long long>(answer);
}

// Waits until the program has drawn what a step changed: a repaint of a large text costs the
// control up to a tenth of a second, which would otherwise count towards the step after. The
// program has done so once it answers at once twice running, with pauses for its paint between.
bool settle(HWND window, UINT timeoutMs) {
    for (int quick = 0; quick < 2;) {
        Sleep(50);
        const LONGLONG sent = now();
        if (answerOf(window, WM_NULL, timeoutMs) < 0) return false;
        quick = millisecondsSince(sent) < 2 ? quick + 1 : 0;
    }
    return true;
}

// The probe's own timing of its last load: load_us and load_cpu_us, after `prefix`.
void printLoadTimes(const char* prefix, HWND window, UINT timeoutMs) {
    std::printf(" %sload_us=%lld %sload_cpu_us=%lld", prefix,
                answerOf(window, queryLastLoad, timeoutMs), prefix,
                answerOf(window, queryLastLoadCpu, timeoutMs));
}

// The length of the text in a control, or -1.
long long lengthOf(HWND control, UINT timeoutMs) {
    if (control == nullptr) return -1;
    return answerOf(control, WM_GETTEXTLENGTH, timeoutMs);
}

long long textLength(HWND window, UINT timeoutMs) { return lengthOf(textControlOf(window), timeoutMs); }

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// What a reader sees of the text: its first visible character and the selection. The selection
// is read through memory in the program's own address space, as the control writes it there.
struct Place {
    long long firstVisible = -1;
    long long selectionStart = -1;
    long long selectionEnd = -1;
};

class Target {
public:
    Target(const PROCESS_INFORMATION& process, UINT timeoutMs)
        : process_(process.hProcess), timeoutMs_(timeoutMs) {}
    ~Target() {
        if (remote_ != nullptr) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    Place placeOf(HWND control) {
        Place place;
        const long long line = answerOf(control, EM_GETFIRSTVISIBLELINE, timeoutMs_);
        if (line >= 0) place.firstVisible = answerOf(control, EM_LINEINDEX, timeoutMs_, line);
        if (remote_ == nullptr) {
            remote_ = VirtualAllocEx(process_, nullptr, sizeof(CHARRANGE), MEM_COMMIT, PAGE_READWRITE);
        }
        CHARRANGE range = {-1, -1};
        if (remote_ != nullptr &&
            answerOf(control, EM_EXGETSEL, timeoutMs_, 0, reinterpret_cast<LPARAM>(remote_)) >= 0) {
            ReadProcessMemory(process_, remote_, &range, sizeof range, nullptr);
        }
        place.selectionStart = range.cpMin;
        place.selectionEnd = range.cpMax;
        return place;
    }

private:
    HANDLE process_;
    UINT timeoutMs_;
    void* remote_ = nullptr;
};

void printPlace(const char* prefix, const char* name, const Place& place) {
    std::printf(" %splace_%s=%lld,%lld,%lld", prefix, name, place.firstVisible,
                place.selectionStart, place.selectionEnd);
}

// Follows a load from its first text to its whole text, sending WM_NULL at a steady rhythm.
class LoadFollower {
public:
    LoadFollower(HWND window, HANDLE process, UINT timeoutMs, double rhythmMs, double deadlineMs)
        : window_(window), process_(process), timeoutMs_(timeoutMs), rhythmMs_(rhythmMs),
          deadlineMs_(deadlineMs) {}

    // Waits until the window's text control is another one than `previous` (or holds another
    // length) and holds some text. Gives false when that does not happen in time.
    bool waitForFirstText(LONGLONG start, HWND previous, long long previousLength) {
        while (millisecondsSince(start) < deadlineMs_) {
            control_ = textControlOf(window_);
            const long long length = lengthOf(control_, timeoutMs_);
            if (length > 0 && (control_ != previous || length != previousLength)) {
                firstMs_ = millisecondsSince(start);
                lastLength_ = length;
                return true;
            }
            if (WaitForSingleObject(process_, 2) == WAIT_OBJECT_0) return false;
        }
        return false;
    }

    // Waits until the control's length is `whole` and stays so for settleMs, measuring the
    // window's answers meanwhile. Gives the reason when it fails, else nullptr.
    const char* followToWholeText(LONGLONG start, long long whole) {
        LONGLONG nextTick = now();
        LONGLONG reached = 0;
        for (;;) {
            sleepUntil(nextTick);
            // A message sent while text was still missing counts as an answer during the load,
            // also when the window answers it only once the whole text is in.
            const bool loading = lastLength_ < whole;
            const LONGLONG sent = now();
            if (answerOf(window_, WM_NULL, timeoutMs_) < 0) return "no-answer";
            const LONGLONG answered = now();
            const long long length = lengthOf(control_, timeoutMs_);
            const LONGLONG measured = now();
            lastLength_ = length;
            if (loading) recordAnswers(nextTick, sent, answered, measured);
            if (length == whole) {
                if (reached == 0) {
                    reached = now();
                    wholeMs_ = millisecondsBetween(start, reached);
                    peakKb_ = peakKilobytes(process_);
                } else if (millisecondsSince(reached) >= settleMs) {
                    return nullptr;
                }
            } else if (reached != 0 || length > whole) {
                return "length-changed";
            }
            if (millisecondsSince(start) > deadlineMs_) return "whole-timeout";
            nextTick = nextTickAfter(nextTick, now());
        }
    }

    void print(const char* prefix) const {
        std::printf(" %sfirst_ms=%.1f %swhole_ms=%.1f %speak_whole_kb=%llu %slat_n=%zu"
                    " %slat_p50=%.1f %slat_p95=%.1f %slat_max=%.1f",
                    prefix, firstMs_, prefix, wholeMs_, prefix,
                    static_cast<unsigned long long>(peakKb_), prefix, answers_.size(),
                    prefix, percentile(answers_, 0.5), prefix,
                    percentile(answers_, 0.95), prefix, percentile(answers_, 1.0));
    }

    HWND control() const { return control_; }
    long long lastLength() const { return lastLength_; }

private:
    static void sleepUntil(LONGLONG tick) {
        const double wait = millisecondsBetween(now(), tick);
        if (wait > 0) Sleep(static_cast<DWORD>(wait));
    }

    // The answer to WM_NULL sent at `sent`, and for every later tick of the rhythm that fell
    // while it or the length's question after it was awaited, the wait a message sent at that
    // tick would have had until the window's next answer: a reader's clicks do not pause while
    // the window is busy.
    void recordAnswers(LONGLONG tick, LONGLONG sent, LONGLONG answered, LONGLONG measured) {
        answers_.push_back(millisecondsBetween(sent, answered));
        const double nullAnswer = millisecondsBetween(tick, answered);
        const double lengthAnswer = millisecondsBetween(tick, measured);
        for (double at = rhythmMs_; at < lengthAnswer; at += rhythmMs_) {
            answers_.push_back((at < nullAnswer ? nullAnswer : lengthAnswer) - at);
        }
    }

    LONGLONG nextTickAfter(LONGLONG tick, LONGLONG moment) const {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        const auto step = static_cast<LONGLONG>(rhythmMs_ * static_cast<double>(frequency.QuadPart) / 1000);
        do tick += step;
        while (tick <= moment);
        return tick;
    }

    HWND window_;
    HANDLE process_;
    UINT timeoutMs_;
    double rhythmMs_;
    double deadlineMs_;
    HWND control_ = nullptr;
    double firstMs_ = -1;
    double wholeMs_ = -1;
    SIZE_T peakKb_ = 0;
    long long lastLength_ = -1;
    std::vector<double> answers_;
};

// A dialog box of the process (a message box), if one is open.
struct BoxSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchBox(HWND window, LPARAM cookie) {
    auto* search = reinterpret_cast<BoxSearch*>(cookie);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (owner != search->processId || !IsWindowVisible(window) || lstrcmpW(className, L"#32770") != 0) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// Closes the first message box of the process that comes while a find runs, noting when.
struct BoxCloser {
    DWORD processId;
    volatile LONG stop;
    LONGLONG seenAt;
};

DWORD WINAPI closeBoxes(void* cookie) {
    auto* closer = static_cast<BoxCloser*>(cookie);
    while (!closer->stop) {
        BoxSearch search = {closer->processId, nullptr};
        EnumWindows(matchBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            if (closer->seenAt == 0) closer->seenAt = now();
            PostMessageW(search.found, WM_COMMAND, IDOK, 0);
        }
        Sleep(1);
    }
    return 0;
}

// Memory in the program's address space for a request that holds pointers.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, SIZE_T bytes)
        : process_(process), at_(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBlock() {
        if (at_ != nullptr) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    char* at() const { return static_cast<char*>(at_); }
    bool write(SIZE_T offset, const void* data, SIZE_T bytes) const {
        return at_ != nullptr && WriteProcessMemory(process_, at() + offset, data, bytes, nullptr);
    }

private:
    HANDLE process_;
    void* at_;
};

constexpr SIZE_T requestRoom = 512;

// Find Next as the Find dialog asks the main window; gives the milliseconds to the result (the
// box, when one came) or -1.
double findAsTheDialogAsks(HWND window, HANDLE process, DWORD processId, const Step& step,
                           UINT timeoutMs, bool* boxCame) {
    RemoteBlock block(process, requestRoom + 1024);
    FINDREPLACEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = window;
    request.Flags = FR_FINDNEXT | static_cast<DWORD>(step.number);
    request.lpstrFindWhat = reinterpret_cast<LPWSTR>(block.at() + requestRoom);
    request.wFindWhatLen = 256;
    if (!block.write(0, &request, sizeof request) ||
        !block.write(requestRoom, step.source, (lstrlenW(step.source) + 1) * sizeof(wchar_t))) {
        return -1;
    }
    BoxCloser closer = {processId, 0, 0};
    const HANDLE thread = CreateThread(nullptr, 0, closeBoxes, &closer, 0, nullptr);
    const LONGLONG sent = now();
    const long long answer = answerOf(window, RegisterWindowMessageW(FINDMSGSTRINGW), timeoutMs, 0,
                                      reinterpret_cast<LPARAM>(block.at()));
    const LONGLONG done = now();
    closer.stop = 1;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    if (answer < 0) return -1;
    *boxCame = closer.seenAt != 0;
    return millisecondsBetween(sent, closer.seenAt != 0 ? closer.seenAt : done);
}

// EM_FINDTEXTW from the top to the end; gives the position found, and the time in `ms`.
long long controlFinds(HWND control, HANDLE process, const Step& step, UINT timeoutMs, double* ms) {
    RemoteBlock block(process, requestRoom + 1024);
    // From one past the caret at the start, where Find Next from the top begins.
    FINDTEXTW request = {{1, -1}, reinterpret_cast<LPCWSTR>(block.at() + requestRoom)};
    if (!block.write(0, &request, sizeof request) ||
        !block.write(requestRoom, step.source, (lstrlenW(step.source) + 1) * sizeof(wchar_t))) {
        return -2;
    }
    const LONGLONG sent = now();
    const long long found = answerOf(control, EM_FINDTEXTW, timeoutMs, static_cast<WPARAM>(step.number),
                                     reinterpret_cast<LPARAM>(block.at()));
    *ms = millisecondsSince(sent);
    return found;
}

struct Options {
    double timeoutSeconds = 300;
    double rhythmMs = 20;
    long long whole = -1;
    bool queryLoad = false;
    std::vector<Step> steps;
    const wchar_t* needle = nullptr;
};

Options optionsOf(int argc, wchar_t** argv) {
    Options options;
    for (int i = 1; i < argc && lstrcmpW(argv[i], L"--") != 0; ++i) {
        const auto is = [&](const wchar_t* name, int values) {
            return lstrcmpW(argv[i], name) == 0 && i + values < argc;
        };
        if (is(L"--timeout", 1)) {
            options.timeoutSeconds = _wtof(argv[++i]);
        } else if (is(L"--rhythm", 1)) {
            options.rhythmMs = _wtof(argv[++i]);
        } else if (is(L"--whole", 1)) {
            options.whole = _wtoi64(argv[++i]);
        } else if (is(L"--command", 1)) {
            options.steps.push_back({StepKind::command, static_cast<WORD>(_wtoi(argv[++i])), 0,
                                     nullptr, nullptr});
        } else if (is(L"--reload", 2)) {
            options.steps.push_back({StepKind::reload, static_cast<WORD>(_wtoi(argv[i + 1])),
                                     _wtoi64(argv[i + 2]), nullptr, nullptr});
            i += 2;
        } else if (is(L"--place", 1)) {
            options.steps.push_back({StepKind::place, 0, _wtoi64(argv[++i]), nullptr, nullptr});
        } else if (is(L"--copy", 2)) {
            options.steps.push_back({StepKind::copy, 0, 0, argv[i + 1], argv[i + 2]});
            i += 2;
        } else if (is(L"--select", 2)) {
            options.steps.push_back({StepKind::select, 0, _wtoi64(argv[i + 1]), nullptr, nullptr,
                                     _wtoi64(argv[i + 2])});
            i += 2;
        } else if (is(L"--find", 2) || is(L"--control-find", 2)) {
            const StepKind kind = argv[i][2] == L'f' ? StepKind::find : StepKind::controlFind;
            options.steps.push_back({kind, 0, _wtoi64(argv[i + 2]), argv[i + 1], nullptr});
            i += 2;
        } else if (lstrcmpW(argv[i], L"--control-copy") == 0) {
            options.steps.push_back({StepKind::controlCopy, 0, 0, nullptr, nullptr});
        } else if (lstrcmpW(argv[i], L"--query-load") == 0) {
            options.queryLoad = true;
        } else {
            options.needle = argv[i];
        }
    }
    return options;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const Options options = optionsOf(argc, argv);
    // The program's command line is passed on exactly as written after " -- ".
    const wchar_t* tail = std::wcsstr(GetCommandLineW(), L" -- ");
    if (options.needle == nullptr || tail == nullptr) {
        std::fprintf(stderr,
                     "usage: waiter [--timeout S] [--query-load] [--rhythm MS] [--whole CHARS]"
                     " [--command ID | --reload ID CHARS | --place CHAR | --copy SRC DST]..."
                     " NEEDLE -- COMMAND LINE\n");
        return 2;
    }
    std::vector<wchar_t> commandLine(tail + 4, tail + 4 + lstrlenW(tail + 4) + 1);
    const UINT timeoutMs = static_cast<UINT>(options.timeoutSeconds * 1000);
    const double deadlineMs = options.timeoutSeconds * 1000;

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const LONGLONG start = now();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::printf("error=createprocess code=%lu\n", GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);

    auto giveUp = [&](const char* why) {
        std::printf(" error=%s after_ms=%.1f\n", why, millisecondsSince(start));
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hProcess);
        return 1;
    };

    Search search = {process.dwProcessId, options.needle, nullptr};
    while (search.found == nullptr) {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) break;
        if (WaitForSingleObject(process.hProcess, 2) == WAIT_OBJECT_0) return giveUp("exited");
        if (millisecondsSince(start) > deadlineMs) return giveUp("timeout");
    }
    const HWND window = search.found;
    if (answerOf(window, WM_NULL, timeoutMs) < 0) return giveUp("no-answer");
    const double readyMs = millisecondsSince(start);
    std::printf("ready_ms=%.1f peak_kb=%llu", readyMs,
                static_cast<unsigned long long>(peakKilobytes(process.hProcess)));
    std::fflush(stdout);

    auto follow = [&](const char* prefix, LONGLONG from, HWND previous,
                      long long previousLength, long long whole) -> const char* {
        LoadFollower follower(window, process.hProcess, timeoutMs, options.rhythmMs, deadlineMs);
        if (!follower.waitForFirstText(from, previous, previousLength)) return "first-timeout";
        Target target(process, timeoutMs);
        if (prefix[0] != '\0') printPlace(prefix, "first", target.placeOf(follower.control()));
        const char* failure = follower.followToWholeText(from, whole);
        follower.print(prefix);
        if (failure != nullptr) {
            std::printf(" %slength=%lld", prefix, follower.lastLength());
            return failure;
        }
        if (prefix[0] != '\0') printPlace(prefix, "whole", target.placeOf(follower.control()));
        return nullptr;
    };
    if (options.whole >= 0) {
        if (const char* failure = follow("", start, nullptr, 0, options.whole)) return giveUp(failure);
    }
    if (options.queryLoad) printLoadTimes("", window, timeoutMs);
    std::printf(" chars=%lld", textLength(window, timeoutMs));
    std::fflush(stdout);

    Target target(process, timeoutMs);
    int commandNumber = 0;
    for (const Step& step : options.steps) {
        if (step.kind == StepKind::copy) {
            if (!CopyFileW(step.source, step.target, FALSE)) return giveUp("copy");
            continue;
        }
        const HWND control = textControlOf(window);
        if (step.kind == StepKind::place) {
            const WPARAM caret = step.number < 0 ? 0x7FFFFFFF : static_cast<WPARAM>(step.number);
            if (answerOf(control, EM_SETSEL, timeoutMs, caret, static_cast<LPARAM>(caret)) < 0 ||
                answerOf(control, EM_SCROLLCARET, timeoutMs) < 0) {
                return giveUp("place-timeout");
            }
            continue;
        }
        if (step.kind == StepKind::select) {
            if (answerOf(control, EM_SETSEL, timeoutMs, static_cast<WPARAM>(step.number),
                         static_cast<LPARAM>(step.to)) < 0 ||
                !settle(window, timeoutMs)) {
                return giveUp("select-timeout");
            }
            continue;
        }
        ++commandNumber;
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "s%d_", commandNumber);
        if (step.kind == StepKind::find) {
            bool boxCame = false;
            const double ms = findAsTheDialogAsks(window, process.hProcess, process.dwProcessId, step,
                                                  timeoutMs, &boxCame);
            if (ms < 0) return giveUp("find-timeout");
            std::printf(" %sms=%.1f %sbox=%d %sfound=%lld", prefix, ms, prefix, boxCame ? 1 : 0, prefix,
                        boxCame ? -1 : target.placeOf(control).selectionStart);
            std::fflush(stdout);
            continue;
        }
        if (step.kind == StepKind::controlFind) {
            double ms = 0;
            const long long found = controlFinds(control, process.hProcess, step, timeoutMs, &ms);
            if (found < -1) return giveUp("find-timeout");
            std::printf(" %sms=%.1f %sfound=%lld", prefix, ms, prefix, found);
            std::fflush(stdout);
            continue;
        }
        if (step.kind == StepKind::controlCopy) {
            const LONGLONG sent = now();
            if (answerOf(control, WM_COPY, timeoutMs) < 0) return giveUp("copy-timeout");
            std::printf(" %sms=%.1f", prefix, millisecondsSince(sent));
            std::fflush(stdout);
            continue;
        }
        std::printf(" %scmd=%u", prefix, step.command);
        if (step.kind == StepKind::reload) printPlace(prefix, "before", target.placeOf(control));
        const long long lengthBefore = lengthOf(control, timeoutMs);
        std::fflush(stdout);
        const LONGLONG sent = now();
        if (answerOf(window, WM_COMMAND, timeoutMs, step.command) < 0) {
            return giveUp("command-timeout");
        }
        if (step.kind == StepKind::reload) {
            std::printf(" %sms=%.1f", prefix, millisecondsSince(sent));
            if (const char* failure = follow(prefix, sent, control, lengthBefore, step.number)) {
                return giveUp(failure);
            }
        } else {
            if (answerOf(window, WM_NULL, timeoutMs) < 0) return giveUp("command-timeout");
            std::printf(" %sms=%.1f", prefix, millisecondsSince(sent));
        }
        if (options.queryLoad) printLoadTimes(prefix, window, timeoutMs);
        std::printf(" %schars=%lld", prefix, textLength(window, timeoutMs));
        std::fflush(stdout);
    }
    std::printf(" peak_end_kb=%llu\n",
                static_cast<unsigned long long>(peakKilobytes(process.hProcess)));
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    return 0;
}
