// The image window's commands that need a person: file panels, the New Image
// question, alerts, colour choice and the unsaved-work question.

#include "gui/images/ImageIcons.h"
#include "gui/images/ImageManagerView.h"
#include "gui/images/NewImageDialog.h"
#include "pictures/PictureFile.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace norix {
namespace {

std::optional<std::filesystem::path> chosenPath(const QString& chosen) {
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(chosen.toStdString());
}

const std::string fileErrorTitle = "Norix Image File Error";

} // namespace

ImageManagerDialogs standardImageDialogs(QWidget* parent) {
    ImageManagerDialogs dialogs;
    dialogs.askNewImage = [parent] { return NewImageDialog::ask(parent); };
    dialogs.showAlert = [parent](const std::string& title, const std::string& message) {
        QMessageBox box(QMessageBox::Warning, QString::fromStdString(title),
                        QString::fromStdString(message), QMessageBox::Ok, parent);
        box.exec();
    };
    dialogs.chooseImageFileToOpen = [parent] {
        QFileDialog panel(parent, QObject::tr("Open Norix Image"));
        panel.setFileMode(QFileDialog::ExistingFile);
        panel.setNameFilters({QObject::tr("Norix images (*.txt)"), QObject::tr("All files (*)")});
        return panel.exec() == QDialog::Accepted ? chosenPath(panel.selectedFiles().value(0))
                                                 : std::nullopt;
    };
    dialogs.chooseImageSavePath = [parent](const std::string& proposedName) {
        return chosenPath(QFileDialog::getSaveFileName(
            parent, QObject::tr("Save Norix Image"), QString::fromStdString(proposedName),
            QObject::tr("Norix images (*.txt);;All files (*)")));
    };
    dialogs.choosePictureToImport = [parent] {
        return chosenPath(QFileDialog::getOpenFileName(
            parent, QObject::tr("Import Picture"), QString(),
            QObject::tr("Pictures (*.png *.jpg *.jpeg *.bmp *.gif);;All files (*)")));
    };
    dialogs.choosePngExportPath = [parent](const std::string& proposedName) {
        return chosenPath(QFileDialog::getSaveFileName(parent, QObject::tr("Export PNG"),
                                                       QString::fromStdString(proposedName),
                                                       QObject::tr("PNG pictures (*.png)")));
    };
    dialogs.askAboutUnsavedChanges = [parent] {
        return askAboutUnsavedChanges(
            parent, QObject::tr("The image has changes that are not saved in an image file or on "
                                "the Norix."));
    };
    dialogs.chooseColor = [parent](const EditorColor& initial,
                                   const std::string& title) -> std::optional<EditorColor> {
        const QColor chosen =
            QColorDialog::getColor(toQColor(initial), parent, QString::fromStdString(title));
        if (!chosen.isValid())
            return std::nullopt;
        return fromQColor(chosen);
    };
    return dialogs;
}

bool ImageManagerView::confirmDiscardingChanges() {
    if (!editor_.isModified() || discardedRevision_ == editor_.revision())
        return true;
    return settleUnsavedChanges(
        dialogs_.askAboutUnsavedChanges, [this] { discardedRevision_ = editor_.revision(); },
        [this] { return saveImageFile(); });
}

void ImageManagerView::fileError(const std::string& message) {
    if (dialogs_.showAlert)
        dialogs_.showAlert(fileErrorTitle, message);
}

void ImageManagerView::newImage() {
    if (!confirmDiscardingChanges() || !dialogs_.askNewImage)
        return;
    const auto entry = dialogs_.askNewImage();
    if (!entry)
        return;
    if (const auto error = editor_.createNewImage(*entry); error && dialogs_.showAlert)
        dialogs_.showAlert("Cannot Create Image", *error);
}

void ImageManagerView::loadImageFile() {
    if (!confirmDiscardingChanges() || !dialogs_.chooseImageFileToOpen)
        return;
    const auto path = dialogs_.chooseImageFileToOpen();
    if (!path)
        return;
    if (const auto error = editor_.loadImageFile(*path))
        fileError(*error);
}

bool ImageManagerView::saveImageFile() {
    if (const auto problem = editor_.imageFileSaveProblem()) {
        fileError(*problem);
        return false;
    }
    if (!dialogs_.chooseImageSavePath)
        return false;
    const auto path = dialogs_.chooseImageSavePath(editor_.proposedImageFileName());
    if (!path)
        return false;
    if (const auto error = editor_.saveImageFile(*path)) {
        fileError(*error);
        return false;
    }
    return true;
}

void ImageManagerView::importPicture() {
    if (!confirmDiscardingChanges() || !dialogs_.choosePictureToImport)
        return;
    const auto path = dialogs_.choosePictureToImport();
    if (!path)
        return;
    const auto picture = readPictureFile(*path);
    if (!picture) {
        fileError(pictureReadErrorText(picture.error()));
        return;
    }
    editor_.importPicture(fitPictureToNorix(*picture), path->stem().string());
}

void ImageManagerView::exportPng() {
    if (const auto problem = editor_.imageFileSaveProblem()) {
        fileError(*problem);
        return;
    }
    if (!dialogs_.choosePngExportPath)
        return;
    const auto path = dialogs_.choosePngExportPath(editor_.proposedPngFileName());
    if (!path)
        return;
    if (const auto error = writeImagePng(editor_.image(), *path))
        fileError(*error);
}

void ImageManagerView::chooseColor(bool right) {
    if (!dialogs_.chooseColor)
        return;
    const EditorColor& initial = right ? editor_.rightDrawingColor() : editor_.leftDrawingColor();
    const auto chosen =
        dialogs_.chooseColor(initial, right ? "Right Click Color" : "Left Click Color");
    if (!chosen)
        return;
    if (right)
        editor_.setRightDrawingColor(*chosen);
    else
        editor_.setLeftDrawingColor(*chosen);
}

} // namespace norix
