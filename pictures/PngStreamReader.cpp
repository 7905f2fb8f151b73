#include "pictures/PngStreamReader.h"

#include <array>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <png.h>
#include <vector>

namespace norix {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct ReadState {
    std::string error;
};

void pngError(png_structp png, png_const_charp message) {
    static_cast<ReadState*>(png_get_error_ptr(png))->error = message;
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// Sums of one target pixel: colour weighted by alpha, alpha, and the count.
struct Accumulator {
    std::array<std::uint64_t, 3> color{};
    std::uint64_t alpha = 0;
    std::uint64_t count = 0;
};

// The first source index that target index `index` of `target` covers, as the
// core's averaging scale-down splits the source.
std::int64_t spanStart(std::int64_t index, std::int64_t target, std::int64_t source) {
    return index * source / target;
}

// Everything that must survive a longjmp lives in the caller's frame.
struct Buffers {
    std::vector<png_byte> row;
    std::vector<std::int64_t> columnOf;
    std::vector<Accumulator> sums;
    RgbaPicture result;
    bool interlaced = false;
};

bool decode(png_structp png, png_infop info, std::FILE* file, std::int64_t maxWidth,
            std::int64_t maxHeight, Buffers& buffers) {
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    const auto width = static_cast<std::int64_t>(png_get_image_width(png, info));
    const auto height = static_cast<std::int64_t>(png_get_image_height(png, info));
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
        buffers.interlaced = true;
        return false;
    }
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);

    const auto [targetWidth, targetHeight] = fittedPictureSize(width, height, maxWidth, maxHeight);
    buffers.row.resize(static_cast<std::size_t>(width) * 4);
    buffers.columnOf.resize(static_cast<std::size_t>(width));
    for (std::int64_t t = 0, x = 0; x < width; ++x) {
        while (t + 1 < targetWidth && spanStart(t + 1, targetWidth, width) <= x)
            ++t;
        buffers.columnOf[static_cast<std::size_t>(x)] = t;
    }
    buffers.result = {targetWidth, targetHeight, {}};
    buffers.result.rgba.reserve(static_cast<std::size_t>(targetWidth * targetHeight) * 4);
    std::int64_t y = 0;
    for (std::int64_t target = 0; target < targetHeight; ++target) {
        buffers.sums.assign(static_cast<std::size_t>(targetWidth), {});
        const std::int64_t end =
            target + 1 == targetHeight ? height : spanStart(target + 1, targetHeight, height);
        for (; y < end; ++y) {
            png_read_row(png, buffers.row.data(), nullptr);
            for (std::int64_t x = 0; x < width; ++x) {
                const png_byte* p = buffers.row.data() + x * 4;
                Accumulator& sum = buffers.sums[static_cast<std::size_t>(
                    buffers.columnOf[static_cast<std::size_t>(x)])];
                for (std::size_t c = 0; c < 3; ++c)
                    sum.color[c] += static_cast<std::uint64_t>(p[c]) * p[3];
                sum.alpha += p[3];
                ++sum.count;
            }
        }
        for (const Accumulator& sum : buffers.sums) {
            for (std::size_t c = 0; c < 3; ++c)
                buffers.result.rgba.push_back(
                    sum.alpha
                        ? static_cast<std::uint8_t>((sum.color[c] + sum.alpha / 2) / sum.alpha)
                        : 0);
            buffers.result.rgba.push_back(
                sum.count ? static_cast<std::uint8_t>((sum.alpha + sum.count / 2) / sum.count) : 0);
        }
    }
    return true;
}

// libpng reports errors by jumping back to the setjmp here, whose frame
// holds nothing that a jump could skip or clobber.
bool guardedDecode(png_structp png, png_infop info, std::FILE* file, std::int64_t maxWidth,
                   std::int64_t maxHeight, Buffers& buffers) {
    if (setjmp(png_jmpbuf(png)) != 0)
        return false;
    return decode(png, info, file, maxWidth, maxHeight, buffers);
}

} // namespace

std::optional<Expected<RgbaPicture, std::string>>
readPngScaledDown(const std::filesystem::path& path, std::int64_t maxWidth,
                  std::int64_t maxHeight) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    png_byte signature[8] = {};
    if (!file || std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        return std::nullopt;
    ReadState state;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Expected<RgbaPicture, std::string>(std::string("Out of memory"));
    }
    Buffers buffers;
    const bool decoded = guardedDecode(png, info, file.get(), maxWidth, maxHeight, buffers);
    png_destroy_read_struct(&png, &info, nullptr);
    if (buffers.interlaced)
        return std::nullopt;
    if (!decoded)
        return Expected<RgbaPicture, std::string>(
            state.error.empty() ? std::string("Unable to read image data") : state.error);
    return Expected<RgbaPicture, std::string>(std::move(buffers.result));
}

} // namespace norix
