#pragma once
// Everything the image window decides: the image being edited, the drawing
// tools and colours, the gestures and their undo history, the zoom, the file
// commands, picture import, and which of the Norix commands may run. The
// window only shows this state and forwards the user's actions.

#include "core/images/NorixImage.h"
#include "core/images/PictureImport.h"
#include "core/util/Signal.h"

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace norix {

class ImageSlotConversation;
class SerialPortManager;

enum class ImageDrawingTool { pencil, fill, line, ellipse, circle };

struct ImageDrawingToolInfo {
    ImageDrawingTool tool;
    std::string_view helpText;
    std::string_view themeIcon; // freedesktop icon name
};

// The tools in the order of their buttons.
const std::array<ImageDrawingToolInfo, 5>& imageDrawingTools();

// A colour of a colour well, components 0.0 to 1.0 in device RGB.
struct EditorColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    bool operator==(const EditorColor&) const = default;
};
inline constexpr EditorColor whiteColor{1.0, 1.0, 1.0};
inline constexpr EditorColor blackColor{0.0, 0.0, 0.0};

// Black on light colours, white on dark ones: the mark drawn on a colour well.
EditorColor contrastingColor(const EditorColor& color);

// Points per pixel of the display preview: the image fitted into 320 × 256.
std::int64_t previewScale(std::int64_t width, std::int64_t height);

inline constexpr double leftColumnWidth = 320.0;
inline constexpr double initialEditorScale = 6.0;
inline constexpr double minimumEditorScale = 2.0;
inline constexpr double maximumEditorScale = 20.0;
inline constexpr std::size_t maximumUndoSteps = 20;

// The texts typed into the New Image dialog, unchecked.
struct NewImageEntry {
    std::string name;
    std::string width;
    std::string height;
};

std::string newImageInformativeText(); // "Choose a name and image size. Maximum: 160 × 128."

// One step of the undo history: the pixels before an edit; an import also
// keeps the name and size it replaced.
struct ImageUndoStep {
    std::vector<std::uint16_t> pixels;
    std::optional<NorixImage> replacedImage;
};

class ImageEditor {
public:
    ImageEditor(SerialPortManager& link, ImageSlotConversation& images);
    ImageEditor(const ImageEditor&) = delete;
    ImageEditor& operator=(const ImageEditor&) = delete;

    // The image and the editing state; `changed` fires whenever any of it does.
    const NorixImage& image() const { return image_; }
    const std::deque<ImageUndoStep>& undoHistory() const { return undoHistory_; }
    const std::optional<std::vector<std::uint16_t>>& pendingUndoPixels() const {
        return pendingUndoPixels_;
    }
    const std::optional<std::pair<std::int64_t, std::int64_t>>& shapeStart() const {
        return shapeStart_;
    }
    ImageDrawingTool selectedDrawingTool() const { return selectedDrawingTool_; }
    const EditorColor& leftDrawingColor() const { return leftDrawingColor_; }
    const EditorColor& rightDrawingColor() const { return rightDrawingColor_; }
    double editorScale() const { return editorScale_; }
    std::int64_t selectedSlot() const { return selectedSlot_; }
    // Changed since it was created, read, saved or exchanged with the Norix.
    bool isModified() const { return revision_ != savedRevision_; }
    // Counts the changes of the image that are kept (edits, undo, replacements).
    std::uint64_t revision() const { return revision_; }
    // Counts every change of the encoded data, name or size (not of a drag in progress).
    std::uint64_t encodingRevision() const { return encodingRevision_; }
    // What the last picture import kept, or empty.
    const std::string& importSummary() const { return importSummary_; }
    Signal<> changed;

    std::string compressedSizeText() const; // "{bytes} / 4096 bytes"
    bool isCompressedSizeOverLimit() const;
    std::string imageCodeText() const; // the image as file text
    std::string editorTitle() const;   // "{scale}×"
    std::int64_t previewScale() const;
    bool canUndo() const { return !undoHistory_.empty(); }
    bool canZoomIn() const { return editorScale_ < maximumEditorScale; }
    bool canZoomOut() const { return editorScale_ > minimumEditorScale; }

    void setSelectedDrawingTool(ImageDrawingTool tool);
    void setLeftDrawingColor(const EditorColor& color);
    void setRightDrawingColor(const EditorColor& color);
    void setSelectedSlot(std::int64_t slot);
    void zoomEditorIn();
    void zoomEditorOut();

    // A gesture: begin, any number of tool applications, finish.
    void beginImageEdit();
    void applyDrawingTool(std::int64_t x, std::int64_t y, bool usesRightColor);
    // The mouse at (x, y) points of the editor: the pixel under it, if any.
    void applyDrawingToolAtPoint(double x, double y, bool usesRightColor);
    void finishImageEdit();
    void undoImageEdit();
    void clearUndoHistory();

    // The first failing check's message, or nothing when the image was made.
    std::optional<std::string> createNewImage(const NewImageEntry& entry);
    // The error's message, or nothing when the file became the image.
    std::optional<std::string> loadImageFile(const std::filesystem::path& path);
    // Why the image cannot be saved at all ("no image data"), or nothing.
    std::optional<std::string> imageFileSaveProblem() const;
    std::string proposedImageFileName() const; // "{name}.txt" or "Norix Image.txt"
    std::optional<std::string> saveImageFile(const std::filesystem::path& path);
    // A fitted picture replaces the image as one undo step.
    void importPicture(const PictureFit& fit, const std::string& name);
    std::string proposedPngFileName() const;

    // The Norix side, through the link's image conversation.
    SerialPortManager& link() { return link_; }
    ImageSlotConversation& images() { return images_; }
    bool canRefreshImages() const;
    bool isSelectedSlotEmpty() const;
    bool canLoadNorixImage() const;
    bool canSaveNorixImage() const;
    void refreshImages();
    void loadNorixImage();
    void saveNorixImage();
    // Fires when the link's state changes (connection, lists, transfers).
    Signal<> deviceChanged;

private:
    void linkChanged();
    void takeLoadedNorixImage();
    void replaceImage(NorixImage image);
    void imageEdited();
    void markSaved() { savedRevision_ = revision_; }

    SerialPortManager& link_;
    ImageSlotConversation& images_;
    NorixImage image_{{}, screenWidth, screenHeight, {}, {}};
    std::int64_t selectedSlot_ = 1;
    std::deque<ImageUndoStep> undoHistory_;
    std::optional<std::vector<std::uint16_t>> pendingUndoPixels_;
    std::optional<std::pair<std::int64_t, std::int64_t>> shapeStart_;
    std::optional<std::vector<std::uint16_t>> shapeBasePixels_;
    ImageDrawingTool selectedDrawingTool_ = ImageDrawingTool::pencil;
    EditorColor leftDrawingColor_ = whiteColor;
    EditorColor rightDrawingColor_ = blackColor;
    double editorScale_ = initialEditorScale;
    std::string importSummary_;

    std::uint64_t revision_ = 0;
    std::uint64_t savedRevision_ = 0;
    std::uint64_t encodingRevision_ = 0;
    std::optional<std::uint64_t> uploadingRevision_;
    bool linkHeldLoadedImage_ = false;
    std::vector<Connection> connections_;
};

} // namespace norix
