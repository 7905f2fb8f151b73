#pragma once
// The colours of the code editor: opcodes blue, registers purple, comments
// green, errors red, instruction numbers gray. A dark theme gets lighter
// shades of the same hues, so that each stays readable on its background.

#include "core/language/CodeColoring.h"

#include <QColor>
#include <QPalette>

namespace norix {

// Dark by the lightness of the background text is written on.
inline bool isDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() < 128;
}

inline QColor editorColor(CodeColor color, bool darkBackground = false) {
    switch (color) {
    case CodeColor::opcode:
        return darkBackground ? QColor(0x6C, 0xB0, 0xFF) : QColor(0x00, 0x5A, 0xE0);
    case CodeColor::registerReference:
        return darkBackground ? QColor(0xC9, 0x9A, 0xF0) : QColor(0x8A, 0x3F, 0xC8);
    case CodeColor::comment:
        return darkBackground ? QColor(0x7B, 0xD8, 0x8A) : QColor(0x2E, 0x8B, 0x3E);
    case CodeColor::error:
        return darkBackground ? QColor(0xFF, 0x70, 0x70) : QColor(0xE0, 0x1E, 0x2C);
    case CodeColor::plain:
        break;
    }
    return QPalette().color(QPalette::Text);
}

inline QColor gutterNumberColor(bool darkBackground = false) {
    return darkBackground ? QColor(0x9A, 0x9A, 0xA0) : QColor(0x8E, 0x8E, 0x93);
}

} // namespace norix
