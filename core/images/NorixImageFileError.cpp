#include "core/images/NorixImageFileError.h"

namespace norix {
namespace {

std::string imageFileMessage(ImageFileErrorKind kind, const std::string& text, std::int64_t first,
                             std::int64_t second) {
    using Kind = ImageFileErrorKind;
    switch (kind) {
    case Kind::invalidDataLine:
        return "Invalid image data line: " + text;
    case Kind::sizeMismatch:
        return "The file declares " + std::to_string(first) + " data bytes, but contains " +
               std::to_string(second) + ".";
    case Kind::pixelCountMismatch:
        return "The image data expands to " + std::to_string(second) + " pixels; " +
               std::to_string(first) + " are required.";
    case Kind::missingDataSection:
        return "The file does not contain a [data] section.";
    case Kind::invalidDimensions:
        return "The file has missing or invalid width and height values.";
    case Kind::imageTooLarge:
        return "The image is larger than the Norix display limit of 160 \u00D7 128 pixels.";
    case Kind::invalidDeclaredSize:
        return "The file has an invalid size value.";
    case Kind::zeroRun:
        return "An image data run has a count of zero.";
    case Kind::noImageData:
        return "The file does not contain any image data.";
    case Kind::compressedTooLarge:
        return "The compressed image data is larger than 4096 bytes.";
    case Kind::fileSystem:
        return text;
    }
    return {};
}

} // namespace

NorixImageFileError imageFileError(ImageFileErrorKind kind, std::string_view text,
                                   std::int64_t first, std::int64_t second, std::size_t line) {
    return {kind, line, imageFileMessage(kind, std::string(text), first, second)};
}

} // namespace norix
