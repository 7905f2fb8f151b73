#pragma once
// Icons of the image window: freedesktop theme icons where the theme has
// them, small drawings of the tool's shape where it does not, and the colour
// wells' swatches with their "L" and "R" marks.

#include "core/images/ImageEditor.h"

#include <QIcon>

namespace norix {

QIcon drawingToolIcon(ImageDrawingTool tool);
// "edit-undo", "zoom-in" and "zoom-out" of the theme, or drawn ones.
QIcon undoIcon();
QIcon zoomIcon(bool zoomIn);
// A swatch of `color` with a circle holding `letter`, drawn in its contrasting colour.
QIcon colorWellIcon(const EditorColor& color, QChar letter);
QColor toQColor(const EditorColor& color);
EditorColor fromQColor(const QColor& color);

} // namespace norix
