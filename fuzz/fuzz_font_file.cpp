// Font file reader on arbitrary bytes: a font or a reader error, and every
// font it accepts is written so that it reads back unchanged.

#include "core/fonts/FontFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto font = norix::FontFile::decode(text);
    if (!font) {
        if (font.error().message().empty())
            std::abort();
        return 0;
    }
    const auto again = norix::FontFile::decode(font->generatedText());
    if (!again || !(*again == *font))
        std::abort();
    for (std::int64_t glyph = -1; glyph <= font->glyphCount(); ++glyph)
        if (!font->columnsForGlyph(glyph).empty() != (glyph >= 0 && glyph < font->glyphCount()))
            std::abort();
    return 0;
}
