#pragma once
// What every device command of the norix tool shares: choosing the port from
// the global options (-p PATH, -p sim for the built-in simulator, otherwise the
// first listed port), connecting a NorixConnection on a PollEventLoop, and
// running the loop until the command is done while enforcing --timeout as the
// longest silence of the device. Failures are printed on standard error, and so
// is every new text of the link's lastError, at the moment it appears.

#include "cli/CliCommand.h"
#include "core/device/NorixConnection.h"
#include "core/loop/PollEventLoop.h"
#include "core/util/DiagnosticLog.h"
#include "sim/BuiltInSimulator.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace norix::cli {

class DeviceConnection {
public:
    explicit DeviceConnection(const GlobalOptions& options);
    ~DeviceConnection();
    DeviceConnection(const DeviceConnection&) = delete;
    DeviceConnection& operator=(const DeviceConnection&) = delete;

    // Chooses the port and connects. False after printing why on standard
    // error (no port listed, the simulator did not start, the link's lastError).
    bool open();

    // Runs the loop until `done` holds and returns true. Returns false when the
    // device stays silent longer than --timeout (after printing "Norix did not
    // answer within {S} s.") or the link is lost (its lastError is printed as it
    // changes), even when the loss itself made `done` hold. Every received byte
    // restarts the silence clock.
    bool runUntil(const std::function<bool()>& done);
    // Runs the loop for a while (answers that need no waiting for, delays of a conversation).
    void runFor(Milliseconds duration);

    // Prints a line on standard error, unless it repeats the error line printed
    // just before: a conversation's failure text is usually the link's lastError too.
    void reportError(const std::string& line);

    PollEventLoop& loop() { return loop_; }
    NorixConnection& norix() { return *norix_; }
    SerialPortManager& link() { return norix_->link(); }
    const GlobalOptions& options() const { return options_; }
    bool quiet() const { return options_.quiet; }
    // The port connected to (or chosen), empty before open().
    const std::string& port() const { return port_; }
    // The in-process simulator when the port is "sim".
    sim::BuiltInSimulator* simulator() { return simulator_.get(); }

private:
    void reportLastErrorChange();

    GlobalOptions options_;
    PollEventLoop loop_;
    std::unique_ptr<NorixConnection> norix_;
    std::unique_ptr<sim::BuiltInSimulator> simulator_;
    std::optional<ScopedDiagnosticSink> quietSink_;
    std::string port_;
    Connection lastErrorWatch_;
    std::optional<std::string> shownLastError_;
    std::optional<std::string> lastReportedError_;
};

// The text printed when the device stays silent: "Norix did not answer within {S} s.".
std::string silenceMessage(double seconds);

// A progress bar for transfers, drawn on standard error only when that is a
// terminal; silent otherwise (and in quiet mode).
class ProgressBar {
public:
    explicit ProgressBar(std::string label, bool quiet = false);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(std::size_t done, std::size_t total);
    // Clears the bar's line so that the next output starts on a clean line.
    void finish();
    bool isShown() const { return enabled_; }
    // Clears whichever bar is drawn, so that an error line starts on a clean line.
    static void clearDrawnBar();

    // The bar as drawn (without the leading carriage return), for a width of 30 cells.
    static std::string render(const std::string& label, std::size_t done, std::size_t total);

private:
    std::string label_;
    bool enabled_;
    bool drawn_ = false;
};

} // namespace norix::cli
