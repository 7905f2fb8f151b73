#include "gui/app/AppMenus.h"

#include "core/chips/ChipSession.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppNotifications.h"
#include "gui/app/ContentView.h"

#include <QAction>
#include <QMenuBar>

namespace norix {

void installMainMenus(ContentView& window) {
    QMenu* file = window.menuBar()->addMenu(QObject::tr("&File"));
    QAction* load = file->addAction(QObject::tr("Load Chip File"));
    load->setShortcut(QKeySequence::Open);
    QObject::connect(load, &QAction::triggered, &window,
                     [&window] { window.loadChipFileCommand(); });
    QAction* save = file->addAction(QObject::tr("Save Chip File"));
    save->setShortcut(QKeySequence::Save);
    QObject::connect(save, &QAction::triggered, &window, [&window] {
        logLine("Save file");
        window.saveFile();
    });
    file->addSeparator();
    QAction* saveAs = file->addAction(QObject::tr("Save As..."));
    saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    QObject::connect(saveAs, &QAction::triggered, &window, [&window] {
        logLine("Save As");
        window.saveFileAs();
    });
    file->addSeparator();
    QAction* quit = file->addAction(QObject::tr("Quit"));
    quit->setShortcut(QKeySequence::Quit);
    QObject::connect(quit, &QAction::triggered, &window, [&window] { window.close(); });

    QMenu* device = window.menuBar()->addMenu(QObject::tr("&Device"));
    QAction* refresh = device->addAction(QObject::tr("Refresh Norix Chips"));
    refresh->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    QObject::connect(refresh, &QAction::triggered, &window,
                     [] { AppNotifications::instance().postRefreshNorixChips(); });
    // Ctrl+C is also Copy: text fields claim it first (they accept the
    // shortcut override), so it connects only when no text has the focus.
    QAction* connectAction = device->addAction(QObject::tr("Connect"));
    connectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    QObject::connect(connectAction, &QAction::triggered, &window, [&window] {
        logLine("Connect device");
        window.session().connectOrDisconnect();
    });
}

} // namespace norix
