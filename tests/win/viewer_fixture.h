// A fresh ViewerWindow for each test, with an empty settings key, a folder of its own for
// files, and the dialog answerer ready.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/viewer_window.h"
#include "view/stream_format.h"
#include "dialog_answerer.h"

class ViewerTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window as the entry does; the first call of SetUp does it already.
    void createViewer();
    // Destroys the window and the object, and unregisters the class so that the next test can
    // create its window again.
    void destroyViewer();

    // Paths in the test's own folder.
    std::wstring pathOf(const std::wstring& name) const;
    std::wstring writeFile(const std::wstring& name, const std::string& bytes) const;

    std::wstring textOf(HWND control) const;  // the control's text, paragraphs ending in \r
    // The text of the file streamed at once into a control of its own.
    std::wstring oneShotText(const std::wstring& path, StreamFormat format) const;
    std::wstring caption() const;
    std::wstring controlText() const { return textOf(viewer->textControl); }

    DialogAnswerer answers;
    ViewerWindow* viewer = nullptr;
    std::wstring folder;
};

std::string readFile(const std::wstring& path);
bool fileExists(const std::wstring& path);
void pumpMessages();
// What the control shows on screen, scroll bars included, as read back from the window.
std::vector<DWORD> pixelsOf(HWND control);
// Deletes the program's settings key, so the next reads see nothing stored.
void clearSettings();
