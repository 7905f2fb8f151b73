// The image editor's commands that reach beyond the pixels: new images,
// image files, picture import and the Norix's image slots.

#include "core/images/ImageEditor.h"
#include "core/images/ImageSlotConversation.h"
#include "core/images/NorixImageFile.h"
#include "core/link/SerialPortManager.h"
#include "core/util/UnicodeText.h"

namespace norix {
namespace {

// A decimal integer from 1 to `maximum`, nothing else.
std::optional<std::int64_t> dimension(const std::string& text, std::int64_t maximum) {
    const auto value = parseDecimalInt64(text);
    if (!value || *value < 1 || *value > maximum || text.starts_with('+'))
        return std::nullopt;
    return value;
}

constexpr std::string_view uploadedStatus = "Image uploaded to Norix.";

} // namespace

ImageEditor::ImageEditor(SerialPortManager& link, ImageSlotConversation& images)
    : link_(link), images_(images) {
    linkHeldLoadedImage_ = images_.loadedNorixImage().has_value();
    connections_.push_back(link_.changed.connect([this] { linkChanged(); }));
    connections_.push_back(images_.changed.connect([this] { linkChanged(); }));
}

void ImageEditor::linkChanged() {
    const auto& images = images_;
    // Only a download that finished while this editor watched replaces its image.
    const bool holds = images.loadedNorixImage().has_value();
    if (holds && !linkHeldLoadedImage_) {
        linkHeldLoadedImage_ = true;
        takeLoadedNorixImage();
    }
    linkHeldLoadedImage_ = holds;
    if (uploadingRevision_ && !images.isUploadingNorixImage()) {
        if (!images.imageUploadError() && images.imageUploadStatus() == uploadedStatus) {
            savedRevision_ = *uploadingRevision_;
            changed.emit();
        }
        uploadingRevision_.reset();
    }
    deviceChanged.emit();
}

void ImageEditor::takeLoadedNorixImage() {
    const LoadedNorixImage& loaded = *images_.loadedNorixImage();
    replaceImage({loaded.name, loaded.width, loaded.height, loaded.pixels, loaded.compressedData});
}

std::optional<std::string> ImageEditor::createNewImage(const NewImageEntry& entry) {
    const std::string name(trimWhitespaceAndNewlines(entry.name));
    if (name.empty())
        return "Enter an image name.";
    if (name.size() > maximumImageNameBytes)
        return "The image name must be 31 characters or fewer.";
    const auto width = dimension(entry.width, screenWidth);
    if (!width)
        return "Width must be between 1 and " + std::to_string(screenWidth) + ".";
    const auto height = dimension(entry.height, screenHeight);
    if (!height)
        return "Height must be between 1 and " + std::to_string(screenHeight) + ".";
    NorixImage image{name,
                     *width,
                     *height,
                     std::vector<std::uint16_t>(static_cast<std::size_t>(*width * *height), 0),
                     {}};
    image.rebuildCompressedImageData();
    replaceImage(std::move(image));
    return std::nullopt;
}

std::optional<std::string> ImageEditor::loadImageFile(const std::filesystem::path& path) {
    auto loaded = NorixImageFile::load(path);
    if (!loaded)
        return loaded.error().message();
    replaceImage(std::move(loaded).value());
    return std::nullopt;
}

std::optional<std::string> ImageEditor::imageFileSaveProblem() const {
    if (!image_.isDisplayable())
        return imageFileError(ImageFileErrorKind::noImageData).message();
    return std::nullopt;
}

std::string ImageEditor::proposedImageFileName() const {
    return (image_.imageName.empty() ? std::string("Norix Image") : image_.imageName) + ".txt";
}

std::string ImageEditor::proposedPngFileName() const {
    return (image_.imageName.empty() ? std::string("Norix Image") : image_.imageName) + ".png";
}

std::optional<std::string> ImageEditor::saveImageFile(const std::filesystem::path& path) {
    if (auto problem = imageFileSaveProblem())
        return problem;
    if (auto error = NorixImageFile::save(image_, path))
        return error->message();
    markSaved();
    changed.emit();
    return std::nullopt;
}

void ImageEditor::importPicture(const PictureFit& fit, const std::string& name) {
    if (fit.width <= 0 || fit.height <= 0 ||
        fit.pixels.size() != static_cast<std::size_t>(fit.width * fit.height))
        return;
    undoHistory_.push_back({image_.imagePixels, image_});
    while (undoHistory_.size() > maximumUndoSteps)
        undoHistory_.pop_front();
    pendingUndoPixels_.reset();
    shapeStart_.reset();
    shapeBasePixels_.reset();
    image_ = {pictureImageName(name), fit.width, fit.height, fit.pixels, fit.compressedData};
    importSummary_ = "Imported " + pictureFitSummary(fit);
    ++revision_;
    ++encodingRevision_;
    changed.emit();
}

bool ImageEditor::canRefreshImages() const {
    return link_.isConnected() && !images_.isLoadingImageList();
}

bool ImageEditor::isSelectedSlotEmpty() const {
    const auto& slots = images_.norixImageSlots();
    if (selectedSlot_ < 1 || selectedSlot_ > static_cast<std::int64_t>(slots.size()))
        return true;
    return slots[static_cast<std::size_t>(selectedSlot_ - 1)].isEmpty();
}

bool ImageEditor::canLoadNorixImage() const {
    return link_.isConnected() && !images_.isLoadingNorixImage() && !isSelectedSlotEmpty();
}

bool ImageEditor::canSaveNorixImage() const {
    const auto& data = image_.compressedImageData;
    return link_.isConnected() && !images_.isUploadingNorixImage() && !image_.imageName.empty() &&
           image_.imageWidth >= 1 && image_.imageWidth <= screenWidth && image_.imageHeight >= 1 &&
           image_.imageHeight <= screenHeight && !data.empty() &&
           data.size() <= maximumCompressedImageBytes;
}

void ImageEditor::refreshImages() {
    images_.requestImageList();
}

void ImageEditor::loadNorixImage() {
    images_.loadNorixImage(selectedSlot_);
}

void ImageEditor::saveNorixImage() {
    auto& images = images_;
    images.uploadNorixImage(image_.imageName, image_.imageWidth, image_.imageHeight,
                            image_.compressedImageData);
    if (images.isUploadingNorixImage())
        uploadingRevision_ = revision_;
}

} // namespace norix
