// The Font command: the user picks the display font, which is stored and shown at once.
#include "../app/viewer_window.h"

#include "../app/modal_scope.h"

#include "font_spec.h"
#include "registry_store.h"

void ViewerWindow::chooseFont() {
    // The dialog's loop dispatches what arrives meanwhile: commands are ignored while it is open.
    const HFONT chosen = [this] {
        const ModalScope dialogOpen;
        return font->choose(mainWindow);
    }();
    if (chosen == nullptr) return;
    font->save(*settings);
    SendMessageW(textControl, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), 0);
}
