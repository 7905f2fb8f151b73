#pragma once
// The image window: creates, opens and saves image files, imports pictures,
// paints with five tools and two colours, undoes, zooms, shows the encoded
// size and text, and exchanges images with the Norix's slots. Every decision
// is the ImageEditor's; what needs a person (file panels, questions, colour
// choice, alerts) goes through replaceable dialogs so that tests answer them.

#include "core/images/ImageEditor.h"
#include "gui/app/ToolWindow.h"
#include "gui/app/UnsavedChanges.h"

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QToolButton;

namespace norix {

class ImagePixelView;
class NorixConnection;

struct ImageManagerDialogs {
    std::function<std::optional<NewImageEntry>()> askNewImage;
    // An alert with a title, a message and "OK".
    std::function<void(const std::string& title, const std::string& message)> showAlert;
    std::function<std::optional<std::filesystem::path>()> chooseImageFileToOpen;
    std::function<std::optional<std::filesystem::path>(const std::string& proposedName)>
        chooseImageSavePath;
    std::function<std::optional<std::filesystem::path>()> choosePictureToImport;
    std::function<std::optional<std::filesystem::path>(const std::string& proposedName)>
        choosePngExportPath;
    std::function<UnsavedChoice()> askAboutUnsavedChanges;
    std::function<std::optional<EditorColor>(const EditorColor& initial, const std::string& title)>
        chooseColor;
};

// File panels, message boxes and QColorDialog, as the window uses them outside tests.
ImageManagerDialogs standardImageDialogs(QWidget* parent);

class ImageManagerView : public QWidget, public ToolWindow {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 1200;
    static constexpr int defaultHeight = 850;

    explicit ImageManagerView(NorixConnection& device, QWidget* parent = nullptr);
    ~ImageManagerView() override;

    ImageEditor& editor() { return editor_; }
    ImageManagerDialogs& dialogs() { return dialogs_; }
    bool confirmDiscardingChanges() override;

    // Commands of the buttons.
    void newImage();
    void loadImageFile();
    bool saveImageFile(); // true when the image was written
    void importPicture();
    void exportPng();
    void chooseColor(bool right);

    QPushButton* newButton() const { return newButton_; }
    QPushButton* loadFileButton() const { return loadFileButton_; }
    QPushButton* saveAsButton() const { return saveAsButton_; }
    QPushButton* importButton() const { return importButton_; }
    QPushButton* exportButton() const { return exportButton_; }
    QPushButton* refreshButton() const { return refreshButton_; }
    QPushButton* loadNorixButton() const { return loadNorixButton_; }
    QPushButton* saveNorixButton() const { return saveNorixButton_; }
    QPushButton* closeButton() const { return closeButton_; }
    QToolButton* toolButton(ImageDrawingTool tool) const;
    QToolButton* colorWell(bool right) const { return right ? rightWell_ : leftWell_; }
    QToolButton* undoButton() const { return undoButton_; }
    QToolButton* zoomInButton() const { return zoomInButton_; }
    QToolButton* zoomOutButton() const { return zoomOutButton_; }
    QProgressBar* busyIndicator() const { return busyIndicator_; }
    QListWidget* slotList() const { return slotList_; }
    QLabel* nameValue() const { return nameValue_; }
    QLabel* widthValue() const { return widthValue_; }
    QLabel* heightValue() const { return heightValue_; }
    QLabel* compressedSizeValue() const { return compressedSizeValue_; }
    QLabel* importSummary() const { return importSummary_; }
    QLabel* editorTitle() const { return editorTitle_; }
    QLabel* listStatus() const { return listStatus_; }
    QLabel* loadStatus() const { return loadStatus_; }
    QLabel* uploadStatus() const { return uploadStatus_; }
    QLabel* linkError() const { return linkError_; }
    ImagePixelView* preview() const { return preview_; }
    ImagePixelView* canvas() const { return canvas_; }
    QScrollArea* canvasScroller() const { return canvasScroller_; }
    QPlainTextEdit* imageCode() const { return imageCode_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildLeftColumn();
    QWidget* buildEditorColumn();
    QWidget* buildToolRow();
    void buildShortcuts();
    void editorChanged();
    void deviceChanged();
    void fileError(const std::string& message);
    void refreshSlotList();
    void updateNorixControls();

    ImageEditor editor_;
    ImageManagerDialogs dialogs_;
    QPushButton* newButton_ = nullptr;
    QPushButton* loadFileButton_ = nullptr;
    QPushButton* saveAsButton_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QPushButton* loadNorixButton_ = nullptr;
    QPushButton* saveNorixButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    std::array<QToolButton*, 5> toolButtons_{};
    QToolButton* leftWell_ = nullptr;
    QToolButton* rightWell_ = nullptr;
    QToolButton* undoButton_ = nullptr;
    QToolButton* zoomInButton_ = nullptr;
    QToolButton* zoomOutButton_ = nullptr;
    QProgressBar* busyIndicator_ = nullptr;
    QListWidget* slotList_ = nullptr;
    QLabel* nameValue_ = nullptr;
    QLabel* widthValue_ = nullptr;
    QLabel* heightValue_ = nullptr;
    QLabel* compressedSizeValue_ = nullptr;
    QLabel* importSummary_ = nullptr;
    QLabel* editorTitle_ = nullptr;
    QLabel* listStatus_ = nullptr;
    QLabel* loadStatus_ = nullptr;
    QLabel* uploadStatus_ = nullptr;
    QLabel* linkError_ = nullptr;
    ImagePixelView* preview_ = nullptr;
    ImagePixelView* canvas_ = nullptr;
    QScrollArea* canvasScroller_ = nullptr;
    QPlainTextEdit* imageCode_ = nullptr;
    std::uint64_t shownEncodingRevision_ = ~std::uint64_t{0};
    // The image the user last agreed to lose: asked once, not again on close.
    std::optional<std::uint64_t> discardedRevision_;
    std::vector<Connection> connections_;
};

} // namespace norix
