#pragma once
// The "Tools" menu: the single tool windows (each opened, or raised when it is
// open already), "Delete All Chips…" for the main window, and "Norix
// Settings…", where a Linux desktop keeps a program's settings command.

#include "gui/app/ToolWindows.h"

#include <QMenu>

class QKeySequence;

namespace norix {

class ContentView;
class NorixConnection;

class NorixToolsMenu : public QMenu {
    Q_OBJECT
public:
    NorixToolsMenu(ContentView& window, NorixConnection& device, QWidget* parent = nullptr);

    // An entry that shows the window `id` made by `factory`, placed with the
    // other window entries above the separator.
    QAction* addWindowEntry(const QString& title, const QKeySequence& shortcut, const QString& id,
                            ToolWindows::Factory factory);

    ToolWindows& toolWindows() { return toolWindows_; }
    QAction* deleteAllChipsAction() const { return deleteAllChips_; }
    QAction* settingsAction() const { return settings_; }

private:
    ToolWindows& toolWindows_;
    QAction* separator_ = nullptr;
    QAction* deleteAllChips_ = nullptr;
    QAction* settings_ = nullptr;
};

} // namespace norix
