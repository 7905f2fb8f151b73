// The row-by-row PNG reader of picture import on arbitrary bytes: no picture
// (not a PNG), a reader error, or a picture within the asked size whose fit
// into a Norix image has width × height pixels and an encoding that decodes
// back to them.

#include "core/images/ImageRLE.h"
#include "core/images/PictureImport.h"
#include "pictures/PngStreamReader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader takes a path: the bytes go into an anonymous in-memory file.
    const int fd = memfd_create("picture", 0);
    if (fd < 0)
        return 0;
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    const auto read = norix::readPngScaledDown("/proc/self/fd/" + std::to_string(fd), 40, 30);
    close(fd);
    if (!read || !*read)
        return 0;
    const norix::RgbaPicture& picture = **read;
    if (!picture.isValid() || picture.width > 40 || picture.height > 30)
        std::abort();
    const norix::PictureFit fit = norix::fitPictureToNorix(picture);
    if (fit.pixels.size() != static_cast<std::size_t>(fit.width * fit.height))
        std::abort();
    if (norix::decompressImageRLE(fit.compressedData, fit.pixels.size()) != fit.pixels)
        std::abort();
    return 0;
}
