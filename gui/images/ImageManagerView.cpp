#include "gui/images/ImageManagerView.h"

#include "core/device/NorixConnection.h"
#include "core/images/ImageSlotConversation.h"
#include "gui/images/ImageIcons.h"
#include "gui/images/ImagePixelView.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

namespace norix {
namespace {

const QString errorStyle = QStringLiteral("color: #C62828;");

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* heading(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* statusLabel() {
    auto* label = new QLabel;
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// A status text, or the error text in red when there is one.
void showStatus(QLabel* label, const std::string& status, const std::optional<std::string>& error) {
    label->setText(qText(error ? *error : status));
    label->setStyleSheet(error ? errorStyle : QString());
    label->setVisible(error || !status.empty());
}

QToolButton* makeToolButton(const QIcon& icon, const QString& help) {
    auto* button = new QToolButton;
    button->setIcon(icon);
    button->setIconSize(QSize(24, 24));
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setAutoRaise(true);
    return button;
}

} // namespace

ImageManagerView::ImageManagerView(NorixConnection& device, QWidget* parent)
    : QWidget(parent), editor_(device.link(), device.images()) {
    setObjectName(QStringLiteral("imageWindow"));
    setWindowTitle(QStringLiteral("Image Window"));
    dialogs_ = standardImageDialogs(this);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildLeftColumn());
    layout->addWidget(buildEditorColumn(), 1);
    buildShortcuts();
    resize(defaultWidth, defaultHeight);

    connections_.push_back(editor_.changed.connect([this] { editorChanged(); }));
    connections_.push_back(editor_.deviceChanged.connect([this] { deviceChanged(); }));
    editorChanged();
    deviceChanged();
}

ImageManagerView::~ImageManagerView() = default;

QWidget* ImageManagerView::buildLeftColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(static_cast<int>(leftColumnWidth));
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    newButton_ = new QPushButton(QStringLiteral("New"));
    loadFileButton_ = new QPushButton(QStringLiteral("Load File"));
    saveAsButton_ = new QPushButton(QStringLiteral("Save As..."));
    importButton_ = new QPushButton(QStringLiteral("Import Picture\u2026"));
    exportButton_ = new QPushButton(QStringLiteral("Export PNG\u2026"));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(newButton_);
    fileRow->addWidget(loadFileButton_);
    fileRow->addWidget(saveAsButton_);
    auto* pictureRow = new QHBoxLayout;
    pictureRow->addWidget(importButton_);
    pictureRow->addWidget(exportButton_);
    layout->addLayout(fileRow);
    layout->addLayout(pictureRow);

    nameValue_ = new QLabel;
    widthValue_ = new QLabel;
    heightValue_ = new QLabel;
    compressedSizeValue_ = new QLabel;
    for (QLabel* value : {nameValue_, widthValue_, heightValue_, compressedSizeValue_})
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("Image Name"), nameValue_);
    facts->addRow(QStringLiteral("Width"), widthValue_);
    facts->addRow(QStringLiteral("Height"), heightValue_);
    facts->addRow(QStringLiteral("Compressed Size"), compressedSizeValue_);
    layout->addLayout(facts);
    importSummary_ = statusLabel();
    layout->addWidget(importSummary_);

    layout->addWidget(heading(QStringLiteral("Display Preview")));
    preview_ = new ImagePixelView;
    auto* previewFrame = new QWidget;
    previewFrame->setFixedSize(static_cast<int>(leftColumnWidth), 256);
    auto* previewLayout = new QVBoxLayout(previewFrame);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->addWidget(preview_, 0, Qt::AlignCenter);
    layout->addWidget(previewFrame);

    layout->addWidget(heading(QStringLiteral("Norix Image Slots")));
    slotList_ = new QListWidget;
    slotList_->setMinimumHeight(90);
    layout->addWidget(slotList_, 1);

    refreshButton_ = new QPushButton(QStringLiteral("Refresh Images"));
    busyIndicator_ = new QProgressBar;
    busyIndicator_->setRange(0, 0);
    busyIndicator_->setFixedSize(48, 10);
    busyIndicator_->setTextVisible(false);
    loadNorixButton_ = new QPushButton(QStringLiteral("Load Norix"));
    saveNorixButton_ = new QPushButton(QStringLiteral("Save Norix"));
    auto* refreshRow = new QHBoxLayout;
    refreshRow->addWidget(refreshButton_);
    refreshRow->addWidget(busyIndicator_);
    refreshRow->addStretch();
    auto* norixRow = new QHBoxLayout;
    norixRow->addWidget(loadNorixButton_);
    norixRow->addWidget(saveNorixButton_);
    layout->addLayout(refreshRow);
    layout->addLayout(norixRow);

    listStatus_ = statusLabel();
    loadStatus_ = statusLabel();
    uploadStatus_ = statusLabel();
    linkError_ = statusLabel();
    layout->addWidget(listStatus_);
    layout->addWidget(loadStatus_);
    layout->addWidget(uploadStatus_);
    layout->addWidget(linkError_);

    closeButton_ = new QPushButton(QStringLiteral("Close"));
    layout->addWidget(closeButton_, 0, Qt::AlignRight);

    connect(newButton_, &QPushButton::clicked, this, &ImageManagerView::newImage);
    connect(loadFileButton_, &QPushButton::clicked, this, &ImageManagerView::loadImageFile);
    connect(saveAsButton_, &QPushButton::clicked, this, [this] { saveImageFile(); });
    connect(importButton_, &QPushButton::clicked, this, &ImageManagerView::importPicture);
    connect(exportButton_, &QPushButton::clicked, this, &ImageManagerView::exportPng);
    connect(refreshButton_, &QPushButton::clicked, this, [this] { editor_.refreshImages(); });
    connect(loadNorixButton_, &QPushButton::clicked, this, [this] {
        if (confirmDiscardingChanges())
            editor_.loadNorixImage();
    });
    connect(saveNorixButton_, &QPushButton::clicked, this, [this] { editor_.saveNorixImage(); });
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
    connect(slotList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            editor_.setSelectedSlot(row + 1);
    });
    return column;
}

QWidget* ImageManagerView::buildToolRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(row);
    group->setExclusive(true);
    for (std::size_t i = 0; i < imageDrawingTools().size(); ++i) {
        const auto& info = imageDrawingTools()[i];
        const QString help =
            QString::fromUtf8(info.helpText.data(), static_cast<qsizetype>(info.helpText.size()));
        QToolButton* button = makeToolButton(drawingToolIcon(info.tool), help);
        button->setCheckable(true);
        group->addButton(button);
        layout->addWidget(button);
        toolButtons_[i] = button;
        connect(button, &QToolButton::clicked, this,
                [this, tool = info.tool] { editor_.setSelectedDrawingTool(tool); });
    }
    layout->addSpacing(12);
    leftWell_ = makeToolButton(QIcon(), QStringLiteral("Left Click Color"));
    rightWell_ = makeToolButton(QIcon(), QStringLiteral("Right Click Color"));
    for (QToolButton* well : {leftWell_, rightWell_}) {
        well->setAutoRaise(false);
        well->setText(well->toolTip());
        well->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        layout->addWidget(well);
    }
    connect(leftWell_, &QToolButton::clicked, this, [this] { chooseColor(false); });
    connect(rightWell_, &QToolButton::clicked, this, [this] { chooseColor(true); });
    layout->addSpacing(12);

    undoButton_ = makeToolButton(undoIcon(), QStringLiteral("Undo Last Edit"));
    zoomInButton_ = makeToolButton(zoomIcon(true), QStringLiteral("Zoom In"));
    zoomOutButton_ = makeToolButton(zoomIcon(false), QStringLiteral("Zoom Out"));
    for (QToolButton* button : {undoButton_, zoomInButton_, zoomOutButton_})
        layout->addWidget(button);
    layout->addStretch();
    connect(undoButton_, &QToolButton::clicked, this, [this] { editor_.undoImageEdit(); });
    connect(zoomInButton_, &QToolButton::clicked, this, [this] { editor_.zoomEditorIn(); });
    connect(zoomOutButton_, &QToolButton::clicked, this, [this] { editor_.zoomEditorOut(); });
    return row;
}

QWidget* ImageManagerView::buildEditorColumn() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildToolRow());

    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(heading(QStringLiteral("Image Editor")));
    editorTitle_ = new QLabel;
    titleRow->addWidget(editorTitle_);
    titleRow->addStretch();
    layout->addLayout(titleRow);

    canvas_ = new ImagePixelView;
    canvas_->setShowsGrid(true);
    canvas_->setEditor(&editor_);
    canvas_->setContextMenuPolicy(Qt::PreventContextMenu);
    canvasScroller_ = new QScrollArea;
    canvasScroller_->setWidget(canvas_);
    canvasScroller_->setWidgetResizable(false);
    canvasScroller_->setAlignment(Qt::AlignCenter);
    canvasScroller_->setMinimumSize(360, 260);
    layout->addWidget(canvasScroller_, 1);

    layout->addWidget(heading(QStringLiteral("Image Code")));
    imageCode_ = new QPlainTextEdit;
    imageCode_->setReadOnly(true);
    imageCode_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    imageCode_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    imageCode_->setFixedHeight(150);
    layout->addWidget(imageCode_);
    return column;
}

void ImageManagerView::buildShortcuts() {
    const auto shortcut = [this](const QKeySequence& keys, auto action) {
        auto* added = new QShortcut(keys, this);
        added->setContext(Qt::WindowShortcut);
        connect(added, &QShortcut::activated, this, action);
    };
    shortcut(QKeySequence::Undo, [this] { editor_.undoImageEdit(); });
    shortcut(QKeySequence::ZoomIn, [this] { editor_.zoomEditorIn(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { editor_.zoomEditorIn(); });
    shortcut(QKeySequence::ZoomOut, [this] { editor_.zoomEditorOut(); });
}

QToolButton* ImageManagerView::toolButton(ImageDrawingTool tool) const {
    return toolButtons_[static_cast<std::size_t>(tool)];
}

void ImageManagerView::editorChanged() {
    const NorixImage& image = editor_.image();
    nameValue_->setText(qText(image.imageName));
    widthValue_->setText(QString::number(image.imageWidth));
    heightValue_->setText(QString::number(image.imageHeight));
    compressedSizeValue_->setText(qText(editor_.compressedSizeText()));
    compressedSizeValue_->setStyleSheet(editor_.isCompressedSizeOverLimit() ? errorStyle
                                                                            : QString());
    importSummary_->setText(qText(editor_.importSummary()));
    importSummary_->setVisible(!editor_.importSummary().empty());

    preview_->setScale(static_cast<double>(editor_.previewScale()));
    preview_->setImage(image.imagePixels, image.imageWidth, image.imageHeight);
    canvas_->setScale(editor_.editorScale());
    canvas_->setImage(image.imagePixels, image.imageWidth, image.imageHeight);
    editorTitle_->setText(qText(editor_.editorTitle()));
    // The text is rebuilt only when the encoding is, never while a drag runs.
    if (shownEncodingRevision_ != editor_.encodingRevision()) {
        shownEncodingRevision_ = editor_.encodingRevision();
        imageCode_->setPlainText(qText(editor_.imageCodeText()));
    }

    for (std::size_t i = 0; i < toolButtons_.size(); ++i)
        toolButtons_[i]->setChecked(imageDrawingTools()[i].tool == editor_.selectedDrawingTool());
    leftWell_->setIcon(colorWellIcon(editor_.leftDrawingColor(), QLatin1Char('L')));
    rightWell_->setIcon(colorWellIcon(editor_.rightDrawingColor(), QLatin1Char('R')));
    undoButton_->setEnabled(editor_.canUndo());
    zoomInButton_->setEnabled(editor_.canZoomIn());
    zoomOutButton_->setEnabled(editor_.canZoomOut());
    updateNorixControls(); // "Save Norix" follows the image too
}

void ImageManagerView::refreshSlotList() {
    const auto& slots = editor_.images().norixImageSlots();
    const QSignalBlocker blocker(slotList_);
    while (slotList_->count() > static_cast<int>(slots.size()))
        delete slotList_->takeItem(slotList_->count() - 1);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const QString text = QString::asprintf("%03d", static_cast<int>(slots[i].slot)) +
                             QStringLiteral("  ") + qText(slots[i].displayName());
        if (static_cast<int>(i) < slotList_->count())
            slotList_->item(static_cast<int>(i))->setText(text);
        else
            slotList_->addItem(text);
    }
    slotList_->setCurrentRow(static_cast<int>(editor_.selectedSlot()) - 1);
}

void ImageManagerView::deviceChanged() {
    refreshSlotList();
    updateNorixControls();
}

void ImageManagerView::updateNorixControls() {
    const auto& images = editor_.images();
    refreshButton_->setEnabled(editor_.canRefreshImages());
    busyIndicator_->setVisible(images.isLoadingImageList());
    loadNorixButton_->setEnabled(editor_.canLoadNorixImage());
    saveNorixButton_->setEnabled(editor_.canSaveNorixImage());
    showStatus(listStatus_, images.imageListStatus(), images.imageListError());
    showStatus(loadStatus_, images.imageLoadStatus(), images.imageLoadError());
    showStatus(uploadStatus_, images.imageUploadStatus(), images.imageUploadError());
    // A transfer cut short by a lost link says why here; the image stays as it was.
    showStatus(linkError_, {}, editor_.link().lastError());
}

void ImageManagerView::closeEvent(QCloseEvent* event) {
    if (confirmDiscardingChanges())
        event->accept();
    else
        event->ignore();
}

} // namespace norix
