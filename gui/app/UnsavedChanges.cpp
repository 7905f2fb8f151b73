#include "gui/app/UnsavedChanges.h"

#include <QMessageBox>

namespace norix {

UnsavedChoice askAboutUnsavedChanges(QWidget* parent, const QString& text) {
    const auto answer = QMessageBox::warning(
        parent, QObject::tr("Unsaved Changes"), text,
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return UnsavedChoice::save;
    return answer == QMessageBox::Discard ? UnsavedChoice::discard : UnsavedChoice::cancel;
}

bool settleUnsavedChanges(const std::function<UnsavedChoice()>& ask,
                          const std::function<void()>& discard, const std::function<bool()>& save) {
    switch (ask ? ask() : UnsavedChoice::cancel) {
    case UnsavedChoice::discard:
        if (discard)
            discard();
        return true;
    case UnsavedChoice::cancel:
        return false;
    case UnsavedChoice::save:
        return save();
    }
    return false;
}

} // namespace norix
