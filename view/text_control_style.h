// The window style of the text control for each pair of modes. Windows-free.
#pragma once

#include <cstdint>

// WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_NOHIDESEL | ES_AUTOVSCROLL | ES_MULTILINE, plus
// WS_HSCROLL | ES_AUTOHSCROLL while lines are not wrapped and ES_READONLY while read-only.
// Wrapping comes from the style alone: without the horizontal bits the control breaks its lines
// at its own width.
constexpr std::uint32_t textControlStyle(bool readOnly, bool wrapLines) {
    std::uint32_t style = 0x40000000u | 0x10000000u | 0x00200000u | 0x0100u | 0x0040u | 0x0004u;
    if (!wrapLines) style |= 0x00100000u | 0x0080u;
    if (readOnly) style |= 0x0800u;
    return style;
}

static_assert(textControlStyle(true, false) == 0x503009C4u);
static_assert(textControlStyle(true, true) == 0x50200944u);
static_assert(textControlStyle(false, false) == 0x503001C4u);
static_assert(textControlStyle(false, true) == 0x50200144u);
