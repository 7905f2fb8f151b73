#include "gui/app/ContentView.h"

#include "core/chips/ChipSession.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppNotifications.h"
#include "gui/app/ChipFieldsPanel.h"
#include "gui/app/ChipFilesPanel.h"
#include "gui/app/CodePanel.h"
#include "gui/app/ConnectionBar.h"
#include "gui/app/NorixChipsPanel.h"
#include "gui/app/TerminalView.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace norix {
namespace {

bool sameDocument(const ChipDocument& a, const ChipDocument& b) {
    return a.name == b.name && a.pinCount == b.pinCount && a.chipType == b.chipType &&
           a.imageIndex == b.imageIndex && a.code == b.code && a.strings == b.strings;
}

ContentViewDialogs standardDialogs(QWidget* parent, ChipSession& session) {
    ContentViewDialogs dialogs;
    dialogs.chooseChipFilesToAdd = [parent] {
        std::vector<std::filesystem::path> files;
        const QStringList chosen = QFileDialog::getOpenFileNames(
            parent, QObject::tr("Add Chip Files"), QString(),
            QObject::tr("Chip and text files (*.chip *.txt);;All files (*)"));
        for (const QString& file : chosen)
            files.emplace_back(file.toStdString());
        return files;
    };
    dialogs.chooseSavePath = [parent, &session](const std::string& proposedName) {
        QString folder;
        if (const auto& current = session.editor().currentFileURL())
            folder = QString::fromStdString(current->parent_path().string());
        const QString start =
            folder.isEmpty() ? QString::fromStdString(proposedName)
                             : folder + QLatin1Char('/') + QString::fromStdString(proposedName);
        const QString chosen =
            QFileDialog::getSaveFileName(parent, QObject::tr("Save Chip File"), start,
                                         QObject::tr("Chip files (*.chip);;All files (*)"));
        return chosen.isEmpty() ? std::nullopt
                                : std::optional<std::filesystem::path>(chosen.toStdString());
    };
    dialogs.askAboutUnsavedChanges = [parent] {
        const auto answer = QMessageBox::warning(
            parent, QObject::tr("Unsaved Changes"),
            QObject::tr("The chip in the editor has changes that are not saved in a chip file."),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
        if (answer == QMessageBox::Save)
            return UnsavedChoice::save;
        return answer == QMessageBox::Discard ? UnsavedChoice::discard : UnsavedChoice::cancel;
    };
    dialogs.confirmDeleteAllChips = [parent] {
        QMessageBox box(QMessageBox::Warning, QObject::tr("Delete All Chips?"),
                        QObject::tr("This will permanently erase every chip stored on the "
                                    "connected Norix. Images, fonts, and settings will not be "
                                    "affected. This action cannot be undone."),
                        QMessageBox::NoButton, parent);
        QPushButton* erase =
            box.addButton(QObject::tr("Delete All Chips"), QMessageBox::DestructiveRole);
        box.addButton(QObject::tr("Cancel"), QMessageBox::RejectRole);
        box.exec();
        return box.clickedButton() == erase;
    };
    return dialogs;
}

} // namespace

ContentView::ContentView(ChipSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), dialogs_(standardDialogs(this, session)) {
    setObjectName(QStringLiteral("contentView"));
    setMinimumSize(900, 600);
    resize(1280, 800);
    setCentralWidget(buildCentralWidget());
    buildToolBar();
    markClean();

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

ContentView::~ContentView() = default;

QWidget* ContentView::buildCentralWidget() {
    connectionBar_ = new ConnectionBar(session_);
    chipFiles_ = new ChipFilesPanel(session_);
    chipFields_ = new ChipFieldsPanel(session_);
    codePanel_ = new CodePanel(session_);
    norixChips_ = new NorixChipsPanel(session_);
    terminal_ = new TerminalView(session_);

    auto* lists = new QSplitter(Qt::Vertical);
    lists->addWidget(chipFiles_);
    lists->addWidget(norixChips_);

    auto* chip = new QWidget;
    auto* chipLayout = new QVBoxLayout(chip);
    chipLayout->setContentsMargins(0, 0, 0, 0);
    chipLayout->addWidget(chipFields_);
    chipLayout->addWidget(codePanel_, 1);

    auto* columns = new QSplitter(Qt::Horizontal);
    columns->addWidget(lists);
    columns->addWidget(chip);
    columns->setStretchFactor(0, 0);
    columns->setStretchFactor(1, 1);
    columns->setSizes({240, 1000});

    auto* rows = new QSplitter(Qt::Vertical);
    rows->addWidget(columns);
    rows->addWidget(terminal_);
    rows->setStretchFactor(0, 1);
    rows->setSizes({620, 130});

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(connectionBar_);
    layout->addWidget(rows, 1);
    return central;
}

void ContentView::buildToolBar() {
    QToolBar* toolbar = addToolBar(tr("Chip"));
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->setMovable(false);
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
}

bool ContentView::hasUnsavedChanges() const {
    return !sameDocument(session_.editor().currentChipDocument(), cleanDocument_);
}

void ContentView::markClean() {
    cleanDocument_ = session_.editor().currentChipDocument();
    updateTitle();
}

void ContentView::updateTitle() {
    const auto& file = session_.editor().currentFileURL();
    const QString name = file ? QString::fromStdString(file->filename().string()) : tr("Untitled");
    setWindowTitle(name + QStringLiteral("[*] \u2014 NorixGUI"));
    setWindowModified(hasUnsavedChanges());
}

void ContentView::sessionChanged() {
    // A chip that arrived from the Norix, or the last chip of a batch, is
    // what the editor now holds unchanged.
    const bool loading = session_.norixChipLoad().isLoadingNorixChip();
    const bool batching = session_.isBatchSaving();
    if ((wasLoadingNorixChip_ && !loading) || (wasBatchSaving_ && !batching))
        cleanDocument_ = session_.editor().currentChipDocument();
    wasLoadingNorixChip_ = loading;
    wasBatchSaving_ = batching;
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

bool ContentView::runReporting(const std::function<void()>& command, std::string_view success) {
    bool succeeded = false;
    Connection watch =
        session_.terminal().lineAppended.connect([&succeeded, success](const std::string& line) {
            if (line.starts_with(success))
                succeeded = true;
        });
    command();
    return succeeded;
}

bool ContentView::confirmDiscardingChanges() {
    if (!hasUnsavedChanges())
        return true;
    const UnsavedChoice choice =
        dialogs_.askAboutUnsavedChanges ? dialogs_.askAboutUnsavedChanges() : UnsavedChoice::cancel;
    switch (choice) {
    case UnsavedChoice::discard:
        return true;
    case UnsavedChoice::cancel:
        return false;
    case UnsavedChoice::save:
        saveFile();
        return !hasUnsavedChanges();
    }
    return false;
}

void ContentView::newFile() {
    if (!confirmDiscardingChanges())
        return;
    session_.editor().newChipFile();
    markClean();
}

void ContentView::addFiles() {
    if (!dialogs_.chooseChipFilesToAdd)
        return;
    session_.editor().addChipFiles(dialogs_.chooseChipFilesToAdd());
}

void ContentView::loadSelectedFile() {
    if (!confirmDiscardingChanges())
        return;
    if (runReporting([this] { session_.editor().loadSelectedChipFile(); }, "Loaded "))
        markClean();
}

void ContentView::saveFile() {
    if (runReporting([this] { session_.editor().saveChipFile(dialogs_.chooseSavePath); }, "Saved "))
        markClean();
}

void ContentView::saveFileAs() {
    if (runReporting([this] { session_.editor().saveChipFileAs(dialogs_.chooseSavePath); },
                     "Saved "))
        markClean();
}

void ContentView::loadChipFileCommand() {
    logLine("Load file");
    if (!dialogs_.chooseChipFilesToAdd)
        return;
    const auto files = dialogs_.chooseChipFilesToAdd();
    if (files.empty())
        return;
    session_.editor().addChipFiles(files);
    session_.editor().setSelectedChip(files.front().filename().string());
    loadSelectedFile();
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
    session_.refreshPortList();
}

void ContentView::closeEvent(QCloseEvent* event) {
    if (confirmDiscardingChanges())
        event->accept();
    else
        event->ignore();
}

} // namespace norix
