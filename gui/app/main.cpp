// NorixGUI: one QApplication, one loop shared by Qt and the core objects, the
// shared link with the built-in simulator as its last port, and the main window.

#include "core/chips/ChipSession.h"
#include "core/fonts/FontSlotConversation.h"
#include "core/link/SerialPortManager.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppMenus.h"
#include "gui/app/ContentView.h"
#include "gui/app/QtEventLoop.h"
#include "sim/BuiltInSimulator.h"

#include <QApplication>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NorixGUI"));
    QApplication::setApplicationDisplayName(QStringLiteral("NorixGUI"));
    QApplication::setDesktopFileName(QStringLiteral("norixgui"));

    norix::QtEventLoop loop;
    norix::SerialPortManager::installShared(std::make_unique<norix::SerialPortManager>(
        loop, "/dev", norix::LinkConversations::Included));
    auto& link = norix::SerialPortManager::shared();
    int status = 0;
    {
        norix::BuiltInSimulator simulator(loop, link);
        if (!simulator.start())
            norix::logLine("Built-in simulator unavailable: " + simulator.lastError());
        norix::ChipSession session(link);
        // The chip list, once loaded, is followed by the font slot list.
        session.setFontListRequester([&link] { link.fonts().requestFontList(); });
        norix::ContentView window(session);
        norix::installMainMenus(window);
        window.show();
        status = QApplication::exec();
    }
    // The link arms timers on the loop: it goes before the loop does.
    norix::SerialPortManager::installShared(nullptr);
    return status;
}
