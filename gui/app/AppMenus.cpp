#include "gui/app/AppMenus.h"

#include "core/chips/ChipSession.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppNotifications.h"
#include "gui/app/ContentView.h"
#include "gui/app/NorixToolsMenu.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>

namespace norix {
namespace {

void installFileMenu(ContentView& window) {
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
}

void installDeviceMenu(ContentView& window) {
    QMenu* device = window.menuBar()->addMenu(QObject::tr("&Device"));
    QAction* refresh = device->addAction(QObject::tr("Refresh Norix Chips"));
    refresh->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    QObject::connect(refresh, &QAction::triggered, &window,
                     [] { AppNotifications::instance().postRefreshNorixChips(); });
    // Ctrl+C stays Copy everywhere, the terminal included.
    QAction* connectAction = device->addAction(QObject::tr("Connect"));
    connectAction->setObjectName(QStringLiteral("connectAction"));
    connectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    QObject::connect(connectAction, &QAction::triggered, &window, [&window] {
        logLine("Connect device");
        window.session().connectOrDisconnect();
    });
    ChipSession& session = window.session();
    const auto follow = [connectAction, &session] {
        connectAction->setText(session.link().isConnected() ? QObject::tr("Disconnect")
                                                            : QObject::tr("Connect"));
    };
    window.keepConnection(session.link().changed.connect(follow));
    follow();
}

void installHelpMenu(ContentView& window) {
    QMenu* help = window.menuBar()->addMenu(QObject::tr("&Help"));
    QAction* about = help->addAction(QObject::tr("About NorixGUI"));
    about->setMenuRole(QAction::AboutRole);
    QObject::connect(about, &QAction::triggered, &window, [&window] {
        QString text = QObject::tr("<h3>NorixGUI %1</h3>"
                                   "<p>The desktop companion of the Norix chip tester: chip "
                                   "tests, fonts and images, kept in files and exchanged with "
                                   "a Norix over its USB serial link.</p>")
                           .arg(QString::fromUtf8(NORIX_VERSION));
        // The project's address, once the build declares one.
        const QString homepage = QString::fromUtf8(NORIX_HOMEPAGE);
        if (!homepage.isEmpty())
            text += QStringLiteral("<p><a href=\"%1\">%1</a></p>").arg(homepage);
        QMessageBox::about(&window, QObject::tr("About NorixGUI"), text);
    });
    QAction* aboutQt = help->addAction(QObject::tr("About Qt"));
    aboutQt->setMenuRole(QAction::AboutQtRole);
    QObject::connect(aboutQt, &QAction::triggered, qApp, &QApplication::aboutQt);
}

} // namespace

NorixToolsMenu& installMainMenus(ContentView& window, NorixConnection& device) {
    installFileMenu(window);
    installDeviceMenu(window);
    auto* tools = new NorixToolsMenu(window, device, window.menuBar());
    window.menuBar()->addMenu(tools);
    installHelpMenu(window);
    return *tools;
}

} // namespace norix
