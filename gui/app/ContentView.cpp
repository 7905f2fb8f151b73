#include "gui/app/ContentView.h"

#include "core/chips/ChipSession.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppNotifications.h"
#include "gui/app/ChipFieldsPanel.h"
#include "gui/app/ChipFilesPanel.h"
#include "gui/app/CodePanel.h"
#include "gui/app/ConnectionBar.h"
#include "gui/app/NorixChipsPanel.h"
#include "gui/app/QtBackgroundQueue.h"
#include "gui/app/StandardDialogs.h"
#include "gui/app/TerminalView.h"
#include "gui/app/ToolWindows.h"
#include "gui/app/WindowLayoutMemory.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace norix {

ContentView::ContentView(ChipSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), dialogs_(standardContentViewDialogs(this, session)),
      toolWindows_(new ToolWindows(this)), background_(std::make_unique<QtBackgroundQueue>()) {
    setObjectName(QStringLiteral("contentView"));
    setMinimumSize(900, 600);
    setCentralWidget(buildCentralWidget());
    buildToolBar();
    if (!restoreWindowLayout(*this)) {
        // Room to work, and still whole on a 1366 x 768 screen with a panel.
        QSize size(1240, 680);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
        resize(size.expandedTo(minimumSize()));
    }
    // Listing ports and closing one may block: off the window's thread.
    session_.setBackgroundQueue(background_.get());
    updateTitle();

    connect(chipFiles_, &ChipFilesPanel::addFilesRequested, this, &ContentView::addFiles);
    connect(chipFiles_, &ChipFilesPanel::loadRequested, this, &ContentView::loadSelectedFile);
    connect(chipFiles_, &ChipFilesPanel::newFileRequested, this, &ContentView::newFile);
    connect(chipFiles_, &ChipFilesPanel::batchSaveRequested, this, &ContentView::batchSave);
    connect(chipFields_, &ChipFieldsPanel::saveRequested, this, &ContentView::saveFile);
    connect(chipFields_, &ChipFieldsPanel::saveAsRequested, this, &ContentView::saveFileAs);
    connect(norixChips_, &NorixChipsPanel::loadRequested, this,
            &ContentView::loadSelectedNorixChip);

    auto& notifications = AppNotifications::instance();
    connect(&notifications, &AppNotifications::refreshNorixChips, this,
            &ContentView::refreshNorixChipsNotification);
    connect(&notifications, &AppNotifications::deleteAllNorixChips, this,
            &ContentView::deleteAllNorixChipsNotification);

    connections_.push_back(session_.changed.connect([this] { sessionChanged(); }));
}

ContentView::~ContentView() {
    session_.setBackgroundQueue(nullptr);
}

QWidget* ContentView::buildCentralWidget() {
    connectionBar_ = new ConnectionBar(session_);
    chipFiles_ = new ChipFilesPanel(session_);
    chipFields_ = new ChipFieldsPanel(session_);
    codePanel_ = new CodePanel(session_);
    norixChips_ = new NorixChipsPanel(session_);
    terminal_ = new TerminalView(session_);

    // Every region sits in a splitter, so that a small screen can give the
    // code editor the room; the positions are remembered by name.
    auto* lists = new QSplitter(Qt::Vertical);
    lists->setObjectName(QStringLiteral("listsSplitter"));
    lists->addWidget(chipFiles_);
    lists->addWidget(norixChips_);

    auto* chip = new QSplitter(Qt::Vertical);
    chip->setObjectName(QStringLiteral("chipSplitter"));
    chip->addWidget(chipFields_);
    chip->addWidget(codePanel_);
    chip->setStretchFactor(0, 0);
    chip->setStretchFactor(1, 1);
    chip->setCollapsible(1, false);

    auto* columns = new QSplitter(Qt::Horizontal);
    columns->setObjectName(QStringLiteral("columnsSplitter"));
    columns->addWidget(lists);
    columns->addWidget(chip);
    columns->setStretchFactor(0, 0);
    columns->setStretchFactor(1, 1);
    columns->setCollapsible(1, false);
    columns->setSizes({220, 1000});

    auto* rows = new QSplitter(Qt::Vertical);
    rows->setObjectName(QStringLiteral("rowsSplitter"));
    rows->addWidget(columns);
    rows->addWidget(terminal_);
    rows->setStretchFactor(0, 1);
    rows->setCollapsible(0, false);
    rows->setSizes({560, 110});

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 0, 6, 6);
    layout->addWidget(rows, 1);
    return central;
}

void ContentView::buildToolBar() {
    // One row for the file commands and the connection: height goes to the code.
    QToolBar* toolbar = addToolBar(tr("Chip"));
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->addAction(QIcon::fromTheme(QStringLiteral("document-new"),
                                        style()->standardIcon(QStyle::SP_FileIcon)),
                       tr("New"), this, &ContentView::newFile);
    toolbar->addAction(QIcon::fromTheme(QStringLiteral("list-add"),
                                        style()->standardIcon(QStyle::SP_DialogOpenButton)),
                       tr("Add Files"), this, &ContentView::addFiles);
    toolbar->addAction(QIcon::fromTheme(QStringLiteral("document-save"),
                                        style()->standardIcon(QStyle::SP_DialogSaveButton)),
                       tr("Save"), this, &ContentView::saveFile);
    toolbar->addSeparator();
    toolbar->addWidget(connectionBar_);
}

void ContentView::updateTitle() {
    const auto& file = session_.editor().currentFileURL();
    const QString name = file ? QString::fromStdString(file->filename().string()) : tr("Untitled");
    setWindowTitle(name + QStringLiteral("[*] \u2014 NorixGUI"));
    setWindowModified(session_.editor().isModified());
}

void ContentView::sessionChanged() {
    updateTitle();

    if (session_.showDeleteAllChipsConfirmation() && !confirmationOpen_) {
        confirmationOpen_ = true;
        // Not from inside the session's notification: the alert runs its own loop.
        QTimer::singleShot(0, this, [this] {
            const bool confirmed =
                dialogs_.confirmDeleteAllChips && dialogs_.confirmDeleteAllChips();
            confirmationOpen_ = false;
            if (!session_.showDeleteAllChipsConfirmation())
                return; // the link went away meanwhile
            if (confirmed)
                session_.confirmDeleteAllChips();
            else
                session_.dismissDeleteAllChips();
        });
    }
}

bool ContentView::confirmDiscardingChanges() {
    if (!session_.editor().isModified())
        return true;
    return settleUnsavedChanges(dialogs_.askAboutUnsavedChanges, {},
                                [this] { return saveFile().succeeded(); });
}

void ContentView::newFile() {
    if (!confirmDiscardingChanges())
        return;
    session_.editor().newChipFile();
}

void ContentView::addFiles() {
    if (!dialogs_.chooseChipFilesToAdd)
        return;
    session_.editor().addChipFiles(dialogs_.chooseChipFilesToAdd());
}

void ContentView::loadSelectedFile() {
    if (!confirmDiscardingChanges())
        return;
    session_.editor().loadSelectedChipFile();
}

bool ContentView::mayReplace(const std::filesystem::path& existing) const {
    return dialogs_.confirmReplacingFile && dialogs_.confirmReplacingFile(existing);
}

ChipFileResult ContentView::saveFile() {
    return session_.editor().saveChipFile(
        dialogs_.chooseSavePath,
        [this](const std::filesystem::path& path) { return mayReplace(path); });
}

ChipFileResult ContentView::saveFileAs() {
    return session_.editor().saveChipFileAs(
        dialogs_.chooseSavePath,
        [this](const std::filesystem::path& path) { return mayReplace(path); });
}

void ContentView::loadChipFileCommand() {
    logLine("Load file");
    if (dialogs_.chooseChipFilesToAdd)
        openChipFiles(dialogs_.chooseChipFilesToAdd());
}

void ContentView::openChipFiles(const std::vector<std::filesystem::path>& files) {
    if (files.empty())
        return;
    session_.editor().addChipFiles(files);
    session_.editor().setSelectedChip(files.front().filename().string());
    loadSelectedFile();
}

void ContentView::loadSelectedNorixChip() {
    if (!confirmDiscardingChanges())
        return;
    session_.loadSelectedNorixChip();
}

void ContentView::batchSave() {
    // Every chip of the batch passes through the editor on its way to the Norix.
    if (!confirmDiscardingChanges())
        return;
    session_.batchSaveToNorixPressed();
}

void ContentView::refreshNorixChipsNotification() {
    logLine("Refreshing Norix Chips...");
    if (session_.canRefreshNorixChips())
        session_.requestChipList();
}

void ContentView::deleteAllNorixChipsNotification() {
    session_.requestDeleteAllChips();
}

void ContentView::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    session_.configureSerialPacketHandling();
    session_.refreshPortListNow();
}

void ContentView::closeEvent(QCloseEvent* event) {
    // Closing the main window quits: every window's unsaved work is asked about first.
    if (!toolWindows_->confirmDiscardingChanges() || !confirmDiscardingChanges()) {
        event->ignore();
        return;
    }
    saveWindowLayout(*this);
    event->accept();
    toolWindows_->closeAll();
}

} // namespace norix
