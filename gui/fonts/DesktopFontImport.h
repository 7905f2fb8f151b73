#pragma once
// Making a Norix font from a font installed on the desktop: each glyph is
// drawn without antialiasing into its own cell, the baseline placed so that
// descenders fit, and read back one pixel column at a time. The dialog picks
// the family and the cell size.

#include "core/fonts/FontEditor.h"
#include "core/fonts/LoadedFont.h"

#include <QDialog>

class QFontComboBox;
class QPushButton;
class QSpinBox;

namespace norix {

// A new, unsaved font named "{family} {width}x{height}".
LoadedFont renderDesktopFont(const DesktopFontOptions& options);

class DesktopFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit DesktopFontDialog(QWidget* parent = nullptr);

    DesktopFontOptions options() const;

    QFontComboBox* familyField() const { return family_; }
    QSpinBox* widthField() const { return width_; }
    QSpinBox* heightField() const { return height_; }
    QSpinBox* glyphCountField() const { return glyphCount_; }
    QPushButton* importButton() const { return import_; }

private:
    QFontComboBox* family_;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QSpinBox* glyphCount_ = nullptr;
    QPushButton* import_ = nullptr;
};

} // namespace norix
