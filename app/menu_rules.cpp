#include "menu_rules.h"

PopupPlacement contextMenuPlacement(int x, int y, int screenWidth, int screenHeight) {
    PopupPlacement placement = {x, y, 0};
    if (x > screenWidth / 2) {
        placement.x = x + 1;
        placement.flags |= 0x0008u;
    }
    if (y > screenHeight / 2) {
        placement.y = y + 1;
        placement.flags |= 0x0020u;
    }
    return placement;
}

const wchar_t* wrapItemText(bool wrapLines) { return wrapLines ? L"No &wrap" : L"&Wrap"; }
