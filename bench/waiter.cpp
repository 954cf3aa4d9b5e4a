// Starts a program and measures how long it takes to be ready: from CreateProcess until a
// visible top-level window of that process has a caption containing NEEDLE and has answered a
// WM_NULL round trip. Then it runs the given steps in order, and it reports the process's peak
// working set before ending the process.
//
//   waiter.exe [--timeout SECONDS] [--query-load] [STEP]... NEEDLE -- COMMAND LINE
//   STEP: --command ID     send WM_COMMAND ID and time the round trip (followed by a WM_NULL
//                          round trip, so that the window is idle again)
//         --copy SRC DST   copy a file over another (to have a program reload other contents)
//
// Prints one line of key=value pairs: ready_ms, peak_kb (at ready), chars (length of the text
// in the window's edit or rich edit control); for the K-th command sK_cmd, sK_ms and sK_chars;
// peak_end_kb; and with --query-load load_us / sK_load_us and load_cpu_us / sK_load_cpu_us,
// the probe's own timing of its last load and the CPU time of it (WM_APP+1, WM_APP+2).
// Exit status 0, or 1 with error=... when the program did not become ready, did not answer or
// a step failed.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

constexpr UINT queryLastLoad = WM_APP + 1;
constexpr UINT queryLastLoadCpu = WM_APP + 2;

LONGLONG now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double millisecondsSince(LONGLONG start) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now() - start) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

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

SIZE_T peakKilobytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize / 1024;
}

struct Step {
    WORD command;          // 0 for a copy
    const wchar_t* source; // the copy's files
    const wchar_t* target;
};

// Sends `message` and gives the answer, or -1 when the window did not answer in time.
long long answerOf(HWND window, UINT message, UINT timeoutMs) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, 0, 0, SMTO_NORMAL, timeoutMs, &answer)) return -1;
    return static_cast<long long>(answer);
}

// The probe's own timing of its last load: load_us and load_cpu_us, after `prefix`.
void printLoadTimes(const char* prefix, HWND window, UINT timeoutMs) {
    std::printf(" %sload_us=%lld %sload_cpu_us=%lld", prefix,
                answerOf(window, queryLastLoad, timeoutMs), prefix,
                answerOf(window, queryLastLoadCpu, timeoutMs));
}

// The length of the text in the window's edit or rich edit control, or -1.
long long textLength(HWND window, UINT timeoutMs) {
    HWND control = nullptr;
    EnumChildWindows(window, matchTextControl, reinterpret_cast<LPARAM>(&control));
    DWORD_PTR length = 0;
    if (control == nullptr ||
        !SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, timeoutMs, &length)) {
        return -1;
    }
    return static_cast<long long>(length);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    double timeoutSeconds = 300;
    std::vector<Step> steps;
    bool queryLoad = false;
    const wchar_t* needle = nullptr;
    for (int i = 1; i < argc && lstrcmpW(argv[i], L"--") != 0; ++i) {
        if (lstrcmpW(argv[i], L"--timeout") == 0 && i + 1 < argc) {
            timeoutSeconds = _wtof(argv[++i]);
        } else if (lstrcmpW(argv[i], L"--command") == 0 && i + 1 < argc) {
            steps.push_back({static_cast<WORD>(_wtoi(argv[++i])), nullptr, nullptr});
        } else if (lstrcmpW(argv[i], L"--copy") == 0 && i + 2 < argc) {
            steps.push_back({0, argv[i + 1], argv[i + 2]});
            i += 2;
        } else if (lstrcmpW(argv[i], L"--query-load") == 0) {
            queryLoad = true;
        } else {
            needle = argv[i];
        }
    }
    // The program's command line is passed on exactly as written after " -- ".
    const wchar_t* tail = std::wcsstr(GetCommandLineW(), L" -- ");
    if (needle == nullptr || tail == nullptr) {
        std::fprintf(stderr,
                     "usage: waiter [--timeout S] [--query-load] [--command ID | --copy SRC DST]..."
                     " NEEDLE -- COMMAND LINE\n");
        return 2;
    }
    std::vector<wchar_t> commandLine(tail + 4, tail + 4 + lstrlenW(tail + 4) + 1);
    const UINT timeoutMs = static_cast<UINT>(timeoutSeconds * 1000);

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

    Search search = {process.dwProcessId, needle, nullptr};
    while (search.found == nullptr) {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) break;
        if (WaitForSingleObject(process.hProcess, 2) == WAIT_OBJECT_0) return giveUp("exited");
        if (millisecondsSince(start) > timeoutSeconds * 1000) return giveUp("timeout");
    }
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer)) {
        return giveUp("no-answer");
    }
    const double readyMs = millisecondsSince(start);
    std::printf("ready_ms=%.1f peak_kb=%llu", readyMs,
                static_cast<unsigned long long>(peakKilobytes(process.hProcess)));
    if (queryLoad) printLoadTimes("", search.found, timeoutMs);
    std::printf(" chars=%lld", textLength(search.found, timeoutMs));
    std::fflush(stdout);

    int commandNumber = 0;
    for (const Step& step : steps) {
        if (step.command == 0) {
            if (!CopyFileW(step.source, step.target, FALSE)) return giveUp("copy");
            continue;
        }
        ++commandNumber;
        std::printf(" s%d_cmd=%u", commandNumber, step.command);
        std::fflush(stdout);
        const LONGLONG sent = now();
        if (!SendMessageTimeoutW(search.found, WM_COMMAND, step.command, 0, SMTO_NORMAL, timeoutMs,
                                 &answer) ||
            !SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer)) {
            return giveUp("command-timeout");
        }
        std::printf(" s%d_ms=%.1f", commandNumber, millisecondsSince(sent));
        if (queryLoad) {
            char prefix[16];
            std::snprintf(prefix, sizeof prefix, "s%d_", commandNumber);
            printLoadTimes(prefix, search.found, timeoutMs);
        }
        std::printf(" s%d_chars=%lld", commandNumber, textLength(search.found, timeoutMs));
        std::fflush(stdout);
    }
    std::printf(" peak_end_kb=%llu\n",
                static_cast<unsigned long long>(peakKilobytes(process.hProcess)));
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    return 0;
}
