// norix images, image pull SLOT [-o FILE], image upload FILE: the Norix's
// image slots through the link's image conversations, with their own texts.

#include "cli/CliCommand.h"
#include "cli/ConversationOutput.h"
#include "cli/DeviceConnection.h"
#include "cli/SlotListings.h"
#include "core/images/ImageSlotConversation.h"
#include "core/images/NorixImageFile.h"
#include "core/util/UnicodeText.h"

#include <iostream>

namespace norix::cli {
namespace {

// Image slots are only known once the connect's name list is complete.
bool waitForImageList(DeviceConnection& device) {
    auto& images = device.norix().images();
    if (!device.runUntil([&] { return !images.isLoadingImageList(); }))
        return false;
    if (images.imageListError()) {
        device.reportError(*images.imageListError());
        return false;
    }
    return true;
}

// The file an image is pulled into when no -o is given: its name with the
// characters that would leave the current folder or trouble a shell replaced.
std::string imageFileName(const std::string& name) {
    std::string safe;
    for (char c : name)
        safe += std::string_view("/\\:\"?*<>|").find(c) == std::string_view::npos ? c : '_';
    std::string trimmed(trimWhitespaceAndNewlines(safe));
    if (trimmed.empty() || trimmed == "." || trimmed == "..")
        trimmed = "image";
    return trimmed + ".txt";
}

int runImages(const GlobalOptions& options, const std::vector<std::string>& args) {
    if (!args.empty())
        return usageError("images takes no arguments");
    DeviceConnection device(options);
    if (!device.open() || !waitForImageList(device))
        return exitFailure;
    printImageSlots(device.norix().images());
    return exitSuccess;
}

int runImagePull(const GlobalOptions& options, const std::vector<std::string>& args) {
    std::optional<std::string> slotText, output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size() && !output)
            output = args[++i];
        else if (!slotText && args[i] != "-o")
            slotText = args[i];
        else
            return usageError("usage: norix image pull SLOT [-o FILE]");
    }
    const auto slot = slotText ? parseSlotArgument(*slotText) : std::nullopt;
    if (!slot)
        return usageError("usage: norix image pull SLOT [-o FILE]");
    DeviceConnection device(options);
    if (!device.open() || !waitForImageList(device))
        return exitFailure;
    auto& images = device.norix().images();
    ConversationOutput report(images.changed, device);
    report.status([&] { return images.imageLoadStatus(); });
    report.error([&] { return images.imageLoadError(); });
    report.progress("Downloading image", [&] {
        return std::pair{images.imageLoadDoneBytes(), images.imageLoadTotalBytes()};
    });
    images.loadNorixImage(*slot);
    if (!images.isLoadingNorixImage())
        return exitFailure;
    if (!device.runUntil([&] { return !images.isLoadingNorixImage(); }))
        return exitFailure;
    if (!images.loadedNorixImage())
        return exitFailure;
    const LoadedNorixImage& loaded = *images.loadedNorixImage();
    const NorixImage image{loaded.name, loaded.width, loaded.height, loaded.pixels,
                           loaded.compressedData};
    const std::string path = output.value_or(imageFileName(loaded.name));
    if (auto failure = NorixImageFile::save(image, path)) {
        std::cerr << "Could not write " << path << ": " << failure->message() << "\n";
        return exitFailure;
    }
    return exitSuccess;
}

int runImageUpload(const GlobalOptions& options, const std::vector<std::string>& args) {
    if (args.size() != 1)
        return usageError("usage: norix image upload FILE");
    const auto image = NorixImageFile::load(args[0]);
    if (!image) {
        std::cerr << image.error().message() << "\n";
        return exitFailure;
    }
    DeviceConnection device(options);
    if (!device.open())
        return exitFailure;
    auto& images = device.norix().images();
    ConversationOutput report(images.changed, device);
    report.status([&] { return images.imageUploadStatus(); });
    report.error([&] { return images.imageUploadError(); });
    report.progress("Uploading image", [&] {
        return std::pair{images.imageUploadDoneBytes(), images.imageUploadTotalBytes()};
    });
    images.uploadNorixImage(image->imageName, image->imageWidth, image->imageHeight,
                            image->compressedImageData);
    if (!images.isUploadingNorixImage())
        return exitFailure;
    if (!device.runUntil([&] { return !images.isUploadingNorixImage(); }))
        return exitFailure;
    if (images.imageUploadError())
        return exitFailure;
    // The list read after an upload shows where the Norix put the image.
    return waitForImageList(device) ? exitSuccess : exitFailure;
}

[[maybe_unused]] const bool registered =
    registerCommand({"images", "images                    list the image slots the Norix reports",
                     runImages}) &&
    registerCommand({"image pull",
                     "image pull SLOT [-o FILE] download an image slot into an image file",
                     runImagePull}) &&
    registerCommand({"image upload",
                     "image upload FILE         upload an image file; the Norix picks the slot",
                     runImageUpload});

} // namespace
} // namespace norix::cli
