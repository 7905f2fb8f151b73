#include "core/images/ImageEditor.h"

#include "core/images/ImageDrawing.h"
#include "core/images/NorixImageFile.h"
#include "core/images/Rgb565.h"

#include <algorithm>
#include <cmath>

namespace norix {

const std::array<ImageDrawingToolInfo, 5>& imageDrawingTools() {
    static const std::array<ImageDrawingToolInfo, 5> tools{{
        {ImageDrawingTool::pencil, "Pencil", "draw-freehand"},
        {ImageDrawingTool::fill, "Paint Bucket", "fill-color"},
        {ImageDrawingTool::line, "Line", "draw-line"},
        {ImageDrawingTool::ellipse, "Ellipse", "draw-ellipse"},
        {ImageDrawingTool::circle, "Circle", "draw-circle"},
    }};
    return tools;
}

EditorColor contrastingColor(const EditorColor& color) {
    const double luminance = 0.299 * color.red + 0.587 * color.green + 0.114 * color.blue;
    return luminance > 0.55 ? blackColor : whiteColor;
}

std::int64_t previewScale(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0)
        return 1;
    const double fit =
        std::min(leftColumnWidth / static_cast<double>(width), 256.0 / static_cast<double>(height));
    return std::max<std::int64_t>(1, static_cast<std::int64_t>(std::floor(fit)));
}

std::string newImageInformativeText() {
    return "Choose a name and image size. Maximum: " + std::to_string(screenWidth) + " × " +
           std::to_string(screenHeight) + ".";
}

std::string ImageEditor::compressedSizeText() const {
    return std::to_string(image_.compressedImageData.size()) + " / " +
           std::to_string(maximumCompressedImageBytes) + " bytes";
}

bool ImageEditor::isCompressedSizeOverLimit() const {
    return image_.compressedImageData.size() > maximumCompressedImageBytes;
}

std::string ImageEditor::imageCodeText() const {
    return NorixImageFile::encode(image_);
}

std::string ImageEditor::editorTitle() const {
    return std::to_string(static_cast<std::int64_t>(editorScale_)) + "×";
}

std::int64_t ImageEditor::previewScale() const {
    return norix::previewScale(image_.imageWidth, image_.imageHeight);
}

void ImageEditor::setSelectedDrawingTool(ImageDrawingTool tool) {
    selectedDrawingTool_ = tool;
    changed.emit();
}

void ImageEditor::setLeftDrawingColor(const EditorColor& color) {
    leftDrawingColor_ = color;
    changed.emit();
}

void ImageEditor::setRightDrawingColor(const EditorColor& color) {
    rightDrawingColor_ = color;
    changed.emit();
}

void ImageEditor::setSelectedSlot(std::int64_t slot) {
    selectedSlot_ = slot;
    changed.emit();
}

void ImageEditor::zoomEditorIn() {
    editorScale_ = std::min(editorScale_ + 1.0, maximumEditorScale);
    changed.emit();
}

void ImageEditor::zoomEditorOut() {
    editorScale_ = std::max(editorScale_ - 1.0, minimumEditorScale);
    changed.emit();
}

void ImageEditor::beginImageEdit() {
    if (!pendingUndoPixels_ && !image_.imagePixels.empty()) {
        pendingUndoPixels_ = image_.imagePixels;
        shapeStart_.reset();
        shapeBasePixels_.reset();
    }
}

void ImageEditor::applyDrawingTool(std::int64_t x, std::int64_t y, bool usesRightColor) {
    if (x < 0 || y < 0 || x >= image_.imageWidth || y >= image_.imageHeight ||
        !image_.isDisplayable())
        return;
    const EditorColor& chosen = usesRightColor ? rightDrawingColor_ : leftDrawingColor_;
    const std::uint16_t color = rgb565(chosen.red, chosen.green, chosen.blue);
    const auto index = static_cast<std::size_t>(y * image_.imageWidth + x);
    switch (selectedDrawingTool_) {
    case ImageDrawingTool::pencil:
        if (image_.imagePixels[index] == color)
            return;
        image_.imagePixels[index] = color;
        break;
    case ImageDrawingTool::fill:
        if (image_.imagePixels[index] == color)
            return;
        floodFill(image_, x, y, color);
        break;
    case ImageDrawingTool::line:
    case ImageDrawingTool::ellipse:
    case ImageDrawingTool::circle: {
        if (!shapeStart_) {
            shapeStart_ = {x, y};
            shapeBasePixels_ = image_.imagePixels;
        }
        if (!shapeBasePixels_)
            return;
        // Each preview is drawn on the pixels of the gesture's start, so the
        // shape follows the mouse without leaving trails.
        image_.imagePixels = *shapeBasePixels_;
        const auto [startX, startY] = *shapeStart_;
        if (selectedDrawingTool_ == ImageDrawingTool::line)
            drawLine(image_, startX, startY, x, y, color);
        else if (selectedDrawingTool_ == ImageDrawingTool::ellipse)
            drawEllipse(image_, startX, startY, x, y, color);
        else
            drawCircle(image_, startX, startY, x, y, color);
        break;
    }
    }
    changed.emit();
}

void ImageEditor::applyDrawingToolAtPoint(double x, double y, bool usesRightColor) {
    if (!(editorScale_ > 0.0) || !std::isfinite(x) || !std::isfinite(y))
        return;
    const double column = std::trunc(x / editorScale_);
    const double row = std::trunc(y / editorScale_);
    if (column < 0.0 || row < 0.0 || column >= static_cast<double>(image_.imageWidth) ||
        row >= static_cast<double>(image_.imageHeight))
        return;
    applyDrawingTool(static_cast<std::int64_t>(column), static_cast<std::int64_t>(row),
                     usesRightColor);
}

void ImageEditor::finishImageEdit() {
    if (pendingUndoPixels_ && *pendingUndoPixels_ != image_.imagePixels) {
        undoHistory_.push_back({std::move(*pendingUndoPixels_), std::nullopt});
        while (undoHistory_.size() > maximumUndoSteps)
            undoHistory_.pop_front();
        ++revision_;
    }
    pendingUndoPixels_.reset();
    shapeStart_.reset();
    shapeBasePixels_.reset();
    image_.rebuildCompressedImageData();
    ++encodingRevision_;
    changed.emit();
}

void ImageEditor::undoImageEdit() {
    if (undoHistory_.empty())
        return;
    ImageUndoStep step = std::move(undoHistory_.back());
    undoHistory_.pop_back();
    if (step.replacedImage) {
        image_ = std::move(*step.replacedImage);
    } else if (step.pixels.size() == image_.imagePixels.size() && image_.isDisplayable()) {
        image_.imagePixels = std::move(step.pixels);
        image_.rebuildCompressedImageData();
    } else {
        changed.emit();
        return;
    }
    pendingUndoPixels_.reset();
    shapeStart_.reset();
    shapeBasePixels_.reset();
    ++revision_;
    ++encodingRevision_;
    changed.emit();
}

void ImageEditor::clearUndoHistory() {
    undoHistory_.clear();
    pendingUndoPixels_.reset();
    shapeStart_.reset();
    shapeBasePixels_.reset();
}

void ImageEditor::replaceImage(NorixImage image) {
    image_ = std::move(image);
    clearUndoHistory();
    importSummary_.clear();
    ++revision_;
    ++encodingRevision_;
    markSaved();
    changed.emit();
}

} // namespace norix
