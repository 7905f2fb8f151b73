#include "core/fonts/LoadedFont.h"

#include "core/util/UnicodeText.h"

namespace norix {
namespace {

std::string glyphLabel(std::int64_t index) {
    if (index == 0)
        return "Space";
    if (index < printableGlyphCount)
        return std::string(1, static_cast<char>(firstGlyphCharacter + index));
    return "Glyph " + std::to_string(index);
}

// "0b" and the low eight bits, padded with zeros to `height` digits; never cut.
void appendColumnToken(std::string& text, std::uint64_t column, std::int64_t height) {
    const unsigned value = static_cast<unsigned>(column & 0xFF);
    char digits[8];
    int count = 0;
    for (unsigned rest = value; count == 0 || rest != 0; rest >>= 1)
        digits[count++] = static_cast<char>('0' + (rest & 1));
    text += "0b";
    for (std::int64_t pad = height - count; pad > 0; --pad)
        text.push_back('0');
    while (count > 0)
        text.push_back(digits[--count]);
}

} // namespace

std::int64_t LoadedFont::glyphCount() const {
    if (width_ <= 0)
        return 0;
    return size() / width_;
}

std::vector<std::uint64_t> LoadedFont::columnsForGlyph(std::int64_t index) const {
    if (index < 0 || index >= glyphCount())
        return {};
    const auto begin = columns.begin() + static_cast<std::ptrdiff_t>(index * width_);
    return {begin, begin + static_cast<std::ptrdiff_t>(width_)};
}

std::string LoadedFont::generatedText() const {
    std::string text;
    const std::int64_t glyphs = glyphCount();
    const std::size_t digitsPerColumn =
        static_cast<std::size_t>(std::max<std::int64_t>(height_, 8));
    text.reserve(64 + columns.size() * (digitsPerColumn + 4) +
                 static_cast<std::size_t>(glyphs) * 24);
    text += "name=" + name + "\n";
    text += "width=" + std::to_string(width_) + "\n";
    text += "height=" + std::to_string(height_) + "\n";
    text += "size=" + std::to_string(size()) + "\n";
    text += "\n[data]\n";
    for (std::int64_t glyph = 0; glyph < glyphs; ++glyph) {
        text += "\n# Glyph " + std::to_string(glyph) + " - " + glyphLabel(glyph) + "\n";
        appendGlyphColumns(text, glyph);
        text.push_back('\n');
    }
    return text;
}

void LoadedFont::appendGlyphColumns(std::string& text, std::int64_t glyph) const {
    const std::size_t first = static_cast<std::size_t>(glyph * width_);
    for (std::size_t column = 0; column < static_cast<std::size_t>(width_); ++column) {
        if (column > 0)
            text += ", ";
        appendColumnToken(text, columns[first + column], height_);
    }
}

std::string LoadedFont::glyphDataLine(std::int64_t index) const {
    std::string line;
    if (index >= 0 && index < glyphCount())
        appendGlyphColumns(line, index);
    return line;
}

std::optional<LoadedFont> makeNewFont(const NewFontOptions& options) {
    const std::string_view name = trimWhitespaceAndNewlines(options.name);
    if (name.empty())
        return std::nullopt;
    std::int64_t columnCount = 0;
    if (options.width > 0 && options.glyphCount > 0 &&
        __builtin_mul_overflow(options.width, options.glyphCount, &columnCount))
        return std::nullopt;
    return LoadedFont(std::string(name), options.width, options.height,
                      std::vector<std::uint64_t>(static_cast<std::size_t>(columnCount), 0));
}

} // namespace norix
