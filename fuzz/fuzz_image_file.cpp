// Image file reader and RLE decoder on arbitrary bytes: an image or a reader
// error; an accepted image has width × height pixels, re-encodes to pixels
// that decode the same, and its text reads back unchanged.

#include "core/images/NorixImageFile.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The link decoder gets the raw bytes, with a pixel count taken from them.
    const std::size_t expected = size >= 2 ? (data[0] << 8 | data[1]) : 0;
    if (const auto pixels = norix::decompressImageRLE(std::span(data, size), expected))
        if (pixels->size() != expected)
            std::abort();

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto image = norix::NorixImageFile::decode(text);
    if (!image) {
        if (image.error().message().empty())
            std::abort();
        return 0;
    }
    if (!image->isDisplayable())
        std::abort();
    const auto encoded = norix::rebuildCompressedImageData(image->imagePixels);
    if (norix::decompressImageRLE(encoded, image->imagePixels.size()) != image->imagePixels)
        std::abort();
    if (image->imageName.empty())
        return 0; // written as "No image loaded.", which is not a file
    const auto again = norix::NorixImageFile::decode(norix::NorixImageFile::encode(*image));
    if (!again || !(*again == *image))
        std::abort();
    return 0;
}
