#include "sim/SampleContent.h"

#include "core/chips/ChipFileCodec.h"
#include "core/fonts/FontFile.h"
#include "core/images/NorixImageFile.h"
#include "core/language/CodeCompiler.h"
#include "core/util/AtomicFile.h"

#include <algorithm>

#ifndef NORIX_EXAMPLES_DIR
#define NORIX_EXAMPLES_DIR "examples"
#endif
// Relative to the folder that holds the installed executable.
#ifndef NORIX_INSTALLED_EXAMPLES_DIR
#define NORIX_INSTALLED_EXAMPLES_DIR "../share/norixgui/examples"
#endif

namespace norix::sim {
namespace {

constexpr std::size_t simulatorChipCapacity = 128;

std::uint8_t clampByte(std::int64_t value) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
}

std::vector<std::filesystem::path> sortedFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::optional<std::string> addChip(NorixMemory& memory, const std::filesystem::path& file) {
    auto document = ChipFileCodec::load(file);
    if (!document)
        return document.error().message();
    std::string compileMessage;
    const auto code = compileChipCode(document->code, static_cast<int>(document->pinCount),
                                      [&](const std::string& entry) { compileMessage = entry; });
    if (!code)
        return compileMessage;
    if (code->size() > 0xFFFF)
        return std::string("the compiled code is too large");
    memory.storeChip(makeStoredChip(document->name,
                                    static_cast<std::uint16_t>(
                                        std::clamp<std::int64_t>(document->chipType, 0, 0xFFFF)),
                                    clampByte(document->pinCount), clampByte(document->imageIndex),
                                    document->strings, *code),
                     simulatorChipCapacity);
    return std::nullopt;
}

} // namespace

std::filesystem::path examplesDirectoryFor(const std::filesystem::path& executable) {
    // An installed program finds its samples beside it; one run from the build
    // folder has none there and reads the source tree it was built from.
    if (!executable.empty()) {
        const auto installed =
            (executable.parent_path() / NORIX_INSTALLED_EXAMPLES_DIR).lexically_normal();
        std::error_code error;
        if (std::filesystem::is_directory(installed, error))
            return installed;
    }
    return NORIX_EXAMPLES_DIR;
}

std::filesystem::path defaultExamplesDirectory() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return examplesDirectoryFor(error ? std::filesystem::path() : executable);
}

SampleContentReport loadSampleContent(NorixMemory& memory, const std::filesystem::path& folder) {
    SampleContentReport report;
    std::size_t nextFontSlot = 0;
    for (const auto& file : sortedFiles(folder)) {
        const std::string label = file.filename().string();
        if (file.extension() == ".chip") {
            if (auto problem = addChip(memory, file))
                report.problems.push_back(label + ": " + *problem);
            else
                ++report.chips;
            continue;
        }
        if (file.extension() != ".txt")
            continue;
        // Fonts and images are both text files: whichever reader accepts the file decides.
        auto font = FontFile::load(file);
        if (font && nextFontSlot < norixFontSlotCount && font->width() >= 1 &&
            font->width() <= 255 && font->glyphCount() >= 1 && font->glyphCount() <= 255) {
            Bytes columns;
            columns.reserve(font->columns.size());
            for (std::uint64_t column : font->columns)
                columns.push_back(static_cast<std::uint8_t>(column));
            memory.setFont(nextFontSlot++,
                           makeStoredFont(font->name, static_cast<std::uint8_t>(font->width()),
                                          static_cast<std::uint8_t>(font->height()), columns));
            ++report.fonts;
            continue;
        }
        auto text = readWholeFile(file);
        auto image = text ? NorixImageFile::decode(*text) : NorixImageFile::decode("");
        if (text && image) {
            if (const auto slot = memory.firstFreeImageSlot()) {
                memory.setImage(*slot,
                                makeStoredImage(image->imageName,
                                                static_cast<std::uint8_t>(image->imageWidth),
                                                static_cast<std::uint8_t>(image->imageHeight),
                                                image->compressedImageData));
                ++report.images;
            }
            continue;
        }
        if (font) {
            report.problems.push_back(label + ": no free font slot");
        } else {
            const std::string imageReason = text ? image.error().message() : text.error().message();
            report.problems.push_back(label + ": not a font file (" + font.error().message() +
                                      ") nor an image file (" + imageReason + ")");
        }
    }
    return report;
}

} // namespace norix::sim
