#pragma once
// The opcode tools beside the code editor: a category selector and the list of
// its opcodes, then, for the chosen opcode, one control per argument, the DIP
// pin picker where the opcode has one, and "Insert", "Back", "Close". All state
// lives in OpcodePanelModel; this view shows it and forwards the user's input.

#include "core/language/OpcodePanelModel.h"
#include "core/util/Signal.h"

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace norix {

class DipChipView;

class OpcodePanelView : public QWidget {
    Q_OBJECT
public:
    OpcodePanelView(OpcodePanelModel& model, std::function<int()> pinCount,
                    QWidget* parent = nullptr);

    // Called with the text that "Insert" appends to the test code.
    std::function<void(const std::string& line)> onInsert;

    // The chip's pin count changed: redraw the pin picker.
    void pinCountChanged() { refresh(); }

    QComboBox* categorySelector() const { return categories_; }
    QListWidget* opcodeList() const { return opcodes_; }
    QLineEdit* argumentField(int index) const;
    QComboBox* argumentChoice(int index) const;
    QPushButton* registerMenuButton(int index) const;
    DipChipView* pinPicker() const { return dip_; }
    QPushButton* insertButton() const { return insert_; }
    QPushButton* backButton() const { return back_; }
    QPushButton* argumentCloseButton() const { return argumentClose_; }
    QLabel* titleLabel() const { return title_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildListPage();
    QWidget* buildArgumentPage();
    void refresh();
    void fillOpcodeList();
    void rebuildArgumentRows();
    QWidget* argumentControl(int index, const OpcodeArg& arg);

    OpcodePanelModel& model_;
    std::function<int()> pinCount_;
    Connection modelConnection_;

    QStackedWidget* stack_;
    QComboBox* categories_ = nullptr;
    QListWidget* opcodes_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* description_ = nullptr;
    QFormLayout* rows_ = nullptr;
    DipChipView* dip_ = nullptr;
    QPushButton* insert_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* argumentClose_ = nullptr;

    std::string listedCategory_;
    const OpcodeOption* rowsBuiltFor_ = nullptr;
    std::vector<QLineEdit*> fields_;
    std::vector<QComboBox*> choices_;
    std::vector<QPushButton*> registerMenus_;
};

} // namespace norix
