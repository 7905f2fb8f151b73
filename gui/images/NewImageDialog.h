#pragma once
// The question that opens "New": a name and a size for the new image, typed
// as text and checked by the editor model once "Create" is pressed.

#include "core/images/ImageEditor.h"

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;

namespace norix {

class NewImageDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewImageDialog(QWidget* parent = nullptr);

    NewImageEntry entry() const;
    QLineEdit* nameField() const { return nameField_; }
    QLineEdit* widthField() const { return widthField_; }
    QLineEdit* heightField() const { return heightField_; }
    QPushButton* createButton() const { return createButton_; }

    // Shows the dialog; the texts typed when "Create" was pressed, or nothing.
    static std::optional<NewImageEntry> ask(QWidget* parent);

private:
    QLineEdit* nameField_ = nullptr;
    QLineEdit* widthField_ = nullptr;
    QLineEdit* heightField_ = nullptr;
    QPushButton* createButton_ = nullptr;
};

} // namespace norix
