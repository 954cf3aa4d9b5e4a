// The Font command: the user picks the display font, which is stored and shown at once.
#include "../app/viewer_window.h"

#include "font_spec.h"
#include "registry_store.h"

void ViewerWindow::chooseFont() {
    const HFONT chosen = font->choose(mainWindow);
    if (chosen == nullptr) return;
    font->save(*settings);
    SendMessageW(textControl, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), 0);
}
