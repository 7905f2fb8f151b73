#include "gui/editor/CodeEditor.h"

#include "gui/editor/EditorColors.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>
#include <algorithm>

namespace norix {
namespace {

// Delegates its painting to the editor, which knows the block geometry.
class InstructionGutter : public QWidget {
public:
    explicit InstructionGutter(CodeEditor* editor) : QWidget(editor), editor_(editor) {}
    QSize sizeHint() const override { return {editor_->gutterWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->paintGutter(event); }

private:
    CodeEditor* editor_;
};

constexpr int textInset = 6;

} // namespace

CodeEditor::CodeEditor(QWidget* parent)
    : QPlainTextEdit(parent), gutter_(new InstructionGutter(this)) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Pixels, not points: the same size whatever the screen's dots per inch.
    font.setPixelSize(14);
    font.setWeight(QFont::Normal);
    setFont(font);
    document()->setDocumentMargin(textInset);
    setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * tabWidth);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setTabChangesFocus(false);
    setFrameShape(QFrame::NoFrame);
    setCursorWidth(2);
    setObjectName(QStringLiteral("codeEditor"));

    connect(this, &QPlainTextEdit::updateRequest, this, &CodeEditor::updateGutter);
    updateGutterWidth();
}

void CodeEditor::setInstructionMarks(std::vector<InstructionNumberMark> marks) {
    marks_ = std::move(marks);
    int widest = 0;
    for (const auto& mark : marks_)
        widest = std::max(widest, mark.number.value_or(0));
    if (widest != widestNumber_) {
        widestNumber_ = widest;
        updateGutterWidth();
    }
    gutter_->update();
}

int CodeEditor::gutterWidth() const {
    int digits = 1;
    for (int n = std::max(widestNumber_, 1); n >= 10; n /= 10)
        ++digits;
    // Room for the error star, the digits and a little air on both sides.
    const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('9'));
    return textInset + charWidth * (digits + 2);
}

void CodeEditor::updateGutterWidth() {
    setViewportMargins(gutterWidth(), 0, 0, 0);
}

void CodeEditor::updateGutter(const QRect& rect, int dy) {
    if (dy != 0)
        gutter_->scroll(0, dy);
    else
        gutter_->update(0, rect.y(), gutter_->width(), rect.height());
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    gutter_->setGeometry(QRect(area.left(), area.top(), gutterWidth(), area.height()));
}

QRect CodeEditor::numberRect(int blockNumber) const {
    const QTextBlock block = document()->findBlockByNumber(blockNumber);
    if (!block.isValid())
        return {};
    const int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('9'));
    // One line high at the block's top: a wrapped instruction is numbered on
    // its first visual line, not in the middle of its lines.
    return QRect(0, top, gutter_->width() - charWidth / 2, fontMetrics().height());
}

int CodeEditor::heightForLines(int lines) const {
    const int frame = frameWidth() * 2;
    return lines * fontMetrics().lineSpacing() +
           2 * static_cast<int>(document()->documentMargin()) + frame;
}

void CodeEditor::paintGutter(QPaintEvent* event) {
    QPainter painter(gutter_);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setFont(font());
    const bool dark = darkBackground();

    const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('9'));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    int bottom = top + qRound(blockBoundingRect(block).height());

    while (block.isValid() && top <= event->rect().bottom()) {
        const auto index = static_cast<std::size_t>(block.blockNumber());
        if (block.isVisible() && bottom >= event->rect().top() && index < marks_.size()) {
            const auto& mark = marks_[index];
            const QRect numberArea = numberRect(block.blockNumber());
            if (mark.hasError) {
                painter.setPen(editorColor(CodeColor::error, dark));
                painter.drawText(
                    QRect(textInset / 2, numberArea.top(), charWidth, numberArea.height()),
                    Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("*"));
            }
            if (mark.number) {
                painter.setPen(gutterNumberColor(dark));
                painter.drawText(numberArea, Qt::AlignRight | Qt::AlignVCenter,
                                 QString::number(*mark.number));
            }
        }
        block = block.next();
        top = bottom;
        bottom = top + qRound(blockBoundingRect(block).height());
    }
}

void CodeEditor::keyPressEvent(QKeyEvent* event) {
    // A tab character is not part of the language; spaces to the next stop are.
    if (event->key() == Qt::Key_Tab && !(event->modifiers() & ~Qt::KeypadModifier)) {
        QTextCursor cursor = textCursor();
        if (cursor.hasSelection())
            cursor.removeSelectedText();
        const int column = cursor.positionInBlock();
        cursor.insertText(QString(tabWidth - column % tabWidth, QLatin1Char(' ')));
        setTextCursor(cursor);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CodeEditor::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        gutter_->update();
        Q_EMIT paletteChanged();
    }
}

void CodeEditor::replaceText(const QString& text) {
    const QString current = toPlainText();
    if (text == current)
        return;
    if (!current.isEmpty() && text.startsWith(current)) {
        // An appended line (the opcode panel's "Insert") stays one undoable step
        // and leaves the rest of the document, and its colouring, alone.
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text.mid(current.size()));
        return;
    }
    // A different chip: a fresh document, without an undo history that would
    // bring back the previous chip's code.
    const int position = textCursor().position();
    setPlainText(text);
    QTextCursor cursor(document());
    cursor.setPosition(std::min(position, document()->characterCount() - 1));
    setTextCursor(cursor);
}

} // namespace norix
