#include "gui/app/NorixToolsMenu.h"

#include "gui/app/AppNotifications.h"
#include "gui/app/ContentView.h"
#include "gui/fonts/FontManagerView.h"
#include "gui/images/ImageManagerView.h"
#include "gui/settings/NorixSettingsView.h"

#include <QAction>
#include <QKeySequence>
#include <QStyle>

namespace norix {

namespace {
const QString settingsWindowId = QStringLiteral("settingsWindow");
} // namespace

NorixToolsMenu::NorixToolsMenu(ContentView& window, NorixConnection& device, QWidget* parent)
    : QMenu(tr("&Tools"), parent), toolWindows_(window.toolWindows()) {
    setObjectName(QStringLiteral("toolsMenu"));
    separator_ = addSeparator();
    addWindowEntry(tr("Show Image Window"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I),
                   QStringLiteral("imageWindow"),
                   [&device] { return new ImageManagerView(device); });
    addWindowEntry(tr("Show Font Window"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                   QStringLiteral("fontWindow"), [&device] { return new FontManagerView(device); });

    deleteAllChips_ = addAction(QIcon::fromTheme(QStringLiteral("edit-delete"),
                                                 style()->standardIcon(QStyle::SP_TrashIcon)),
                                tr("Delete All Chips\u2026"));
    connect(deleteAllChips_, &QAction::triggered, this,
            [] { AppNotifications::instance().postDeleteAllNorixChips(); });

    toolWindows_.add(settingsWindowId, [&device] { return new NorixSettingsView(device); });
    settings_ = addAction(QIcon::fromTheme(QStringLiteral("preferences-system")),
                          tr("Norix Settings\u2026"));
    settings_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settings_->setMenuRole(QAction::PreferencesRole);
    // Tool windows are reached from whichever window of the app is in front.
    settings_->setShortcutContext(Qt::ApplicationShortcut);
    connect(settings_, &QAction::triggered, this, [this] { toolWindows_.show(settingsWindowId); });
}

QAction* NorixToolsMenu::addWindowEntry(const QString& title, const QKeySequence& shortcut,
                                        const QString& id, ToolWindows::Factory factory) {
    toolWindows_.add(id, std::move(factory));
    auto* action = new QAction(title, this);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, [this, id] { toolWindows_.show(id); });
    insertAction(separator_, action);
    return action;
}

} // namespace norix
