// NorixGUI: one QApplication, one loop shared by Qt and the core objects, the
// shared Norix connection with the built-in simulator as its last port, and the main window.
// Chip files named on the command line (a file manager's "Open With") are
// added and the first is loaded.

#include "core/chips/ChipSession.h"
#include "core/device/NorixConnection.h"
#include "core/util/DiagnosticLog.h"
#include "gui/app/AppMenus.h"
#include "gui/app/ContentView.h"
#include "gui/app/QtEventLoop.h"
#include "sim/BuiltInSimulator.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <filesystem>
#include <memory>
#include <vector>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("NorixGUI"));
    QApplication::setApplicationDisplayName(QStringLiteral("NorixGUI"));
    QApplication::setDesktopFileName(QStringLiteral("org.norixgui.NorixGUI"));
    QApplication::setApplicationVersion(QStringLiteral(NORIX_VERSION));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("norixgui")));

    QCommandLineParser arguments;
    arguments.setApplicationDescription(
        QStringLiteral("The desktop companion of the Norix chip tester."));
    arguments.addHelpOption();
    arguments.addVersionOption();
    arguments.addPositionalArgument(QStringLiteral("files"),
                                    QStringLiteral("Chip files to add; the first is loaded."),
                                    QStringLiteral("[FILE.chip\u2026]"));
    arguments.process(app);
    std::vector<std::filesystem::path> chipFiles;
    for (const QString& file : arguments.positionalArguments())
        chipFiles.emplace_back(QFileInfo(file).absoluteFilePath().toStdString());

    norix::QtEventLoop loop;
    norix::NorixConnection::installShared(std::make_unique<norix::NorixConnection>(loop));
    auto& device = norix::NorixConnection::shared();
    auto& link = device.link();
    int status = 0;
    {
        norix::sim::BuiltInSimulator simulator(loop, link);
        if (!simulator.start())
            norix::logLine("Built-in simulator unavailable: " + simulator.lastError());
        norix::ChipSession session(link);
        // The chip list, once loaded, is followed by the font slot list.
        session.setFontListRequester([&device] { device.fonts().requestFontList(); });
        norix::ContentView window(session);
        norix::installMainMenus(window, device);
        window.show();
        window.openChipFiles(chipFiles);
        status = QApplication::exec();
    }
    // The link arms timers on the loop: it goes before the loop does.
    norix::NorixConnection::installShared(nullptr);
    return status;
}
