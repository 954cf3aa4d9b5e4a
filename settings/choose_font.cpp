// The display font: the user picks it, and it follows the scale of the display. Either way the
// text control shows the new font with the reader's place kept.
#include "../app/viewer_window.h"

#include "../app/modal_scope.h"
#include "../view/reading_place.h"

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
    showFont(chosen);
}

void ViewerWindow::followDisplayScale(int dpi) {
    if (dpi == font->dpi) return;
    const HFONT scaled = font->scaleTo(dpi);
    if (scaled != nullptr) showFont(scaled);
}

// The control keeps its text but lays it out again at the new size, and would leave the view
// wherever that puts it.
void ViewerWindow::showFont(HFONT shown) {
    const ReadingPlace place = readingPlaceOf(textControl);
    SendMessageW(textControl, WM_SETFONT, reinterpret_cast<WPARAM>(shown), 0);
    putBackReadingPlace(textControl, place, PlaceBy::characters);
}
