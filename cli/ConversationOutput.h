#pragma once
// How the device commands of the norix tool report a conversation of the link:
// its status texts on standard output as they change (not in quiet mode), its
// error texts on standard error, and a transfer's progress as a bar.

#include "cli/DeviceConnection.h"
#include "core/util/Signal.h"
#include "core/util/UnicodeText.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norix::cli {

class ConversationOutput {
public:
    using Text = std::function<std::string()>;
    using ErrorText = std::function<std::optional<std::string>()>;
    using Progress = std::function<std::pair<std::size_t, std::size_t>()>;

    ConversationOutput(Signal<>& changed, DeviceConnection& device)
        : device_(device), quiet_(device.quiet()) {
        connection_ = changed.connect([this] { report(); });
    }
    ~ConversationOutput() {
        if (bar_)
            bar_->finish();
    }
    ConversationOutput(const ConversationOutput&) = delete;
    ConversationOutput& operator=(const ConversationOutput&) = delete;

    // What the text holds now counts as already shown.
    void status(Text text) {
        statuses_.push_back({std::move(text), {}});
        remember();
    }
    void error(ErrorText text) {
        errors_.push_back({std::move(text), {}});
        remember();
    }
    void progress(const std::string& label, Progress progress) {
        bar_.emplace(label, quiet_);
        progress_ = std::move(progress);
    }

private:
    struct Status {
        Text text;
        std::string shown;
    };
    struct Error {
        ErrorText text;
        std::optional<std::string> shown;
    };

    void remember() {
        for (auto& status : statuses_)
            status.shown = status.text();
        for (auto& error : errors_)
            error.shown = error.text();
    }

    void report() {
        for (auto& status : statuses_) {
            std::string now = status.text();
            if (now == status.shown)
                continue;
            status.shown = now;
            if (!now.empty() && !quiet_) {
                clearBar();
                std::cout << now << std::endl;
            }
        }
        for (auto& error : errors_) {
            std::optional<std::string> now = error.text();
            if (now == error.shown)
                continue;
            error.shown = now;
            if (now) {
                clearBar();
                device_.reportError(*now);
            }
        }
        if (bar_ && progress_) {
            const auto [done, total] = progress_();
            if (total > 0)
                bar_->update(done, total);
        }
    }

    void clearBar() {
        if (bar_)
            bar_->finish();
    }

    DeviceConnection& device_;
    bool quiet_;
    std::vector<Status> statuses_;
    std::vector<Error> errors_;
    std::optional<ProgressBar> bar_;
    Progress progress_;
    Connection connection_;
};

// A slot number given on the command line: a whole decimal number, nothing else.
inline std::optional<std::int64_t> parseSlotArgument(const std::string& text) {
    return parseDecimalInt64(text);
}

} // namespace norix::cli
