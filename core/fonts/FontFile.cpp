#include "core/fonts/FontFile.h"

#include "core/util/UnicodeText.h"

namespace norix {
namespace {

using Kind = FontFileErrorKind;

// The four keys as the scan found them, and the data section's tokens.
struct FontScan {
    std::optional<std::string> name;
    std::optional<std::int64_t> width;
    std::optional<std::int64_t> height;
    std::optional<std::int64_t> size;
    bool seenData = false;
    std::vector<std::string_view> tokens;
};

// A width, height or size value: a positive decimal number.
std::optional<FontImportError> readDimension(std::string_view text, std::string_view value,
                                             std::optional<std::int64_t>& target, Kind failure) {
    const auto parsed = parseDecimalInt64(value);
    if (!parsed || *parsed <= 0)
        return fontFileError(failure, value, 0, 0, lineNumberAt(text, value));
    target = *parsed;
    return std::nullopt;
}

std::optional<FontImportError> scanLines(std::string_view text, FontScan& scan) {
    bool inData = false;
    for (std::string_view line : splitAtLineBreaks(text)) {
        if (inData) {
            // A line break never belongs to a token, so tokens can be taken
            // line by line without joining the data section first.
            for (auto token : extractBinaryTokens(line))
                scan.tokens.push_back(token);
            continue;
        }
        const std::string_view trimmed = trimWhitespaceAndNewlines(line);
        if (equalsIgnoringAsciiCase(trimmed, "[data]")) {
            inData = true;
            scan.seenData = true;
            continue;
        }
        if (trimmed.empty())
            continue;
        if (auto value = metadataValue("name", trimmed)) {
            scan.name = std::string(*value);
        } else if (auto width = metadataValue("width", trimmed)) {
            if (auto error = readDimension(text, *width, scan.width, Kind::invalidWidth))
                return error;
        } else if (auto height = metadataValue("height", trimmed)) {
            if (auto error = readDimension(text, *height, scan.height, Kind::invalidHeight))
                return error;
        } else if (auto size = metadataValue("size", trimmed)) {
            if (auto error = readDimension(text, *size, scan.size, Kind::invalidSize))
                return error;
        }
    }
    return std::nullopt;
}

std::optional<FontImportError> checkHeader(const FontScan& scan) {
    if (!scan.name || scan.name->empty())
        return fontFileError(Kind::missingName);
    if (!scan.width)
        return fontFileError(Kind::missingWidth);
    if (!scan.height)
        return fontFileError(Kind::missingHeight);
    if (!scan.size)
        return fontFileError(Kind::missingSize);
    if (!scan.seenData)
        return fontFileError(Kind::missingDataSection);
    if (*scan.height > maximumFontHeight)
        return fontFileError(Kind::columnTooTall, {}, *scan.height);
    return std::nullopt;
}

} // namespace

Expected<LoadedFont, FontImportError> FontFile::decode(std::string_view text) {
    FontScan scan;
    if (auto error = scanLines(text, scan))
        return *error;
    if (auto error = checkHeader(scan))
        return *error;
    if (scan.tokens.empty())
        return fontFileError(Kind::missingFontData);

    const std::int64_t height = *scan.height;
    std::vector<std::uint64_t> columns;
    columns.reserve(scan.tokens.size());
    for (std::string_view token : scan.tokens) {
        const std::string_view digits = token.substr(2);
        const auto count = static_cast<std::int64_t>(digits.size());
        if (count != height)
            return fontFileError(Kind::inconsistentColumnHeight, token, height, count,
                                 lineNumberAt(text, token));
        // At most eight digits here, but a wider column must never wrap.
        if (digits.size() > 64)
            return fontFileError(Kind::invalidBinaryValue, token, 0, 0, lineNumberAt(text, token));
        std::uint64_t value = 0;
        for (char digit : digits)
            value = (value << 1) | static_cast<std::uint64_t>(digit - '0');
        columns.push_back(value);
    }
    const auto found = static_cast<std::int64_t>(columns.size());
    if (found != *scan.size)
        return fontFileError(Kind::sizeMismatch, {}, *scan.size, found);
    if (*scan.size % *scan.width != 0)
        return fontFileError(Kind::incompleteGlyph, {}, *scan.size, *scan.width);
    return LoadedFont(std::move(*scan.name), *scan.width, height, std::move(columns));
}

Expected<LoadedFont, FontImportError> FontFile::load(const std::filesystem::path& path) {
    const auto bytes = readWholeFile(path);
    if (!bytes || !isValidUtf8(*bytes))
        return fontFileError(Kind::unreadableFile);
    // Editors on some systems put a byte-order mark in front of UTF-8 text;
    // it would otherwise hide the first key.
    auto font = decode(withoutByteOrderMark(*bytes));
    if (font)
        font->sourceURL = path;
    return font;
}

std::optional<FileError> FontFile::save(const LoadedFont& font, const std::filesystem::path& path) {
    return writeFileAtomically(path, encode(font));
}

std::optional<std::string_view> metadataValue(std::string_view key, std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    if (!equalsIgnoringAsciiCase(trimWhitespaceAndNewlines(line.substr(0, equals)), key))
        return std::nullopt;
    return trimWhitespaceAndNewlines(line.substr(equals + 1));
}

std::vector<std::string_view> extractBinaryTokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i + 2 < text.size()) {
        if (text[i] == '0' && (text[i + 1] == 'b' || text[i + 1] == 'B') &&
            (text[i + 2] == '0' || text[i + 2] == '1')) {
            std::size_t end = i + 3;
            while (end < text.size() && (text[end] == '0' || text[end] == '1'))
                ++end;
            tokens.push_back(text.substr(i, end - i));
            i = end;
        } else {
            ++i;
        }
    }
    return tokens;
}

std::string safeFontFilename(std::string_view name) {
    std::string replaced(name);
    for (char& c : replaced)
        if (std::string_view("/:\"?*<>|").find(c) != std::string_view::npos)
            c = '_';
    std::string result(trimWhitespaceAndNewlines(replaced));
    if (result.empty())
        result = "font";
    return result + ".txt";
}

} // namespace norix
