// Speed of the file formats: the RLE encoder runs after every edit in the
// image editor, and the readers and writers run whenever a file is opened or
// saved or a batch of chips is stored.

#include "core/chips/ChipFileCodec.h"
#include "core/images/NorixImageFile.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using namespace norix;

// A full-screen picture with bands, a gradient and short runs: about what a
// user draws, and far from the single-colour best case.
std::vector<std::uint16_t> screenPixels() {
    std::vector<std::uint16_t> pixels;
    pixels.reserve(static_cast<std::size_t>(screenWidth * screenHeight));
    for (std::int64_t y = 0; y < screenHeight; ++y)
        for (std::int64_t x = 0; x < screenWidth; ++x)
            pixels.push_back(static_cast<std::uint16_t>(((y / 8) << 11) | ((x / 5) << 5) |
                                                        (x % 7 == 0 ? 31 : 0)));
    return pixels;
}

void BM_RleEncodeFullScreen(benchmark::State& state) {
    const auto pixels = screenPixels();
    std::size_t previous = 0;
    for (auto _ : state) {
        auto data = rebuildCompressedImageData(pixels, previous);
        previous = data.size();
        benchmark::DoNotOptimize(data);
    }
    state.counters["bytes"] = static_cast<double>(previous);
}
BENCHMARK(BM_RleEncodeFullScreen)->Unit(benchmark::kMicrosecond);

// 1365 records, 4095 bytes: the largest encoding a file may hold, expanding
// to a full 160 × 128 image.
NorixImage largestImage() {
    NorixImage image;
    image.imageName = "Largest";
    image.imageWidth = screenWidth;
    image.imageHeight = screenHeight;
    std::size_t remaining = static_cast<std::size_t>(screenWidth * screenHeight);
    for (int record = 0; record < 1365; ++record) {
        const std::size_t length = record == 1364 ? remaining : 15;
        image.compressedImageData.push_back(static_cast<std::uint8_t>(length));
        image.compressedImageData.push_back(static_cast<std::uint8_t>(record >> 3));
        image.compressedImageData.push_back(static_cast<std::uint8_t>(record * 37));
        remaining -= length;
    }
    return image;
}

void BM_ImageFileParse4095Bytes(benchmark::State& state) {
    const std::string text = NorixImageFile::encode(largestImage());
    for (auto _ : state) {
        auto image = NorixImageFile::decode(text);
        if (!image)
            state.SkipWithError(image.error().message().c_str());
        benchmark::DoNotOptimize(image);
    }
    state.counters["textBytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ImageFileParse4095Bytes)->Unit(benchmark::kMicrosecond);

void BM_RleDecode4095Bytes(benchmark::State& state) {
    const auto image = largestImage();
    for (auto _ : state) {
        auto pixels = decompressImageRLE(image.compressedImageData,
                                         static_cast<std::size_t>(screenWidth * screenHeight));
        benchmark::DoNotOptimize(pixels);
    }
}
BENCHMARK(BM_RleDecode4095Bytes)->Unit(benchmark::kMicrosecond);

ChipDocument largestChip() {
    ChipDocument chip("62256", 28, 2, 6);
    for (int line = 0; line < 4095; ++line) {
        if (line > 0)
            chip.code += '\n';
        chip.code += "SETPIN " + std::to_string(line % 28 + 1) + " #R" + std::to_string(line % 32);
    }
    for (int i = 0; i < 8; ++i)
        chip.strings[static_cast<std::size_t>(i)] = "String number " + std::to_string(i);
    return chip;
}

void BM_ChipFileWrite4095Instructions(benchmark::State& state) {
    const ChipDocument chip = largestChip();
    for (auto _ : state) {
        auto text = ChipFileCodec::encode(chip);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_ChipFileWrite4095Instructions)->Unit(benchmark::kMicrosecond);

void BM_ChipFileRead4095Instructions(benchmark::State& state) {
    const std::string text = ChipFileCodec::encode(largestChip());
    for (auto _ : state) {
        auto chip = ChipFileCodec::decode(text);
        if (!chip)
            state.SkipWithError(chip.error().message().c_str());
        benchmark::DoNotOptimize(chip);
    }
    state.counters["textBytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ChipFileRead4095Instructions)->Unit(benchmark::kMicrosecond);

} // namespace
