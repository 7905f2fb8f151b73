#pragma once
// The font text file: key=value lines, a [data] marker, then one binary token
// ("0b" and one digit per row, top row first) per pixel column. The reader
// accepts hand-edited files (any key case, signs, comments, CR LF, a leading
// byte-order mark) and reports the first problem as a FontImportError.

#include "core/fonts/FontImportError.h"
#include "core/fonts/LoadedFont.h"
#include "core/util/AtomicFile.h"
#include "core/util/Expected.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norix {
namespace FontFile {

// Reads a font file; the result's sourceURL is `path`. A file that cannot be
// read, or is not UTF-8, fails as unreadableFile.
Expected<LoadedFont, FontImportError> load(const std::filesystem::path& path);

// Writes encode(font) atomically. The caller sets sourceURL on success.
std::optional<FileError> save(const LoadedFont& font, const std::filesystem::path& path);

// The same reader on text already in memory (sourceURL stays absent).
Expected<LoadedFont, FontImportError> decode(std::string_view text);

// The font as file text: the text the font window shows, font.generatedText().
inline std::string encode(const LoadedFont& font) {
    return font.generatedText();
}

} // namespace FontFile

// The value of "key=value" when the key matches `key` ignoring case; both
// sides are trimmed of white space and line breaks. The value may be empty.
std::optional<std::string_view> metadataValue(std::string_view key, std::string_view line);

// Every non-overlapping match of 0[bB][01]+ in order, as long as the digits go.
std::vector<std::string_view> extractBinaryTokens(std::string_view text);

// A file name for saving a font under its own name: characters that file
// systems refuse become '_', and ".txt" is appended ("font.txt" for no name).
std::string safeFontFilename(std::string_view name);

} // namespace norix
