#pragma once
// The main window: connection bar, chip files, the chip's fields and strings,
// the code editor with its tools, the chips on the Norix and the terminal.
// Everything it shows comes from a ChipSession; what needs a person (file
// dialogs, the unsaved-changes question, the delete-all confirmation) goes
// through replaceable Dialogs, so that tests can answer them.

#include "core/chips/ChipEditor.h"
#include "core/util/Signal.h"
#include "gui/app/UnsavedChanges.h"

#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace norix {

class ChipSession;
class ChipFieldsPanel;
class ChipFilesPanel;
class CodePanel;
class ConnectionBar;
class NorixChipsPanel;
class QtBackgroundQueue;
class TerminalView;
class ToolWindows;

struct ContentViewDialogs {
    std::function<std::vector<std::filesystem::path>()> chooseChipFilesToAdd;
    SavePathChooser chooseSavePath;
    std::function<UnsavedChoice()> askAboutUnsavedChanges;
    std::function<bool()> confirmDeleteAllChips;
    // Whether an existing file may be replaced: asked once the chosen name
    // has its ".chip", so the question is about the file really written.
    ReplaceConfirmer confirmReplacingFile;
};

class ContentView : public QMainWindow {
    Q_OBJECT
public:
    explicit ContentView(ChipSession& session, QWidget* parent = nullptr);
    ~ContentView() override;

    ContentViewDialogs& dialogs() { return dialogs_; }
    ChipSession& session() { return session_; }

    ConnectionBar* connectionBar() const { return connectionBar_; }
    ChipFilesPanel* chipFiles() const { return chipFiles_; }
    ChipFieldsPanel* chipFields() const { return chipFields_; }
    CodePanel* codePanel() const { return codePanel_; }
    NorixChipsPanel* norixChips() const { return norixChips_; }
    TerminalView* terminal() const { return terminal_; }
    // The single tool windows; each is asked about unsaved work before the app quits.
    ToolWindows& toolWindows() const { return *toolWindows_; }
    // Keeps a subscription (of a menu, say) alive as long as the window.
    void keepConnection(Connection connection) { connections_.push_back(std::move(connection)); }

    // Asks about unsaved changes when there are some; true when the caller may go on.
    bool confirmDiscardingChanges();

    // Commands of the buttons, the toolbar and the menus.
    void newFile();
    void addFiles();
    void loadSelectedFile();
    ChipFileResult saveFile();
    ChipFileResult saveFileAs();
    void loadChipFileCommand(); // File > Load Chip File: add, then load what was chosen
    // Files handed over by the command line or a file manager: added to the
    // list, and the first one loaded (after asking about unsaved changes).
    void openChipFiles(const std::vector<std::filesystem::path>& files);
    void loadSelectedNorixChip();
    void batchSave();
    void refreshNorixChipsNotification();
    void deleteAllNorixChipsNotification();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildCentralWidget();
    void buildToolBar();
    void sessionChanged();
    void updateTitle();
    // The window's replace question; no question means no.
    bool mayReplace(const std::filesystem::path& existing) const;

    ChipSession& session_;
    ContentViewDialogs dialogs_;
    ConnectionBar* connectionBar_ = nullptr;
    ChipFilesPanel* chipFiles_ = nullptr;
    ChipFieldsPanel* chipFields_ = nullptr;
    CodePanel* codePanel_ = nullptr;
    NorixChipsPanel* norixChips_ = nullptr;
    TerminalView* terminal_ = nullptr;
    ToolWindows* toolWindows_ = nullptr;
    std::unique_ptr<QtBackgroundQueue> background_;

    bool shownOnce_ = false;
    bool confirmationOpen_ = false;
    std::vector<Connection> connections_;
};

} // namespace norix
