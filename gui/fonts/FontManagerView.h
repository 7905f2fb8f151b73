#pragma once
// The "Font Window": draw bitmap fonts and keep them in the Norix's font
// slots. Everything it shows comes from a FontEditor on the shared link; what
// needs a person (file dialogs, the New Font and import dialogs, the error
// alert, the unsaved-work question) goes through replaceable dialogs, so that
// tests can answer them.

#include "core/fonts/FontEditor.h"
#include "core/util/Signal.h"
#include "gui/app/ToolWindow.h"
#include "gui/app/UnsavedChanges.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace norix {

class FontGlyphsPreview;
class FontSlotsPanel;
class GlyphEditorPanel;
class GlyphGridView;
class NorixDisplayPreview;
class NorixConnection;

struct FontManagerDialogs {
    OpenPathChooser chooseFontToOpen;
    SavePathChooser chooseSavePath;
    std::function<UnsavedChoice()> askAboutUnsavedChanges;
    std::function<void(const QString& title, const QString& message)> showAlert;
    // Runs the New Font and import dialogs; true when the person confirmed.
    std::function<bool(QDialog&)> runDialog;
};

class FontManagerView : public QWidget, public ToolWindow {
    Q_OBJECT
public:
    explicit FontManagerView(NorixConnection& device, QWidget* parent = nullptr);
    ~FontManagerView() override;

    FontManagerDialogs& dialogs() { return dialogs_; }
    FontEditor& editor() { return *editor_; }

    QLabel* fontNameLabel() const { return fontName_; }
    QPushButton* newFontButton() const { return newFont_; }
    QPushButton* openFontButton() const { return openFont_; }
    QPushButton* importFontButton() const { return importFont_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* saveAsButton() const { return saveAs_; }
    FontSlotsPanel* slotsPanel() const { return slots_; }
    GlyphEditorPanel* glyphEditor() const { return glyphEditor_; }
    GlyphGridView* glyphGrid() const { return glyphGrid_; }
    const std::vector<QLabel*>& informationValues() const { return informationValues_; }
    FontGlyphsPreview* glyphsPreview() const { return glyphsPreview_; }
    QLabel* noFontPreviewLabel() const { return noFontPreview_; }
    QLineEdit* previewTextField() const { return previewText_; }
    NorixDisplayPreview* displayPreview() const { return displayPreview_; }
    QPlainTextEdit* fontFileText() const { return fontFileText_; }

    bool confirmDiscardingChanges() override;

    // Commands of the buttons and the shortcuts.
    void newFont();
    void openFont();
    void importDesktopFont();
    void saveFont();
    void saveFontAs();
    void saveToNorix();

    // Brings every panel up to date with the editor.
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildTopBar();
    QWidget* buildInformation();
    QWidget* buildPreviewColumn();
    void addShortcuts();
    void presentError();
    void refreshFontText();

    std::unique_ptr<FontEditor> editor_;
    FontManagerDialogs dialogs_;
    QLabel* fontName_ = nullptr;
    QPushButton* newFont_ = nullptr;
    QPushButton* openFont_ = nullptr;
    QPushButton* importFont_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* saveAs_ = nullptr;
    FontSlotsPanel* slots_ = nullptr;
    GlyphEditorPanel* glyphEditor_ = nullptr;
    GlyphGridView* glyphGrid_ = nullptr;
    QScrollArea* glyphScroll_ = nullptr;
    std::vector<QLabel*> informationValues_;
    FontGlyphsPreview* glyphsPreview_ = nullptr;
    QScrollArea* previewScroll_ = nullptr;
    QLabel* noFontPreview_ = nullptr;
    QLineEdit* previewText_ = nullptr;
    NorixDisplayPreview* displayPreview_ = nullptr;
    QPlainTextEdit* fontFileText_ = nullptr;
    std::uint64_t shownTextRevision_ = 0;
    std::optional<bool> shownTextFont_; // nothing shown yet
    Connection connection_;
};

} // namespace norix
