#pragma once
// The New Font dialog: a name and the glyph size and count of a new, dark
// font, bound to the editor's New Font values. "Create" is the default button
// and waits for a name; Escape cancels.

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace norix {

class FontEditor;

class NewFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewFontDialog(FontEditor& editor, QWidget* parent = nullptr);

    QLineEdit* nameField() const { return name_; }
    QSpinBox* widthField() const { return width_; }
    QSpinBox* heightField() const { return height_; }
    QSpinBox* glyphCountField() const { return glyphCount_; }
    QPushButton* createButton() const { return create_; }
    QPushButton* cancelButton() const { return cancel_; }

    void accept() override;
    void reject() override;

private:
    void store();
    void refresh();

    FontEditor& editor_;
    QLineEdit* name_;
    QSpinBox* width_;
    QSpinBox* height_;
    QSpinBox* glyphCount_;
    QPushButton* create_;
    QPushButton* cancel_;
};

} // namespace norix
