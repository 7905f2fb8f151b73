#include "core/chips/ChipFileCodec.h"

#include "core/util/UnicodeText.h"

#include <algorithm>

namespace norix::ChipFileCodec {
namespace {

enum class Section { none, fileHeader, chips, meta, code, strings, end };

Section sectionFromHeader(std::string_view header) {
    const std::string lower = asciiLowercase(header);
    if (lower == "[chipfile]")
        return Section::fileHeader;
    if (lower == "[chips]")
        return Section::chips;
    if (lower == "[meta]")
        return Section::meta;
    if (lower == "[code]")
        return Section::code;
    if (lower == "[strings]")
        return Section::strings;
    if (lower == "[endchips]")
        return Section::end;
    return Section::none;
}

// Everything read so far; turned into a ChipDocument only when the whole
// text passed, so that nothing of a failed read escapes.
struct ReadState {
    Section section = Section::none;
    std::optional<std::string> fileType;
    std::optional<std::string> name;
    std::optional<std::int64_t> pinCount;
    std::optional<std::int64_t> chipType;
    std::optional<std::int64_t> imageIndex;
    std::string code; // every code line followed by a line feed
    std::vector<std::string> strings = std::vector<std::string>(chipStringCount);
    bool seenChips = false;
    bool seenMeta = false;
};

std::optional<ChipFileCodecError> readMetaLine(ReadState& state, std::string_view trimmed,
                                               std::size_t lineNumber) {
    if (trimmed.empty())
        return std::nullopt;
    const auto pair = keyValue(trimmed);
    if (!pair)
        return std::nullopt;
    const std::string key = asciiLowercase(pair->first);
    const std::string_view value = trimWhitespace(pair->second);
    using Kind = ChipFileErrorKind;
    auto number = [&](std::optional<std::int64_t>& target,
                      Kind failure) -> std::optional<ChipFileCodecError> {
        const auto parsed = parseDecimalInt64(value);
        if (!parsed)
            return chipFileError(failure, value, lineNumber);
        target = *parsed;
        return std::nullopt;
    };
    if (key == "name")
        state.name = std::string(value);
    else if (key == "pins")
        return number(state.pinCount, Kind::invalidPinCount);
    else if (key == "type")
        return number(state.chipType, Kind::invalidChipType);
    else if (key == "imageindex")
        return number(state.imageIndex, Kind::invalidImageIndex);
    return std::nullopt;
}

void readStringLine(ReadState& state, std::string_view line, std::string_view trimmed) {
    if (trimmed.empty())
        return;
    const auto pair = keyValue(line);
    if (!pair)
        return;
    const auto index = parseDecimalInt64(pair->first);
    if (index && *index >= 0 && *index < static_cast<std::int64_t>(chipStringCount))
        state.strings[static_cast<std::size_t>(*index)] = std::string(pair->second);
}

std::optional<ChipFileCodecError> finalCheck(const ReadState& state) {
    using Kind = ChipFileErrorKind;
    if (state.fileType && !state.fileType->empty() && asciiLowercase(*state.fileType) != "single")
        return chipFileError(Kind::unsupportedFileType, *state.fileType);
    if (!state.seenChips)
        return chipFileError(Kind::missingChipSection);
    if (!state.seenMeta)
        return chipFileError(Kind::missingMetadata);
    if (!state.name || state.name->empty())
        return chipFileError(Kind::missingName);
    return std::nullopt;
}

// The code lines joined by line feeds, without the empty lines at either end
// (lines of spaces stay). A line never holds a line feed, so the empty lines
// at the ends are exactly the line feeds there.
std::string joinedCode(std::string code) {
    const std::size_t first = code.find_first_not_of('\n');
    if (first == std::string::npos)
        return {};
    code.erase(code.find_last_not_of('\n') + 1);
    code.erase(0, first);
    return code;
}

// The code as written, viewing `code` itself when it holds no carriage return
// (the usual case) and `storage` otherwise.
std::string_view writtenCodeView(std::string_view code, std::string& storage) {
    if (code.find('\r') != std::string_view::npos) {
        storage = replaceCarriageReturns(code, "\n");
        code = storage;
    }
    return trimNewlines(code);
}

} // namespace

Expected<ChipDocument, ChipFileCodecError> load(const std::filesystem::path& path) {
    const auto bytes = readWholeFile(path);
    if (!bytes)
        return ChipFileCodecError::fromFileError(bytes.error());
    if (bytes->empty())
        return chipFileError(ChipFileErrorKind::emptyFile);
    if (!isValidUtf8(*bytes))
        return chipFileError(ChipFileErrorKind::unreadableFile);
    return decode(withoutByteOrderMark(*bytes));
}

std::optional<FileError> save(const ChipDocument& document, const std::filesystem::path& path) {
    return writeFileAtomically(path, encode(document));
}

Expected<ChipDocument, ChipFileCodecError> decode(std::string_view text) {
    if (text.empty())
        return chipFileError(ChipFileErrorKind::emptyFile);
    std::string normalized;
    if (text.find('\r') != std::string_view::npos) {
        normalized = replaceCarriageReturns(text, "\n");
        text = normalized;
    }
    ReadState state;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start <= text.size();) {
        ++lineNumber;
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::string_view trimmed = trimWhitespace(line);
        if (isSectionHeader(trimmed)) {
            state.section = sectionFromHeader(trimmed);
            state.seenChips = state.seenChips || state.section == Section::chips;
            state.seenMeta = state.seenMeta || state.section == Section::meta;
            continue;
        }
        switch (state.section) {
        case Section::none:
        case Section::chips:
        case Section::end:
            break;
        case Section::fileHeader:
            if (const auto pair = keyValue(trimmed); pair && asciiLowercase(pair->first) == "type")
                state.fileType = std::string(trimWhitespace(pair->second));
            break;
        case Section::meta:
            if (auto error = readMetaLine(state, trimmed, lineNumber))
                return *error;
            break;
        case Section::code:
            if (state.code.empty())
                state.code.reserve(text.size());
            state.code.append(line);
            state.code.push_back('\n');
            break;
        case Section::strings:
            readStringLine(state, line, trimmed);
            break;
        }
    }
    if (auto error = finalCheck(state))
        return *error;

    ChipDocument document;
    document.name = std::move(*state.name);
    document.pinCount = state.pinCount.value_or(defaultPinCount);
    document.chipType = state.chipType.value_or(0);
    document.imageIndex = state.imageIndex.value_or(0);
    document.code = joinedCode(std::move(state.code));
    document.strings = normalizedStrings(std::move(state.strings));
    return document;
}

std::string encode(const ChipDocument& document) {
    std::string normalizedCode;
    const std::string_view code = writtenCodeView(document.code, normalizedCode);
    const std::vector<std::string> strings = normalizedStrings(document.strings);

    std::string text;
    text.reserve(code.size() + document.name.size() + 256);
    auto line = [&text](std::string_view part) {
        text.append(part);
        text.push_back('\n');
    };
    line("[chipfile]");
    line("type = single");
    line("");
    line("[chips]");
    line("");
    line("---");
    line("");
    line("[meta]");
    line("");
    line("name = " + document.name);
    line("pins = " + std::to_string(document.pinCount));
    line("type = " + std::to_string(document.chipType));
    line("imageIndex = " + std::to_string(document.imageIndex));
    line("");
    line("[code]");
    line("");
    if (!code.empty()) {
        // Every line of the code, blank ones inside it included.
        text.append(code);
        text.push_back('\n');
    }
    line("");
    line("[strings]");
    line("");
    for (std::size_t i = 0; i < strings.size(); ++i)
        line(std::to_string(i) + "=" + singleLine(strings[i]));
    line("");
    line("[ENDCHIPS]");
    return text;
}

std::optional<std::pair<std::string_view, std::string_view>> keyValue(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = trimWhitespace(line.substr(0, equals));
    if (key.empty())
        return std::nullopt;
    return std::pair{key, line.substr(equals + 1)};
}

std::vector<std::string> normalizedStrings(std::vector<std::string> strings) {
    strings.resize(chipStringCount);
    return strings;
}

std::string singleLine(std::string_view text) {
    std::string result = replaceCarriageReturns(text, " ");
    for (char& c : result)
        if (c == '\n')
            c = ' ';
    return result;
}

bool isSectionHeader(std::string_view line) {
    const std::string_view trimmed = trimWhitespace(line);
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

std::string writtenCode(std::string_view code) {
    std::string storage;
    return std::string(writtenCodeView(code, storage));
}

std::optional<BracketedCodeLine> firstBracketedCodeLine(std::string_view code) {
    std::string storage;
    const std::string_view written = writtenCodeView(code, storage);
    if (written.empty())
        return std::nullopt;
    // Line breaks trimmed off the front still count: the numbers are the editor's.
    const std::string_view whole = storage.empty() ? code : std::string_view(storage);
    std::size_t lineNumber =
        1 + static_cast<std::size_t>(std::count(whole.data(), written.data(), '\n'));
    for (std::size_t start = 0; start <= written.size(); ++lineNumber) {
        const std::size_t end = std::min(written.find('\n', start), written.size());
        const std::string_view line = written.substr(start, end - start);
        if (isSectionHeader(line))
            return BracketedCodeLine{lineNumber, std::string(trimWhitespace(line))};
        start = end + 1;
    }
    return std::nullopt;
}

std::string bracketedCodeLineWarning(const BracketedCodeLine& line) {
    return "Warning: code line " + std::to_string(line.lineNumber) + " \"" + line.text +
           "\" is enclosed in square brackets, so the code will end before it when the file "
           "is read again.";
}

} // namespace norix::ChipFileCodec
