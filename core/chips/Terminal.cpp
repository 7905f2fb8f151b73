#include "core/chips/Terminal.h"

#include "core/util/UnicodeText.h"

namespace norix {

void Terminal::appendTerminal(std::string_view text) {
    const std::string_view trimmed = trimNewlines(text);
    if (trimmed.empty())
        return;
    lines_.emplace_back(trimmed);
    if (lines_.size() > maximumLines)
        lines_.erase(lines_.begin(),
                     lines_.begin() + static_cast<std::ptrdiff_t>(linesDroppedWhenFull));
    lineAppended.emit(lines_.back());
    changed.emit();
}

void Terminal::clear() {
    if (lines_.empty())
        return;
    lines_.clear();
    changed.emit();
}

std::string Terminal::joinedText() const {
    std::string text;
    for (const auto& line : lines_) {
        if (!text.empty())
            text += '\n';
        text += line;
    }
    return text;
}

} // namespace norix
