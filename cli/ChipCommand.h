#pragma once
// What every chip command of the norix tool shares: the device connection, a
// ChipSession on it whose terminal lines are printed as they are written, the
// progress bar of a transfer, and waiting for the list or a load to end.

#include "cli/CliCommand.h"
#include "cli/DeviceConnection.h"
#include "core/chips/ChipSession.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace norix::cli {

class ChipCommand {
public:
    explicit ChipCommand(const GlobalOptions& options) : device_(options) {}
    ~ChipCommand() { bar_.reset(); }
    ChipCommand(const ChipCommand&) = delete;
    ChipCommand& operator=(const ChipCommand&) = delete;

    // Connects and puts a session on the link; false after saying why.
    bool open();

    ChipSession& session() { return *session_; }
    DeviceConnection& device() { return device_; }
    // False when the device went silent or away; the connection has said so.
    bool wait(const std::function<bool()>& done);
    // Returns exitFailure after printing the terminal line that explains the
    // failure on standard error (unless the wait already printed the reason).
    int fail();

    // Redraws a bar from `progress` (done, total) whenever the session changes
    // and the bar would look different; nothing is drawn before the first byte.
    void showProgress(const std::string& label,
                      std::function<std::pair<std::size_t, std::size_t>()> progress);
    void hideProgress();

    // The stored chip list; false when it could not be read completely.
    bool loadChipList();
    // Loads stored chip `index` into the editor; false unless all of it arrived.
    bool loadChip(std::size_t index);
    // Progress of the chip being uploaded: strings block and code.
    std::pair<std::size_t, std::size_t> uploadProgress() const;
    // The Norix asked to retry a store: the upload sends nothing again for
    // that step, so no answer will follow.
    bool storeRetryAsked() const { return storeRetryAsked_; }

private:
    DeviceConnection device_;
    std::unique_ptr<ChipSession> session_;
    Connection printer_;
    Connection progressConnection_;
    std::optional<ProgressBar> bar_;
    std::string drawnBar_;
    bool reasonPrinted_ = false;
    bool storeRetryAsked_ = false;
    std::optional<std::string> failureReason_;
};

} // namespace norix::cli
