#include "gui/fonts/FontManagerView.h"

#include "core/device/NorixConnection.h"
#include "gui/fonts/DesktopFontImport.h"
#include "gui/fonts/FontPreviewViews.h"
#include "gui/fonts/FontSlotsPanel.h"
#include "gui/fonts/FontWindowControls.h"
#include "gui/fonts/GlyphEditorPanel.h"
#include "gui/fonts/GlyphGridView.h"
#include "gui/fonts/NewFontDialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace norix {
namespace {

FontManagerDialogs standardDialogs(QWidget* parent, FontEditor& editor) {
    FontManagerDialogs dialogs;
    dialogs.chooseFontToOpen = [parent]() -> std::optional<std::filesystem::path> {
        QFileDialog panel(parent, QObject::tr("Open Font File"));
        panel.setFileMode(QFileDialog::ExistingFile);
        panel.setAcceptMode(QFileDialog::AcceptOpen);
        panel.setLabelText(QFileDialog::Accept, QObject::tr("Open"));
        panel.setNameFilters({QObject::tr("Text files (*.txt)"), QObject::tr("All files (*)")});
        // The panel's own message line; the desktop's native panels have no place for one.
        panel.setOption(QFileDialog::DontUseNativeDialog);
        if (auto* grid = qobject_cast<QGridLayout*>(panel.layout()))
            grid->addWidget(new QLabel(QObject::tr("Select a Norix font text file.")),
                            grid->rowCount(), 0, 1, -1);
        if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
            return std::nullopt;
        return panel.selectedFiles().first().toStdString();
    };
    dialogs.chooseSavePath =
        [parent, &editor](const std::string& proposedName) -> std::optional<std::filesystem::path> {
        QFileDialog panel(parent, QObject::tr("Save Font File"));
        panel.setAcceptMode(QFileDialog::AcceptSave);
        panel.setLabelText(QFileDialog::Accept, QObject::tr("Save"));
        panel.setNameFilters({QObject::tr("Text files (*.txt)"), QObject::tr("All files (*)")});
        if (const auto& font = editor.loadedFont(); font && font->sourceURL)
            panel.setDirectory(QString::fromStdString(font->sourceURL->parent_path().string()));
        panel.selectFile(QString::fromStdString(proposedName));
        if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty())
            return std::nullopt;
        return panel.selectedFiles().first().toStdString();
    };
    dialogs.askAboutUnsavedChanges = [parent] {
        return askAboutUnsavedChanges(
            parent,
            QObject::tr("The font in the editor has changes that are not saved in a font file."));
    };
    dialogs.showAlert = [parent](const QString& title, const QString& message) {
        QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::NoButton, parent);
        box.addButton(QObject::tr("OK"), QMessageBox::AcceptRole);
        box.exec();
    };
    dialogs.runDialog = [](QDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
    return dialogs;
}

QGroupBox* panel(const QString& title, QWidget* content) {
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(content);
    return box;
}

} // namespace

FontManagerView::FontManagerView(NorixConnection& device, QWidget* parent)
    : QWidget(parent), editor_(std::make_unique<FontEditor>(device.link(), device.fonts())),
      dialogs_(standardDialogs(this, *editor_)) {
    setObjectName(QStringLiteral("fontWindow"));
    setWindowTitle(tr("Font Window"));
    FontEditor& editor = *editor_;

    slots_ = new FontSlotsPanel(editor);
    glyphEditor_ = new GlyphEditorPanel(editor);
    glyphGrid_ = new GlyphGridView(editor);
    glyphScroll_ = new QScrollArea;
    glyphScroll_->setWidget(glyphGrid_);
    glyphScroll_->setWidgetResizable(true);
    glyphScroll_->setFrameShape(QFrame::NoFrame);
    glyphScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* left = new QVBoxLayout;
    left->addWidget(slots_);
    left->addWidget(buildInformation());
    left->addStretch(1);
    auto* leftColumn = new QWidget;
    leftColumn->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    leftColumn->setFixedWidth(300);

    auto* middle = new QVBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->addWidget(glyphEditor_, 3);
    middle->addWidget(panel(tr("Glyphs"), glyphScroll_), 2);

    auto* columns = new QHBoxLayout;
    columns->addWidget(leftColumn);
    columns->addLayout(middle, 1);
    columns->addWidget(buildPreviewColumn());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildTopBar());
    layout->addLayout(columns, 1);

    addShortcuts();
    connect(slots_, &FontSlotsPanel::saveToNorixRequested, this, &FontManagerView::saveToNorix);
    connect(glyphGrid_, &GlyphGridView::selectedRectChanged, this, [this](QRect rect) {
        glyphScroll_->ensureVisible(rect.center().x(), rect.center().y(), rect.width(),
                                    rect.height());
    });
    connection_ = editor.changed.connect([this] { refresh(); });
    resize(1200, 850);
    refresh();
}

FontManagerView::~FontManagerView() {
    // The panels hold references to the editor: they go first.
    connection_.reset();
    const auto children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
}

QWidget* FontManagerView::buildTopBar() {
    auto* title = new QLabel(tr("Font Manager"));
    makeHeading(title, 20);
    fontName_ = new QLabel;
    fontName_->setForegroundRole(QPalette::PlaceholderText);
    fontName_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    newFont_ = new QPushButton(tr("New Font…"));
    openFont_ = new QPushButton(tr("Open Font…"));
    importFont_ = new QPushButton(tr("Import Desktop Font…"));
    save_ = new QPushButton(tr("Save"));
    saveAs_ = new QPushButton(tr("Save As…"));
    connect(newFont_, &QPushButton::clicked, this, &FontManagerView::newFont);
    connect(openFont_, &QPushButton::clicked, this, &FontManagerView::openFont);
    connect(importFont_, &QPushButton::clicked, this, &FontManagerView::importDesktopFont);
    connect(save_, &QPushButton::clicked, this, &FontManagerView::saveFont);
    connect(saveAs_, &QPushButton::clicked, this, &FontManagerView::saveFontAs);

    auto* names = new QVBoxLayout;
    names->setSpacing(0);
    names->addWidget(title);
    names->addWidget(fontName_);
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(names, 1);
    for (QPushButton* button : {newFont_, openFont_, importFont_, save_, saveAs_})
        layout->addWidget(button);
    return bar;
}

QWidget* FontManagerView::buildInformation() {
    auto* box = new QGroupBox(tr("Font Information"));
    auto* form = new QFormLayout(box);
    for (const std::string& label : FontEditor::fontInformationLabels()) {
        auto* value = new QLabel;
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromStdString(label), value);
        informationValues_.push_back(value);
    }
    return box;
}

QWidget* FontManagerView::buildPreviewColumn() {
    FontEditor& editor = *editor_;
    glyphsPreview_ = new FontGlyphsPreview(editor);
    previewScroll_ = new QScrollArea;
    previewScroll_->setWidget(glyphsPreview_);
    previewScroll_->setWidgetResizable(true);
    previewScroll_->setFrameShape(QFrame::NoFrame);
    previewScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    previewScroll_->setMinimumHeight(96); // a few rows of glyphs even at the smallest size
    noFontPreview_ = new QLabel(tr("No font loaded."));
    noFontPreview_->setForegroundRole(QPalette::PlaceholderText);
    noFontPreview_->setAlignment(Qt::AlignCenter);
    previewText_ = new QLineEdit;
    displayPreview_ = new NorixDisplayPreview(editor);
    connect(previewText_, &QLineEdit::textChanged, this,
            [this](const QString& text) { editor_->setPreviewText(text.toStdString()); });

    auto* preview = new QGroupBox(tr("Current Font Preview"));
    auto* previewLayout = new QVBoxLayout(preview);
    previewLayout->addWidget(previewScroll_, 1);
    previewLayout->addWidget(noFontPreview_, 1);
    auto* previewTextRow = new QFormLayout;
    previewTextRow->addRow(tr("Preview text"), previewText_);
    previewLayout->addLayout(previewTextRow);
    previewLayout->addWidget(displayPreview_, 0, Qt::AlignHCenter);

    fontFileText_ = new QPlainTextEdit;
    fontFileText_->setReadOnly(true);
    fontFileText_->setUndoRedoEnabled(false);
    fontFileText_->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
    fontFileText_->setLineWrapMode(QPlainTextEdit::NoWrap);
    fontFileText_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(preview, 3);
    layout->addWidget(panel(tr("Font File Text"), fontFileText_), 2);
    column->setFixedWidth(displayPreview_->sizeHint().width() + 60);
    return column;
}

void FontManagerView::addShortcuts() {
    const auto add = [this](const QList<QKeySequence>& keys, auto slot) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    add({QKeySequence::New}, &FontManagerView::newFont);
    add({QKeySequence::Open}, &FontManagerView::openFont);
    add({QKeySequence::Save}, &FontManagerView::saveFont);
    add({QKeySequence::SaveAs}, &FontManagerView::saveFontAs);
    add({QKeySequence::Undo}, [this] { editor_->undo(); });
    add({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
        [this] { editor_->redo(); });
}

void FontManagerView::refresh() {
    const FontEditor& editor = *editor_;
    const QString name = QString::fromStdString(editor.fontNameText());
    if (fontName_->text() != name)
        fontName_->setText(name);
    save_->setEnabled(editor.canSave());
    saveAs_->setEnabled(editor.canSave());
    slots_->refresh();
    glyphEditor_->refresh();
    glyphGrid_->refresh();
    const auto values = editor.fontInformationValues();
    for (std::size_t i = 0; i < values.size() && i < informationValues_.size(); ++i)
        informationValues_[i]->setText(QString::fromStdString(values[i]));
    const bool hasFont = editor.loadedFont().has_value();
    previewScroll_->setVisible(hasFont);
    noFontPreview_->setVisible(!hasFont);
    glyphsPreview_->refresh();
    displayPreview_->update();
    refreshFontText();
}

void FontManagerView::refreshFontText() {
    const FontEditor& editor = *editor_;
    const bool hasFont = editor.loadedFont().has_value();
    const std::uint64_t revision = editor.fontRevision();
    if (hasFont == shownTextFont_ && revision == shownTextRevision_)
        return;
    const bool oneGlyph = hasFont && shownTextFont_ == true && revision == shownTextRevision_ + 1 &&
                          editor.lastChangedGlyph();
    shownTextFont_ = hasFont;
    shownTextRevision_ = revision;
    if (oneGlyph) {
        // A pixel edit rewrites one line; the rest of a large font's text stays laid out.
        const std::int64_t glyph = *editor.lastChangedGlyph();
        QTextCursor cursor(fontFileText_->document()->findBlockByNumber(
            static_cast<int>(LoadedFont::glyphDataLineNumber(glyph))));
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(QString::fromStdString(editor.loadedFont()->glyphDataLine(glyph)));
        return;
    }
    // Keep the reader's place while the glyph they look at changes.
    const int scrolled = fontFileText_->verticalScrollBar()->value();
    fontFileText_->setPlainText(QString::fromStdString(editor.fontFileText()));
    fontFileText_->verticalScrollBar()->setValue(scrolled);
}

void FontManagerView::presentError() {
    if (!editor_->showingImportError())
        return;
    const QString message = QString::fromStdString(editor_->importErrorMessage());
    if (dialogs_.showAlert)
        dialogs_.showAlert(tr("Could Not Open Font"), message);
    editor_->dismissImportError();
}

bool FontManagerView::confirmDiscardingChanges() {
    if (!editor_->isModified())
        return true;
    return settleUnsavedChanges(dialogs_.askAboutUnsavedChanges, {}, [this] {
        saveFont();
        return !editor_->isModified();
    });
}

void FontManagerView::newFont() {
    if (!confirmDiscardingChanges())
        return;
    editor_->showNewFontOptions();
    NewFontDialog dialog(*editor_, this);
    if (!dialogs_.runDialog || !dialogs_.runDialog(dialog))
        editor_->cancelNewFont();
}

void FontManagerView::openFont() {
    if (!confirmDiscardingChanges())
        return;
    editor_->openFontFile(dialogs_.chooseFontToOpen);
    presentError();
}

void FontManagerView::importDesktopFont() {
    if (!confirmDiscardingChanges())
        return;
    DesktopFontDialog dialog(this);
    if (dialogs_.runDialog && dialogs_.runDialog(dialog))
        editor_->loadImportedFont(renderDesktopFont(dialog.options()));
}

void FontManagerView::saveFont() {
    editor_->saveFont(dialogs_.chooseSavePath);
    presentError();
}

void FontManagerView::saveFontAs() {
    editor_->saveFontAs(dialogs_.chooseSavePath);
    presentError();
}

void FontManagerView::saveToNorix() {
    editor_->uploadCurrentFontToSelectedSlot();
    presentError();
}

void FontManagerView::closeEvent(QCloseEvent* event) {
    if (confirmDiscardingChanges())
        event->accept();
    else
        event->ignore();
}

} // namespace norix
