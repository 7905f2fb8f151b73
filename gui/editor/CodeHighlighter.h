#pragma once
// Colours test code block by block (opcodes, registers, comments, errors) on
// any QTextDocument, so it can be tested without a window. The rules live in
// core (colorizedLine); this class only turns their spans into formats.

#include <QSyntaxHighlighter>
#include <functional>

namespace norix {

class CodeHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    // `pinCount` is read for every block: pin arguments are checked against it.
    CodeHighlighter(QTextDocument* document, std::function<int()> pinCount);

    // The pin count changed: recolour every block.
    void pinCountChanged();
    // Lighter shades on a dark background; recolours when this changes.
    void setDarkBackground(bool dark);
    bool darkBackground() const { return darkBackground_; }

protected:
    void highlightBlock(const QString& text) override;

private:
    std::function<int()> pinCount_;
    int lastPinCount_ = -1;
    bool darkBackground_ = false;
};

} // namespace norix
