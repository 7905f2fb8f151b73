#include "core/chips/ChipFileCodecError.h"

namespace norix {
namespace {

std::string chipFileMessage(ChipFileErrorKind kind, std::string_view value) {
    using Kind = ChipFileErrorKind;
    const std::string v(value);
    switch (kind) {
    case Kind::unsupportedFileType:
        return "Unsupported chip file type: " + v + ".";
    case Kind::invalidPinCount:
        return "Invalid pin count in the chip file: " + v + ".";
    case Kind::invalidChipType:
        return "Invalid chip type in the chip file: " + v + ".";
    case Kind::invalidImageIndex:
        return "Invalid image index in the chip file: " + v + ".";
    case Kind::unreadableFile:
        return "The chip file could not be read as UTF-8 text.";
    case Kind::emptyFile:
        return "The chip file is empty.";
    case Kind::missingChipSection:
        return "The file does not contain a [chips] section.";
    case Kind::missingMetadata:
        return "The file does not contain a [meta] section.";
    case Kind::missingName:
        return "The chip name is missing from the [meta] section.";
    case Kind::fileSystem:
        return v;
    }
    return {};
}

} // namespace

ChipFileCodecError chipFileError(ChipFileErrorKind kind, std::string_view value, std::size_t line) {
    return {kind, line, chipFileMessage(kind, value)};
}

} // namespace norix
