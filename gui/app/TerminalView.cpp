#include "gui/app/TerminalView.h"

#include "core/chips/ChipSession.h"
#include "core/language/CodeValidator.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

namespace norix {

TerminalView::TerminalView(ChipSession& session, QWidget* parent)
    : QWidget(parent), session_(session), text_(new QPlainTextEdit),
      clear_(new QPushButton(QIcon::fromTheme(QStringLiteral("user-trash"),
                                              style()->standardIcon(QStyle::SP_TrashIcon)),
                             tr("Clear Terminal"))),
      listErrors_(
          new QPushButton(QIcon::fromTheme(QStringLiteral("dialog-warning"),
                                           style()->standardIcon(QStyle::SP_MessageBoxWarning)),
                          tr("List Code Errors"))) {
    text_->setObjectName(QStringLiteral("terminal"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    auto* header = new QHBoxLayout;
    header->addWidget(new QLabel(tr("Terminal")));
    header->addStretch(1);
    header->addWidget(listErrors_);
    header->addWidget(clear_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(header);
    layout->addWidget(text_, 1);

    connect(clear_, &QPushButton::clicked, this, [this] { session_.terminal().clear(); });
    connect(listErrors_, &QPushButton::clicked, this, [this] {
        const auto& editor = session_.editor();
        validateCode(editor.chipCode(), static_cast<int>(editor.selectedPins()),
                     [this](const std::string& entry) { session_.appendTerminal(entry); });
    });
    connection_ = session_.terminal().changed.connect([this] { terminalChanged(); });
    terminalChanged();
}

void TerminalView::terminalChanged() {
    const auto& lines = session_.terminal().terminalLines();
    if (lines.size() == shownLines_)
        return;
    if (lines.size() == shownLines_ + 1 && shownLines_ > 0) {
        // The usual case: one more line. Appending keeps a long terminal cheap.
        text_->appendPlainText(QString::fromStdString(lines.back()));
    } else {
        // Cleared, or the oldest lines were dropped: show the list afresh.
        text_->setPlainText(QString::fromStdString(session_.terminal().joinedText()));
    }
    shownLines_ = lines.size();
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

} // namespace norix
