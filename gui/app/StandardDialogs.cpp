#include "gui/app/StandardDialogs.h"

#include "core/chips/ChipSession.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace norix {

ContentViewDialogs standardContentViewDialogs(QWidget* parent, ChipSession& session) {
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
        QFileDialog dialog(parent, QObject::tr("Save Chip File"), start,
                           QObject::tr("Chip files (*.chip);;All files (*)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The dialog adds the extension; whether to replace an existing file
        // is asked afterwards, once, about the name that is really written.
        dialog.setDefaultSuffix(QStringLiteral("chip"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::optional<std::filesystem::path>();
        return std::optional<std::filesystem::path>(dialog.selectedFiles().front().toStdString());
    };
    dialogs.confirmReplacingFile = [parent](const std::filesystem::path& existing) {
        QMessageBox box(QMessageBox::Warning, QObject::tr("Replace File?"),
                        QObject::tr("\u201c%1\u201d already exists. Do you want to replace it?")
                            .arg(QString::fromStdString(existing.filename().string())),
                        QMessageBox::NoButton, parent);
        QPushButton* replace = box.addButton(QObject::tr("Replace"), QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(cancel);
        box.exec();
        return box.clickedButton() == replace;
    };
    dialogs.askAboutUnsavedChanges = [parent] {
        return askAboutUnsavedChanges(
            parent,
            QObject::tr("The chip in the editor has changes that are not saved in a chip file."));
    };
    dialogs.confirmDeleteAllChips = [parent] {
        QMessageBox box(QMessageBox::Warning, QObject::tr("Delete All Chips?"),
                        QObject::tr("This will permanently erase every chip stored on the "
                                    "connected Norix. Images, fonts, and settings will not be "
                                    "affected. This action cannot be undone."),
                        QMessageBox::NoButton, parent);
        QPushButton* erase =
            box.addButton(QObject::tr("Delete All Chips"), QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(QObject::tr("Cancel"), QMessageBox::RejectRole);
        // Enter must not erase a device by accident.
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == erase;
    };
    return dialogs;
}

} // namespace norix
