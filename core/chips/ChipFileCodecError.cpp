#include "core/chips/ChipFileCodecError.h"

namespace norix {

std::string ChipFileCodecError::message() const {
    switch (kind) {
    case Kind::unsupportedFileType:
        return "Unsupported chip file type: " + value + ".";
    case Kind::invalidPinCount:
        return "Invalid pin count in the chip file: " + value + ".";
    case Kind::invalidChipType:
        return "Invalid chip type in the chip file: " + value + ".";
    case Kind::invalidImageIndex:
        return "Invalid image index in the chip file: " + value + ".";
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
    }
    return {};
}

std::string ChipFileLoadError::message() const {
    return std::visit([](const auto& error) { return std::string(error.message()); }, cause);
}

} // namespace norix
