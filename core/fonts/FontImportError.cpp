#include "core/fonts/FontImportError.h"

namespace norix {
namespace {

std::string fontFileMessage(FontFileErrorKind kind, const std::string& text, std::int64_t first,
                            std::int64_t second) {
    using Kind = FontFileErrorKind;
    const std::string a = std::to_string(first);
    const std::string b = std::to_string(second);
    switch (kind) {
    case Kind::invalidWidth:
        return "The font width is invalid: " + text;
    case Kind::invalidHeight:
        return "The font height is invalid: " + text;
    case Kind::invalidSize:
        return "The font size is invalid: " + text;
    case Kind::invalidBinaryValue:
        return "The font contains an invalid binary value: " + text;
    case Kind::columnTooTall:
        return "Norix fonts currently support a maximum height of 8 pixels. The file declares a "
               "height of " +
               a + " pixels.";
    case Kind::sizeMismatch:
        return "The file declares size=" + a + ", but it contains " + b + " binary column values.";
    case Kind::incompleteGlyph:
        return "The font contains " + a +
               " column values, which cannot be evenly divided into glyphs that are " + b +
               " columns wide.";
    case Kind::inconsistentColumnHeight:
        return "Every binary column should contain " + a + " bits, but " + text + " contains " + b +
               " bits.";
    case Kind::unreadableFile:
        return "The selected font file could not be read as text.";
    case Kind::missingName:
        return "The font file is missing its name= entry.";
    case Kind::missingWidth:
        return "The font file is missing its width= entry.";
    case Kind::missingHeight:
        return "The font file is missing its height= entry.";
    case Kind::missingSize:
        return "The font file is missing its size= entry.";
    case Kind::missingDataSection:
        return "The font file does not contain a [data] section.";
    case Kind::missingFontData:
        return "No binary column values were found after [data].";
    }
    return {};
}

} // namespace

FontImportError fontFileError(FontFileErrorKind kind, std::string_view text, std::int64_t first,
                              std::int64_t second, std::size_t line) {
    return {kind, line, fontFileMessage(kind, std::string(text), first, second)};
}

} // namespace norix
