#include "gui/editor/CodeHighlighter.h"

#include "core/language/CodeColoring.h"
#include "gui/editor/EditorColors.h"

#include <QTextCharFormat>
#include <vector>

namespace norix {
namespace {

// Positions in the UTF-8 text of a line as positions of its QString. Only
// needed when the line has characters beyond ASCII.
std::vector<int> utf16Offsets(const QString& text, std::size_t utf8Size) {
    std::vector<int> offsets(utf8Size + 1, 0);
    std::size_t byte = 0;
    for (int i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        std::size_t bytes = 1;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size()) {
            bytes = 4;
        } else if (QChar::isLowSurrogate(unit)) {
            continue; // counted with its high surrogate
        } else if (unit >= 0x800) {
            bytes = 3;
        } else if (unit >= 0x80) {
            bytes = 2;
        }
        for (std::size_t k = 0; k < bytes && byte + k < offsets.size(); ++k)
            offsets[byte + k] = i;
        byte += bytes;
    }
    for (std::size_t k = byte; k < offsets.size(); ++k)
        offsets[k] = static_cast<int>(text.size());
    return offsets;
}

} // namespace

CodeHighlighter::CodeHighlighter(QTextDocument* document, std::function<int()> pinCount)
    : QSyntaxHighlighter(document), pinCount_(std::move(pinCount)), lastPinCount_(pinCount_()) {}

void CodeHighlighter::pinCountChanged() {
    const int pins = pinCount_();
    if (pins == lastPinCount_)
        return;
    lastPinCount_ = pins;
    rehighlight();
}

void CodeHighlighter::setDarkBackground(bool dark) {
    if (dark == darkBackground_)
        return;
    darkBackground_ = dark;
    rehighlight();
}

void CodeHighlighter::highlightBlock(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const auto spans = colorizedLine(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), pinCount_());
    if (spans.empty())
        return;
    const bool ascii = utf8.size() == text.size();
    std::vector<int> offsets;
    if (!ascii)
        offsets = utf16Offsets(text, static_cast<std::size_t>(utf8.size()));
    for (const auto& span : spans) {
        QTextCharFormat format;
        format.setForeground(editorColor(span.color, darkBackground_));
        int start = static_cast<int>(span.start);
        int end = static_cast<int>(span.start + span.length);
        if (!ascii) {
            start = offsets[span.start];
            end = offsets[span.start + span.length];
        }
        setFormat(start, end - start, format);
    }
}

} // namespace norix
