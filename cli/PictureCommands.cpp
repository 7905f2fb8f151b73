// norix image import PICTURE ... and norix image export FILE -o PICTURE.png:
// any picture fitted into a Norix image file, and an image file as a PNG.

#include "cli/CliCommand.h"
#include "core/images/NorixImageFile.h"
#include "core/images/PictureImport.h"
#include "core/util/UnicodeText.h"
#include "pictures/PictureFile.h"

#include <filesystem>
#include <iostream>
#include <optional>

namespace norix::cli {
namespace {

constexpr const char* importUsage =
    "usage: norix image import PICTURE [-o FILE] [--name NAME] [--size WxH] [--colors N] "
    "[--dither] [--force]";
constexpr const char* exportUsage = "usage: norix image export FILE -o PICTURE.png";

struct ImportArguments {
    std::string picture;
    std::optional<std::string> output;
    std::optional<std::string> name;
    PictureFitOptions fit;
    bool force = false;
};

std::optional<std::pair<std::int64_t, std::int64_t>> parseSize(const std::string& text) {
    const auto cross = text.find_first_of("xX");
    if (cross == std::string::npos)
        return std::nullopt;
    const auto width = parseDecimalInt64(std::string_view(text).substr(0, cross));
    const auto height = parseDecimalInt64(std::string_view(text).substr(cross + 1));
    if (!width || !height || *width < 1 || *width > screenWidth || *height < 1 ||
        *height > screenHeight)
        return std::nullopt;
    return std::pair{*width, *height};
}

// Nothing when the arguments are not understood.
std::optional<ImportArguments> parseImport(const std::vector<std::string>& args) {
    ImportArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--dither") {
            parsed.fit.dither = true;
        } else if (arg == "--force") {
            parsed.force = true;
        } else if ((arg == "-o" || arg == "--output") && hasValue && !parsed.output) {
            parsed.output = args[++i];
        } else if (arg == "--name" && hasValue && !parsed.name) {
            parsed.name = args[++i];
            if (parsed.name->empty() || parsed.name->size() > maximumImageNameBytes ||
                !isValidUtf8(*parsed.name))
                return std::nullopt;
        } else if (arg == "--size" && hasValue) {
            const auto size = parseSize(args[++i]);
            if (!size)
                return std::nullopt;
            std::tie(parsed.fit.maxWidth, parsed.fit.maxHeight) = *size;
        } else if (arg == "--colors" && hasValue) {
            const auto colors = parseDecimalInt64(args[++i]);
            if (!colors || *colors < 1 || *colors > 65536)
                return std::nullopt;
            parsed.fit.colors = static_cast<std::size_t>(*colors);
        } else if (parsed.picture.empty() && !arg.empty() && arg[0] != '-') {
            parsed.picture = arg;
        } else {
            return std::nullopt;
        }
    }
    if (parsed.picture.empty())
        return std::nullopt;
    return parsed;
}

int runImageImport(const GlobalOptions& options, const std::vector<std::string>& args) {
    const auto parsed = parseImport(args);
    if (!parsed)
        return usageError(importUsage);
    const std::filesystem::path picturePath(parsed->picture);
    std::string name = parsed->name ? *parsed->name : pictureImageName(picturePath.stem().string());
    if (name.empty())
        name = "Image";
    const std::filesystem::path output =
        parsed->output ? std::filesystem::path(*parsed->output)
                       : std::filesystem::path(picturePath.stem().string() + ".txt");
    std::error_code ignored;
    if (!parsed->force && std::filesystem::exists(output, ignored)) {
        std::cerr << output.string() << " exists; add --force to replace it.\n";
        return exitFailure;
    }

    const auto picture = readPictureFile(picturePath, parsed->fit.maxWidth, parsed->fit.maxHeight);
    if (!picture) {
        std::cerr << pictureReadErrorText(picture.error()) << "\n";
        return exitFailure;
    }
    const PictureFit fit = fitPictureToNorix(*picture, parsed->fit);
    std::cout << pictureFitSummary(fit) << "\n";
    if (fit.compressedData.size() > maximumCompressedImageBytes) {
        std::cerr << "The image needs " << fit.compressedData.size()
                  << " bytes; the Norix keeps at most " << maximumCompressedImageBytes
                  << ". Nothing was written.\n";
        return exitFailure;
    }
    const NorixImage image{name, fit.width, fit.height, fit.pixels, fit.compressedData};
    if (auto error = NorixImageFile::save(image, output)) {
        std::cerr << error->message() << "\n";
        return exitFailure;
    }
    if (!options.quiet)
        std::cout << "Wrote " << output.string() << "\n";
    return exitSuccess;
}

int runImageExport(const GlobalOptions&, const std::vector<std::string>& args) {
    std::optional<std::string> file, output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size() && !output)
            output = args[++i];
        else if (!file && !args[i].empty() && args[i][0] != '-')
            file = args[i];
        else
            return usageError(exportUsage);
    }
    if (!file || !output)
        return usageError(exportUsage);
    const auto image = NorixImageFile::load(*file);
    if (!image) {
        std::cerr << image.error().message() << "\n";
        return exitFailure;
    }
    if (auto error = writeImagePng(*image, *output)) {
        std::cerr << *error << "\n";
        return exitFailure;
    }
    return exitSuccess;
}

[[maybe_unused]] const bool registered =
    registerCommand({"image import",
                     "image import PICTURE [-o FILE] [--name NAME] [--size WxH] [--colors N] "
                     "[--dither] [--force]  fit a picture into a Norix image file",
                     runImageImport}) &&
    registerCommand({"image export",
                     "image export FILE -o PICTURE.png  write an image file as a PNG",
                     runImageExport});

} // namespace
} // namespace norix::cli
