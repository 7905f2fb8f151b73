#include "pictures/PictureFile.h"

#include "core/images/NorixImageFileError.h"
#include "core/images/Rgb565.h"
#include "core/util/AtomicFile.h"
#include "pictures/PngStreamReader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cstring>

namespace norix {
namespace {

// Decoding at a few times the target size keeps enough detail for the
// averaging scale-down in core while skipping most of a large picture's work.
constexpr std::int64_t decodeOversampling = 4;

RgbaPicture fromImage(const QImage& decoded) {
    const QImage image = decoded.convertToFormat(QImage::Format_RGBA8888);
    RgbaPicture picture{image.width(), image.height(), {}};
    picture.rgba.resize(static_cast<std::size_t>(image.width()) *
                        static_cast<std::size_t>(image.height()) * 4);
    const auto rowBytes = static_cast<std::size_t>(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(picture.rgba.data() + static_cast<std::size_t>(y) * rowBytes,
                    image.constScanLine(y), rowBytes);
    return picture;
}

std::string reasonOf(const QImageReader& reader) {
    return reader.errorString().toStdString();
}

Expected<RgbaPicture, std::string> readWith(QImageReader& reader, std::int64_t maxWidth,
                                            std::int64_t maxHeight) {
    reader.setAutoTransform(true);
    QSize size = reader.size();
    // A picture turned by its orientation tag swaps its sides once decoded.
    if (size.isValid() && reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        size.transpose();
    if (size.isValid()) {
        const auto [width, height] =
            fittedPictureSize(size.width(), size.height(), maxWidth * decodeOversampling,
                              maxHeight * decodeOversampling);
        if (width < size.width() || height < size.height()) {
            QSize scaled(static_cast<int>(width), static_cast<int>(height));
            if (reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
                scaled.transpose();
            reader.setScaledSize(scaled);
        }
    }
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return reasonOf(reader);
    return fromImage(image);
}

} // namespace

Expected<RgbaPicture, std::string> readPictureFile(const std::filesystem::path& path,
                                                   std::int64_t maxWidth, std::int64_t maxHeight) {
    QImageReader reader(QString::fromStdString(path.string()));
    const QSize size = reader.size();
    const std::int64_t decodeWidth = maxWidth * decodeOversampling;
    const std::int64_t decodeHeight = maxHeight * decodeOversampling;
    if (reader.format() == "png" && size.isValid() &&
        (size.width() > decodeWidth || size.height() > decodeHeight)) {
        if (auto streamed = readPngScaledDown(path, decodeWidth, decodeHeight))
            return std::move(*streamed);
    }
    return readWith(reader, maxWidth, maxHeight);
}

Expected<RgbaPicture, std::string> decodePicture(const std::string& bytes) {
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return reasonOf(reader);
    return fromImage(image);
}

std::string encodeImagePng(const NorixImage& image) {
    if (!image.isDisplayable())
        return {};
    const std::vector<std::uint8_t> rgba = rgbaFromRgb565(image.imagePixels);
    const QImage picture(rgba.data(), static_cast<int>(image.imageWidth),
                         static_cast<int>(image.imageHeight),
                         static_cast<qsizetype>(image.imageWidth * 4), QImage::Format_RGBA8888);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture.convertToFormat(QImage::Format_RGB888)))
        return {};
    return bytes.toStdString();
}

std::optional<std::string> writeImagePng(const NorixImage& image,
                                         const std::filesystem::path& path) {
    const std::string bytes = encodeImagePng(image);
    if (bytes.empty())
        return imageFileError(ImageFileErrorKind::noImageData).message();
    if (auto error = writeFileAtomically(path, bytes))
        return error->message();
    return std::nullopt;
}

} // namespace norix
