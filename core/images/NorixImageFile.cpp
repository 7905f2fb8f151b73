#include "core/images/NorixImageFile.h"

#include "core/util/UnicodeText.h"

#include <array>
#include <cerrno>

namespace norix {
namespace {

using Kind = ImageFileErrorKind;

std::optional<std::uint8_t> parseByte(std::string_view part) {
    if (part.starts_with('-'))
        return std::nullopt;
    const auto value = parseDecimalInt64(part);
    if (!value || *value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

struct ImageScan {
    std::string name;
    std::optional<std::int64_t> width;
    std::optional<std::int64_t> height;
    std::optional<std::int64_t> declaredSize;
    bool seenData = false;
    std::vector<std::uint8_t> data;
};

std::optional<NorixImageFileError> readDataLine(ImageScan& scan, std::string_view line) {
    std::array<std::string_view, 3> parts;
    std::uint8_t record[3] = {};
    if (splitAtWhitespace(line, parts) != 3)
        return imageFileError(Kind::invalidDataLine, line);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto value = parseByte(parts[i]);
        if (!value)
            return imageFileError(Kind::invalidDataLine, line);
        record[i] = *value;
    }
    if (record[0] == 0)
        return imageFileError(Kind::zeroRun);
    scan.data.insert(scan.data.end(), record, record + 3);
    return std::nullopt;
}

// Keys are matched exactly, letter case included, and their values are not
// trimmed: "width= 5" has no width.
std::optional<NorixImageFileError> readKeyLine(ImageScan& scan, std::string_view line) {
    auto rest = [&](std::string_view key) -> std::optional<std::string_view> {
        if (!line.starts_with(key))
            return std::nullopt;
        return line.substr(key.size());
    };
    if (auto value = rest("name=")) {
        scan.name = std::string(*value);
    } else if (auto width = rest("width=")) {
        scan.width = parseDecimalInt64(*width);
    } else if (auto height = rest("height=")) {
        scan.height = parseDecimalInt64(*height);
    } else if (auto size = rest("size=")) {
        const auto parsed = parseDecimalInt64(*size);
        if (!parsed || *parsed < 0)
            return imageFileError(Kind::invalidDeclaredSize);
        scan.declaredSize = *parsed;
    }
    return std::nullopt;
}

std::optional<NorixImageFileError> checkScan(const ImageScan& scan) {
    if (!scan.seenData)
        return imageFileError(Kind::missingDataSection);
    if (!scan.width || !scan.height || *scan.width <= 0 || *scan.height <= 0)
        return imageFileError(Kind::invalidDimensions);
    if (*scan.width > screenWidth || *scan.height > screenHeight)
        return imageFileError(Kind::imageTooLarge);
    if (scan.data.empty())
        return imageFileError(Kind::noImageData);
    if (scan.data.size() > maximumCompressedImageBytes)
        return imageFileError(Kind::compressedTooLarge);
    const auto found = static_cast<std::int64_t>(scan.data.size());
    if (scan.declaredSize && *scan.declaredSize != found)
        return imageFileError(Kind::sizeMismatch, {}, *scan.declaredSize, found);
    return std::nullopt;
}

} // namespace

std::string NorixImageFile::encode(const NorixImage& image) {
    if (image.imageName.empty())
        return std::string(noImageLoadedText);
    const auto& data = image.compressedImageData;
    std::string text;
    text.reserve(64 + image.imageName.size() + data.size() * 4);
    text += "name=" + image.imageName + "\n\n";
    text += "width=" + std::to_string(image.imageWidth) + "\n\n";
    text += "height=" + std::to_string(image.imageHeight) + "\n\n";
    text += "size=" + std::to_string(data.size()) + "\n\n";
    text += "[data]\n";
    for (std::size_t i = 0; i + 3 <= data.size(); i += 3) {
        text += "\n" + std::to_string(data[i]) + " " + std::to_string(data[i + 1]) + " " +
                std::to_string(data[i + 2]);
    }
    return text;
}

Expected<NorixImage, NorixImageFileError> NorixImageFile::decode(std::string_view text) {
    ImageScan scan;
    bool inData = false;
    for (std::string_view rawLine : splitAtLineBreaks(text)) {
        const std::string_view line = trimWhitespaceAndNewlines(rawLine);
        if (line.empty())
            continue;
        if (equalsIgnoringAsciiCase(line, "[data]")) {
            inData = true;
            scan.seenData = true;
            continue;
        }
        auto error = inData ? readDataLine(scan, line) : readKeyLine(scan, line);
        if (error) {
            // Only a failure pays for counting the lines before it.
            error->line = lineNumberAt(text, rawLine);
            return *error;
        }
    }
    if (auto error = checkScan(scan))
        return *error;

    const std::int64_t required = *scan.width * *scan.height;
    std::vector<std::uint16_t> pixels;
    pixels.reserve(static_cast<std::size_t>(required));
    for (std::size_t i = 0; i < scan.data.size(); i += 3) {
        const std::int64_t expanded = static_cast<std::int64_t>(pixels.size()) + scan.data[i];
        if (expanded > required)
            return imageFileError(Kind::pixelCountMismatch, {}, required, expanded);
        const auto colour = static_cast<std::uint16_t>((scan.data[i + 1] << 8) | scan.data[i + 2]);
        pixels.insert(pixels.end(), scan.data[i], colour);
    }
    if (static_cast<std::int64_t>(pixels.size()) < required)
        return imageFileError(Kind::pixelCountMismatch, {}, required,
                              static_cast<std::int64_t>(pixels.size()));
    return NorixImage{std::move(scan.name), *scan.width, *scan.height, std::move(pixels),
                      std::move(scan.data)};
}

Expected<NorixImage, NorixImageFileError> NorixImageFile::load(const std::filesystem::path& path) {
    const auto bytes = readWholeFile(path);
    if (!bytes)
        return NorixImageFileError::fromFileError(bytes.error());
    if (!isValidUtf8(*bytes))
        return NorixImageFileError::fromFileError(FileError::fromErrno(EILSEQ));
    return decode(withoutByteOrderMark(*bytes));
}

std::optional<FileError> NorixImageFile::save(const NorixImage& image,
                                              const std::filesystem::path& path) {
    return writeFileAtomically(path, encode(image));
}

} // namespace norix
