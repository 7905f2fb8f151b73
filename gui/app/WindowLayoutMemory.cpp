#include "gui/app/WindowLayoutMemory.h"

#include <QSettings>
#include <QSplitter>
#include <QWidget>

namespace norix {
namespace {

// Named here rather than taken from the application, so that every entry
// point of the app (and only the app) shares one file.
const auto organization = QStringLiteral("NorixGUI");
const auto application = QStringLiteral("NorixGUI");

QString key(const QWidget& window, const QString& name) {
    return window.objectName() + QLatin1Char('/') + name;
}

} // namespace

bool restoreWindowLayout(QWidget& window) {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organization,
                             application);
    const QByteArray geometry =
        settings.value(key(window, QStringLiteral("geometry"))).toByteArray();
    if (geometry.isEmpty())
        return false;
    window.restoreGeometry(geometry);
    for (QSplitter* splitter : window.findChildren<QSplitter*>()) {
        if (splitter->objectName().isEmpty())
            continue;
        const QByteArray state = settings.value(key(window, splitter->objectName())).toByteArray();
        if (!state.isEmpty())
            splitter->restoreState(state);
    }
    return true;
}

void saveWindowLayout(const QWidget& window) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organization, application);
    settings.setValue(key(window, QStringLiteral("geometry")), window.saveGeometry());
    for (const QSplitter* splitter : window.findChildren<QSplitter*>())
        if (!splitter->objectName().isEmpty())
            settings.setValue(key(window, splitter->objectName()), splitter->saveState());
}

} // namespace norix
