#pragma once
// The test-code editor: a plain-text editor in a monospaced 14 pt font with a
// gutter of instruction numbers beside it. The gutter paints only the blocks
// that are visible, from marks computed elsewhere (InstructionNumbers).

#include "core/language/InstructionNumbers.h"

#include <QPlainTextEdit>
#include <vector>

namespace norix {

class CodeEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CodeEditor(QWidget* parent = nullptr);

    // One mark per block; blocks beyond the list show nothing.
    void setInstructionMarks(std::vector<InstructionNumberMark> marks);
    const std::vector<InstructionNumberMark>& instructionMarks() const { return marks_; }

    int gutterWidth() const;
    QWidget* gutter() const { return gutter_; }
    void paintGutter(QPaintEvent* event);

    // Replaces the whole text as one undoable step, keeping the cursor where it was.
    void replaceText(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateGutterWidth();
    void updateGutter(const QRect& rect, int dy);

    QWidget* gutter_;
    std::vector<InstructionNumberMark> marks_;
    int widestNumber_ = 0;
};

} // namespace norix
