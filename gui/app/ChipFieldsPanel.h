#pragma once
// The chip's own fields: name, type, pin count, package picture, the two save
// buttons, and the eight strings. Each control writes straight into the
// session's ChipEditor and is redrawn from it.

#include "core/util/Signal.h"

#include <QWidget>
#include <array>

class QComboBox;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace norix {

class ChipSession;

class ChipFieldsPanel : public QWidget {
    Q_OBJECT
public:
    explicit ChipFieldsPanel(ChipSession& session, QWidget* parent = nullptr);

    QLineEdit* nameField() const { return name_; }
    QComboBox* typePicker() const { return type_; }
    QComboBox* pinPicker() const { return pins_; }
    QComboBox* imagePicker() const { return image_; }
    QLineEdit* stringField(std::size_t index) const { return strings_.at(index); }
    QPushButton* saveAsButton() const { return saveAs_; }
    QPushButton* saveButton() const { return save_; }
    QScrollArea* stringsArea() const { return stringsArea_; }

    void refresh();

Q_SIGNALS:
    void saveAsRequested();
    void saveRequested();

private:
    ChipSession& session_;
    QLineEdit* name_;
    QComboBox* type_;
    QComboBox* pins_;
    QComboBox* image_;
    QPushButton* saveAs_;
    QPushButton* save_;
    std::array<QLineEdit*, 8> strings_{};
    QScrollArea* stringsArea_ = nullptr;
    Connection connection_;
};

} // namespace norix
