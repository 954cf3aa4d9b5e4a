// Measures how a viewer follows a file that grows: it starts the viewer with FILE, waits for its
// text, and then, while it writes to FILE as a log writer does (sharing read, write and delete):
//   - idle: the viewer's CPU time over --idle SECONDS while the file does not change;
//   - the cost of one look at the file's size and time (GetFileAttributesExW) and, for
//     comparison, of a change notification on its folder (set-up, and the delay from a write to
//     its signal);
//   - delay: --writes N single lines, about 1.1 s apart so that they fall on every phase of the
//     viewer's looks, each timed from the write until the text control's length has grown;
//   - stream: --seconds S of writing --rate BYTES per second in 10 writes a second, while a
//     WM_NULL round trip is timed every 20 ms; then the time until the text holds the whole file.
//
//   follower.exe [--idle S] [--writes N] [--seconds S] [--rate BYTES] FILE -- COMMAND LINE
//
// Prints one line of key=value pairs (times in ms unless the name says us): idle_cpu_ms,
// idle_s, look_us, notify_setup_us, notify_ms, delay_n, delay_p50, delay_max, lat_n, lat_p50,
// lat_p95, lat_max, written_kb, catch_up_ms; error=... and exit status 1 when a step failed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

LONGLONG now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double msSince(LONGLONG start) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now() - start) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM cookie) {
    auto* search = reinterpret_cast<Search*>(cookie);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window) || GetDlgItem(window, 200) == nullptr) return TRUE;
    search->found = window;
    return FALSE;
}

LRESULT textLength(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 10000, &length)) return -1;
    return static_cast<LRESULT>(length);
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

double cpuMs(HANDLE process) {
    FILETIME created, ended, kernel, user;
    GetProcessTimes(process, &created, &ended, &kernel, &user);
    const auto ticks = [](FILETIME time) { return static_cast<double>(static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime); };
    return (ticks(kernel) + ticks(user)) / 10000.0;
}

class Log {
public:
    explicit Log(const wchar_t* path)
        : file(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr)) {}
    ~Log() { CloseHandle(file); }
    bool ok() const { return file != INVALID_HANDLE_VALUE; }
    void write(const std::string& bytes) {
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        total += written;
    }
    std::uint64_t total = 0;

private:
    HANDLE file;
};

std::string line(std::size_t number, std::size_t length) {
    std::string text = "log line " + std::to_string(number) + " ";
    text.resize(length - 2, '.');
    return text + "\r\n";
}

int fail(const char* what) {
    std::printf("error=%s\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    double idleSeconds = 10, seconds = 10, rate = 1024 * 1024;
    int writes = 10, at = 1;
    for (; at + 1 < argc && std::wcsncmp(argv[at], L"--", 2) == 0 && argv[at][2] != 0; at += 2) {
        const double value = _wtof(argv[at + 1]);
        if (!std::wcscmp(argv[at], L"--idle")) idleSeconds = value;
        else if (!std::wcscmp(argv[at], L"--writes")) writes = static_cast<int>(value);
        else if (!std::wcscmp(argv[at], L"--seconds")) seconds = value;
        else if (!std::wcscmp(argv[at], L"--rate")) rate = value;
    }
    if (at + 2 >= argc || std::wcscmp(argv[at + 1], L"--") != 0) return fail("usage");
    const wchar_t* path = argv[at];
    std::wstring commandLine;
    for (int part = at + 2; part < argc; ++part) commandLine += (part > at + 2 ? L" \"" : L"\"") + std::wstring(argv[part]) + L"\"";

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return fail("start");
    }
    Search search = {process.dwProcessId, nullptr};
    for (const LONGLONG start = now(); search.found == nullptr && msSince(start) < 30000; Sleep(20)) {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    }
    if (search.found == nullptr) return fail("no-window");
    const HWND control = GetDlgItem(search.found, 200);
    for (LRESULT last = -1, length = textLength(control); length != last; Sleep(300)) last = length, length = textLength(control);
    Log log(path);
    if (!log.ok()) return fail("log");

    const double cpuBefore = cpuMs(process.hProcess);
    Sleep(static_cast<DWORD>(idleSeconds * 1000));
    std::printf("idle_cpu_ms=%.1f idle_s=%.0f", cpuMs(process.hProcess) - cpuBefore, idleSeconds);

    constexpr int looks = 10000;
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    LONGLONG start = now();
    for (int look = 0; look < looks; ++look) GetFileAttributesExW(path, GetFileExInfoStandard, &attributes);
    std::printf(" look_us=%.1f", msSince(start) * 1000.0 / looks);
    std::wstring folder = path;
    folder.resize(folder.find_last_of(L"\\/") + 1);
    start = now();
    const HANDLE change = FindFirstChangeNotificationW(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    std::printf(" notify_setup_us=%.0f", msSince(start) * 1000.0);
    std::size_t number = 0;
    if (change != INVALID_HANDLE_VALUE) {
        start = now();
        log.write(line(number++, 60));
        const DWORD waited = WaitForSingleObject(change, 5000);
        std::printf(" notify_ms=%.1f", waited == WAIT_OBJECT_0 ? msSince(start) : -1.0);
        FindCloseChangeNotification(change);
    }
    Sleep(1500);

    std::vector<double> delays;
    for (int write = 0; write < writes; ++write) {
        const LRESULT before = textLength(control);
        start = now();
        log.write(line(number++, 60));
        while (textLength(control) == before && msSince(start) < 10000) Sleep(2);
        delays.push_back(msSince(start));
        Sleep(1100 + 97 * (write % 5));
    }
    std::printf(" delay_n=%zu delay_p50=%.0f delay_max=%.0f", delays.size(), percentile(delays, 0.5),
                percentile(delays, 1.0));

    std::vector<double> answers;
    const std::size_t perWrite = static_cast<std::size_t>(rate / 10);
    const std::uint64_t writtenBefore = log.total;
    start = now();
    for (int write = 0; msSince(start) < seconds * 1000;) {
        if (msSince(start) >= write * 100.0) {
            std::string chunk;
            while (chunk.size() < perWrite) chunk += line(number++, 100);
            log.write(chunk);
            ++write;
        }
        const LONGLONG sent = now();
        DWORD_PTR result = 0;
        SendMessageTimeoutW(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        answers.push_back(msSince(sent));
        Sleep(20);
    }
    const LONGLONG stopped = now();
    LARGE_INTEGER size = {};
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExW(path, GetFileExInfoStandard, &data);
    size.HighPart = static_cast<LONG>(data.nFileSizeHigh);
    size.LowPart = data.nFileSizeLow;
    while (textLength(control) < size.QuadPart && msSince(stopped) < 60000) Sleep(10);
    std::printf(" lat_n=%zu lat_p50=%.1f lat_p95=%.1f lat_max=%.1f written_kb=%llu catch_up_ms=%.0f text_is_file=%d\n",
                answers.size(), percentile(answers, 0.5), percentile(answers, 0.95), percentile(answers, 1.0),
                static_cast<unsigned long long>((log.total - writtenBefore) / 1024), msSince(stopped),
                textLength(control) == size.QuadPart ? 1 : 0);
    PostMessageW(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    return 0;
}
