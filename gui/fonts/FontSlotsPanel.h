#pragma once
// "Norix Font Slots": a button per slot as the link last reported it, with the
// selected one checked, then "Save to Norix" and "Delete Font from Slot" and
// the link's upload and delete texts (errors in red).

#include <QGroupBox>
#include <vector>

class QGridLayout;
class QLabel;
class QPushButton;

namespace norix {

class FontEditor;

class FontSlotsPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit FontSlotsPanel(FontEditor& editor, QWidget* parent = nullptr);

    const std::vector<QPushButton*>& slotButtons() const { return slotButtons_; }
    QPushButton* saveToNorixButton() const { return saveToNorix_; }
    QPushButton* deleteButton() const { return delete_; }
    QLabel* uploadStatusLabel() const { return uploadStatus_; }
    QLabel* uploadErrorLabel() const { return uploadError_; }
    QLabel* deleteStatusLabel() const { return deleteStatus_; }
    QLabel* deleteErrorLabel() const { return deleteError_; }

    void refresh();

Q_SIGNALS:
    // The window starts the upload, because a refused font ends in its alert.
    void saveToNorixRequested();

private:
    void matchSlotCount(std::size_t count);

    FontEditor& editor_;
    QGridLayout* slotGrid_;
    std::vector<QPushButton*> slotButtons_;
    QPushButton* saveToNorix_;
    QPushButton* delete_;
    QLabel* uploadStatus_;
    QLabel* uploadError_;
    QLabel* deleteStatus_;
    QLabel* deleteError_;
};

} // namespace norix
