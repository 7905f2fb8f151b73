#include "cli/ChipCommand.h"

#include <iostream>

namespace norix::cli {

bool ChipCommand::open() {
    if (!device_.open())
        return false;
    // Made after the connect: the command asks for what it needs itself,
    // without the app's identification delays.
    session_ = std::make_unique<ChipSession>(device_.link());
    session_->configureSerialPacketHandling();
    printer_ = session_->terminal().lineAppended.connect([this](const std::string& line) {
        if (line == "Norix requested a retry." &&
            session_->upload().uploadStage() == NorixUploadStage::idle)
            storeRetryAsked_ = true;
        if (device_.quiet())
            return;
        if (bar_)
            bar_->finish();
        drawnBar_.clear();
        std::cout << line << std::endl;
    });
    return true;
}

bool ChipCommand::wait(const std::function<bool()>& done) {
    if (device_.runUntil(done))
        return true;
    reasonPrinted_ = true;
    return false;
}

int ChipCommand::fail() {
    if (bar_)
        bar_->finish();
    // The terminal line went to standard output (unless quiet); a script reads
    // the reason from standard error.
    const auto& lines = session_->terminal().terminalLines();
    if (!reasonPrinted_ && !lines.empty())
        device_.reportError(failureReason_.value_or(lines.back()));
    return exitFailure;
}

void ChipCommand::showProgress(const std::string& label,
                               std::function<std::pair<std::size_t, std::size_t>()> progress) {
    bar_.emplace(label, device_.quiet());
    drawnBar_.clear();
    progressConnection_ = session_->changed.connect([this, label, progress = std::move(progress)] {
        const auto [done, total] = progress();
        if (done == 0 || done >= total)
            return;
        std::string bar = ProgressBar::render(label, done, total);
        if (bar == drawnBar_)
            return;
        drawnBar_ = std::move(bar);
        bar_->update(done, total);
    });
}

void ChipCommand::hideProgress() {
    progressConnection_.reset();
    drawnBar_.clear();
    if (bar_)
        bar_->finish();
}

bool ChipCommand::loadChipList() {
    std::optional<bool> complete;
    auto connection =
        session_->norixChipList().listFinished.connect([&](bool ok) { complete = ok; });
    session_->requestChipList();
    if (!complete && !session_->norixChipList().isLoadingChipList())
        return false;
    return wait([&] { return complete.has_value(); }) && *complete;
}

bool ChipCommand::loadChip(std::size_t index) {
    std::optional<bool> complete;
    auto connection =
        session_->norixChipLoad().loadFinished.connect([&](bool ok) { complete = ok; });
    const auto& load = session_->norixChipLoad();
    showProgress("Loading", [&load] {
        return std::pair(load.loadedNorixCodeReceived(), load.loadedNorixCodeSize());
    });
    session_->setSelectedNorixChipIndex(index);
    session_->loadSelectedNorixChip();
    const bool finished = (complete.has_value() || load.isLoadingNorixChip()) &&
                          wait([&] { return complete.has_value(); });
    hideProgress();
    // A load whose metadata was refused still fetches the code; the refusal is the reason.
    failureReason_ = load.metadataProblem();
    return finished && *complete;
}

std::pair<std::size_t, std::size_t> ChipCommand::uploadProgress() const {
    const auto& upload = session_->upload();
    return {upload.uploadStringOffset() + upload.uploadCodeOffset(),
            upload.uploadStringBytes().size() + upload.uploadCodeBytes().size()};
}

} // namespace norix::cli
