#include "load_progress.h"

#include <shobjidl.h>

#include "file_name.h"

namespace {

// The taskbar's progress takes a fraction of two 64-bit numbers; the file's sizes are given in
// KiB, so that the numbers stay small for any file.
constexpr std::uint64_t taskbarUnit = 1024;

}  // namespace

LoadProgress::~LoadProgress() {
    if (taskbar != nullptr) taskbar->Release();
}

void LoadProgress::show(HWND mainWindow, const wchar_t* name, std::uint64_t loaded, std::uint64_t total) {
    window = mainWindow;
    fileName = name;
    const std::wstring caption = loadingCaption(captionOfFileName(name), loaded, total);
    if (caption != shownCaption) {
        SetWindowTextW(window, caption.c_str());
        shownCaption = caption;
    }
    showOnTaskbar(loaded, total);
}

void LoadProgress::clear() {
    if (window == nullptr) return;
    if (IsWindow(window)) {
        SetWindowTextW(window, captionOfFileName(fileName));
        if (taskbar != nullptr) taskbar->SetProgressState(window, TBPF_NOPROGRESS);
    }
    window = nullptr;
    fileName = nullptr;
    shownCaption.clear();
}

// The taskbar object is made the first time a file loads in pieces; a system without one (or
// without a taskbar) shows the caption only.
void LoadProgress::showOnTaskbar(std::uint64_t loaded, std::uint64_t total) {
    if (!taskbarTried) {
        taskbarTried = true;
        const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(started) &&
            FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    reinterpret_cast<void**>(&taskbar)))) {
            taskbar = nullptr;
        }
    }
    if (taskbar == nullptr) return;
    const std::uint64_t done = loaded / taskbarUnit;
    const std::uint64_t whole = total / taskbarUnit + 1;
    taskbar->SetProgressValue(window, done < whole ? done : whole, whole);
}
