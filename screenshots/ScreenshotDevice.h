#pragma once
// What the screenshot programs share: the app's Norix connection on a Qt event
// loop with the built-in simulator behind it, and a wait that keeps the loop
// serving while the simulator answers.

#include "core/device/NorixConnection.h"
#include "core/link/SerialPortManager.h"
#include "gui/app/QtEventLoop.h"
#include "sim/BuiltInSimulator.h"

#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <functional>

namespace norix::screenshots {

struct ScreenshotDevice {
    // Starts the simulator and, when asked, connects the link to it; says on
    // standard error why not.
    bool start(bool connect) {
        if (simulator.start() && (!connect || device.link().connect(simulator.portPath())))
            return true;
        std::fprintf(stderr, "simulator: %s\n", simulator.lastError().c_str());
        return false;
    }

    QtEventLoop loop;
    NorixConnection device{loop};
    sim::BuiltInSimulator simulator{loop, device.link()};
};

// Serves the event loop until `done` holds or 15 s have passed.
inline bool serveUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 15000)
        QTest::qWait(10);
    return done();
}

} // namespace norix::screenshots
