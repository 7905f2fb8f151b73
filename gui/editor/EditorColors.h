#pragma once
// The colours of the code editor: opcodes blue, registers purple, comments
// green, errors red, instruction numbers gray.

#include "core/language/CodeColoring.h"

#include <QColor>
#include <QPalette>

namespace norix {

inline QColor editorColor(CodeColor color) {
    switch (color) {
    case CodeColor::Opcode:
        return QColor(0x00, 0x5A, 0xE0);
    case CodeColor::Register:
        return QColor(0x8A, 0x3F, 0xC8);
    case CodeColor::Comment:
        return QColor(0x2E, 0x8B, 0x3E);
    case CodeColor::Error:
        return QColor(0xE0, 0x1E, 0x2C);
    case CodeColor::Plain:
        break;
    }
    return QPalette().color(QPalette::Text);
}

inline QColor gutterNumberColor() {
    return QColor(0x8E, 0x8E, 0x93);
}

} // namespace norix
