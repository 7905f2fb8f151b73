#pragma once
// Turns a ChipDocument into the text of a .chip file and back. The writer
// produces one fixed layout; the reader also accepts files written by hand or
// by other programs (any header case, CR LF line ends, a byte-order mark,
// extra sections), and fails with a ChipFileCodecError otherwise.

#include "core/chips/ChipDocument.h"
#include "core/chips/ChipFileCodecError.h"
#include "core/util/AtomicFile.h"
#include "core/util/Expected.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace norix::ChipFileCodec {

// Reads the file: an empty file, bytes that are not UTF-8, or a bad text fail
// with the reader's error, a file that cannot be read as fileSystem with the
// system's reason; a leading byte-order mark is dropped.
Expected<ChipDocument, ChipFileCodecError> load(const std::filesystem::path& path);

// Replaces the file with encode(document), atomically.
std::optional<FileError> save(const ChipDocument& document, const std::filesystem::path& path);

Expected<ChipDocument, ChipFileCodecError> decode(std::string_view text);
std::string encode(const ChipDocument& document);

// "key = value": the key before the first '=', trimmed of white space, and
// the value after it, untouched. Nothing for a line without '=' or with an
// empty key.
std::optional<std::pair<std::string_view, std::string_view>> keyValue(std::string_view line);

// Exactly eight strings: the first eight, padded with empty texts.
std::vector<std::string> normalizedStrings(std::vector<std::string> strings);

// Every CR LF, CR and LF becomes one space.
std::string singleLine(std::string_view text);

// A line the reader takes for a section header: trimmed of white space, it
// begins with '[' and ends with ']'.
bool isSectionHeader(std::string_view line);

// The code as the writer puts it into the file: line ends made line feeds,
// line breaks at either end removed.
std::string writtenCode(std::string_view code);

// The format has no escape for a code line that looks like a section header:
// it is written as it is, and a later read ends the code before it. Saving
// such a chip warns with the first of these lines.
struct BracketedCodeLine {
    std::size_t lineNumber; // from 1, counted in the code as given
    std::string text;       // the line as written, trimmed of white space
};
std::optional<BracketedCodeLine> firstBracketedCodeLine(std::string_view code);
std::string bracketedCodeLineWarning(const BracketedCodeLine& line);

} // namespace norix::ChipFileCodec
