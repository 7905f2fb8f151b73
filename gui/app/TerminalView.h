#pragma once
// The terminal at the bottom of the main window: every line the chip
// conversations, the compiler and the validator write, scrolled to the end
// as lines arrive, with "Clear Terminal" and "List Code Errors".

#include "core/util/Signal.h"

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace norix {

class ChipSession;

class TerminalView : public QWidget {
    Q_OBJECT
public:
    explicit TerminalView(ChipSession& session, QWidget* parent = nullptr);

    QPlainTextEdit* text() const { return text_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* listErrorsButton() const { return listErrors_; }

private:
    void terminalChanged();

    ChipSession& session_;
    QPlainTextEdit* text_;
    QPushButton* clear_;
    QPushButton* listErrors_;
    std::size_t shownLines_ = 0;
    Connection connection_;
};

} // namespace norix
