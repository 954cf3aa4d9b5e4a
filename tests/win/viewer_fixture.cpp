#include "viewer_fixture.h"

#include <richedit.h>

#include <atomic>

#include "view/stream_callbacks.h"
#include "view/text_control_style.h"

namespace {

std::wstring makeTestFolder() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"lorvane-test-" +
                                std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(counter++);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void removeFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeFolder(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

void clearSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zyr\\Lorvane"); }

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void ViewerTest::SetUp() {
    clearSettings();
    folder = makeTestFolder();
    createViewer();
}

void ViewerTest::TearDown() {
    destroyViewer();
    removeFolder(folder);
    EXPECT_EQ(answers.unexpected(), 0) << "a dialog came that the test did not expect";
    EXPECT_EQ(answers.unanswered(), 0u) << "a dialog the test expected did not come";
}

void ViewerTest::createViewer() {
    viewer = new ViewerWindow();
    ASSERT_EQ(viewer->create(GetModuleHandleW(nullptr), L"Lorvane", CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT),
              1);
    pumpMessages();
}

void ViewerTest::destroyViewer() {
    if (viewer == nullptr) return;
    if (IsWindow(viewer->mainWindow)) DestroyWindow(viewer->mainWindow);
    pumpMessages();
    delete viewer;
    viewer = nullptr;
    UnregisterClassW(L"ZyrLorvaneWndClass", GetModuleHandleW(nullptr));
}

std::wstring ViewerTest::pathOf(const std::wstring& name) const { return folder + L"\\" + name; }

std::wstring ViewerTest::writeFile(const std::wstring& name, const std::string& bytes) const {
    const std::wstring path = pathOf(name);
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::wstring ViewerTest::oneShotText(const std::wstring& path, StreamFormat format) const {
    const HWND control = CreateWindowExW(0, L"RichEdit20W", L"", textControlStyle(true, false), 0, 0, 400, 300,
                                         viewer->mainWindow, nullptr, nullptr, nullptr);
    SendMessageW(control, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    StreamSource source = {CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr),
                           format};
    EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, readStreamCallback};
    SendMessageW(control, EM_STREAMIN, streamInFormat(format), reinterpret_cast<LPARAM>(&stream));
    CloseHandle(source.file);
    const std::wstring text = textOf(control);
    DestroyWindow(control);
    return text;
}

std::wstring ViewerTest::textOf(HWND control) const {
    GETTEXTLENGTHEX lengthRequest = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    const auto length = SendMessageW(control, EM_GETTEXTLENGTHEX,
                                     reinterpret_cast<WPARAM>(&lengthRequest), 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GETTEXTEX request = {static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200,
                         nullptr, nullptr};
    SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(lstrlenW(text.c_str())));
    return text;
}

std::wstring ViewerTest::caption() const { return windowText(viewer->mainWindow); }

std::string readFile(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

bool fileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What the control shows on screen, scroll bars included, as read back from the window.
std::vector<DWORD> pixelsOf(HWND control) {
    RECT frame;
    GetWindowRect(control, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const HDC screen = GetWindowDC(control);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO format = {};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(control, screen);
    return pixels;
}
