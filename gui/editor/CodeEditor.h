#pragma once
// The test-code editor: a plain-text editor in a monospaced 14 px font that
// wraps long lines, with a gutter of instruction numbers beside it (on the
// first visual line of each instruction). Tab inserts spaces. The gutter
// paints only the blocks that are visible, from marks computed elsewhere.

#include "core/language/InstructionNumbers.h"
#include "gui/editor/EditorColors.h"

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

    // The height that shows `lines` lines of code.
    int heightForLines(int lines) const;
    // Where the gutter writes the number of a block, in gutter coordinates.
    QRect numberRect(int blockNumber) const;
    bool darkBackground() const { return isDarkPalette(palette()); }

    static constexpr int tabWidth = 4;

Q_SIGNALS:
    // The palette changed, and with it perhaps light and dark.
    void paletteChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateGutterWidth();
    void updateGutter(const QRect& rect, int dy);

    QWidget* gutter_;
    std::vector<InstructionNumberMark> marks_;
    int widestNumber_ = 0;
};

} // namespace norix
