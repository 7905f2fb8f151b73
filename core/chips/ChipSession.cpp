#include "core/chips/ChipSession.h"

#include "core/chips/ChipText.h"
#include "core/language/CodeCompiler.h"
#include "core/link/PortDiscovery.h"
#include "core/link/ProtocolCodes.h"
#include "core/loop/BackgroundQueue.h"

#include <algorithm>
#include <limits>

namespace norix {
namespace {

bool matches(const std::optional<std::uint8_t>& pending, const SerialPacket& packet) {
    return pending && *pending == packet.sequence;
}

} // namespace

ChipSession::ChipSession(SerialPortManager& link)
    : link_(link), editor_(terminal_), upload_(link, terminal_), batch_(link, terminal_, upload_),
      norixChipList_(link, terminal_), norixChipLoad_(link, terminal_, editor_),
      serialNumberTimer_(link.loop()), chipListTimer_(link.loop()),
      linkWasConnected_(link.isConnected()) {
    const auto forward = [this] { changed.emit(); };
    connections_.push_back(terminal_.changed.connect(forward));
    connections_.push_back(editor_.changed.connect(forward));
    connections_.push_back(upload_.changed.connect(forward));
    connections_.push_back(batch_.changed.connect(forward));
    connections_.push_back(norixChipList_.changed.connect(forward));
    connections_.push_back(norixChipLoad_.changed.connect(forward));
    connections_.push_back(link_.changed.connect([this] { linkStateChanged(); }));
    connections_.push_back(upload_.uploadCompleted.connect([this] { uploadCompleted(); }));
    connections_.push_back(upload_.chipStored.connect([this] { batch_.advanceBatchAfterSave(); }));
    connections_.push_back(upload_.uploadFailed.connect([this] { batch_.skipFailedChip(); }));
    // The user agreed to lose the editor's chip before a Norix load or a batch
    // began; what either leaves in the editor is then the unchanged chip.
    const auto unmodified = [this](bool) { editor_.markUnmodified(); };
    connections_.push_back(norixChipLoad_.loadFinished.connect(unmodified));
    connections_.push_back(batch_.ended.connect(unmodified));
    batch_.beginChip = [this](const ChipDocument& document) {
        editor_.applyChipDocument(document);
        return sendChipToNorix();
    };
    norixChipList_.uploadBusy = [this] {
        return batch_.batchSaveActive() || upload_.isUploading();
    };
}

ChipSession::~ChipSession() {
    if (link_.onDisconnected) {
        link_.setRoute(lastRoute, nullptr);
        link_.onDisconnected = nullptr;
        link_.onBytesReceived = nullptr;
    }
}

void ChipSession::setDeviceStatus(std::string status) {
    deviceStatus_ = std::move(status);
    changed.emit();
}

void ChipSession::setFontListRequester(std::function<void()> requester) {
    norixChipList_.requestFontList = std::move(requester);
}

void ChipSession::configureSerialPacketHandling() {
    link_.onDisconnected = [this] { handleDisconnect(); };
    link_.onBytesReceived = [](const Bytes&) {};
    // Last: every chip answer is one that no font, image or settings route claimed.
    link_.setRoute(lastRoute, [this](const SerialPacket& packet) {
        dispatchPacket(packet);
        return true;
    });
}

// ---- Ports and connection --------------------------------------------------

void ChipSession::setSelectedPort(std::string port) {
    selectedPort_ = std::move(port);
    changed.emit();
}

void ChipSession::refreshPortList() {
    if (isRefreshingPorts_)
        return;
    setDeviceStatus("Refreshing...");
    listPorts([this] { setDeviceStatus(link_.isConnected() ? "Connected" : "Not Connected"); });
}

void ChipSession::refreshPortListNow() {
    link_.refreshPorts();
    adoptPortList();
    setDeviceStatus(link_.isConnected() ? "Connected" : "Not Connected");
}

void ChipSession::listPorts(std::function<void()> then) {
    if (!background_) {
        link_.refreshPorts();
        adoptPortList();
        then();
        return;
    }
    isRefreshingPorts_ = true;
    changed.emit();
    auto listing = std::make_shared<PortListing>();
    background_->run(
        [listing, folder = link_.deviceDirectory()] { *listing = listSerialPorts(folder); },
        [this, listing, then = std::move(then), alive = std::weak_ptr<bool>(alive_)] {
            if (!alive.lock())
                return;
            isRefreshingPorts_ = false;
            link_.applyPortListing(std::move(*listing));
            adoptPortList();
            then();
        });
}

void ChipSession::adoptPortList() {
    serialPorts_ = link_.availablePorts();
    if (std::find(serialPorts_.begin(), serialPorts_.end(), selectedPort_) == serialPorts_.end())
        selectedPort_ = serialPorts_.empty() ? std::string() : serialPorts_.front();
    changed.emit();
}

void ChipSession::connectOrDisconnect() {
    // The port being closed cannot be opened again before it is.
    if (link_.isClosingPort())
        return;
    if (link_.isConnected()) {
        setDeviceStatus("Disconnecting...");
        if (background_)
            link_.disconnectInBackground(*background_);
        else
            link_.disconnect();
        return;
    }
    link_.refreshPorts();
    serialPorts_ = link_.availablePorts();
    if (std::find(serialPorts_.begin(), serialPorts_.end(), selectedPort_) == serialPorts_.end() &&
        !serialPorts_.empty())
        selectedPort_ = serialPorts_.front();
    changed.emit();
    if (selectedPort_.empty()) {
        setDeviceStatus("Norix Not Found");
        return;
    }
    if (!link_.connect(selectedPort_))
        setDeviceStatus(link_.lastError().value_or("Connection failed"));
}

// A connection that appears (the user's connect, or a reconnect after a lost
// link) is identified the same way: status, a line, and the serial number 0.5 s later.
void ChipSession::linkStateChanged() {
    const bool connected = link_.isConnected();
    if (connected == linkWasConnected_)
        return;
    linkWasConnected_ = connected;
    if (!connected) {
        serialNumberTimer_.cancel();
        chipListTimer_.cancel();
        return;
    }
    setDeviceStatus("Connected");
    write("Serial port opened. Waiting for Norix...");
    serialNumberTimer_.start(serialNumberRequestDelay, [this] {
        if (link_.isConnected())
            requestNorixSerialNumber();
    });
}

void ChipSession::requestNorixSerialNumber() {
    norixSerialNumber_.clear();
    changed.emit();
    const auto sequence = link_.sendPacket(cmdSerialNumber);
    if (!sequence) {
        write(link_.lastError().value_or("Could not request the Norix serial number."));
        return;
    }
    pendingSerialSequence_ = sequence;
    changed.emit();
    write("Requesting Norix serial number...");
}

void ChipSession::handleSerialNumber(const SerialPacket& packet) {
    const auto text = asciiText(packet.payload);
    if (!text) {
        write("Norix returned non-ASCII serial payload [" + spacedHex(packet.payload) + "].");
        pendingSerialSequence_.reset();
        changed.emit();
        serialNumberAnswered.emit(false);
        return;
    }
    norixSerialNumber_ = trimmedDeviceText(*text);
    deviceStatus_ = "Connected";
    if (pendingSerialSequence_ && *pendingSerialSequence_ != packet.sequence)
        write("Received Norix S/N " + norixSerialNumber_ + ", but sequence was " +
              std::to_string(packet.sequence) + " instead of " +
              std::to_string(*pendingSerialSequence_) + ".");
    else if (norixSerialNumber_.empty())
        write("Norix returned an empty serial number.");
    else
        write("Connected to Norix S/N " + norixSerialNumber_ + ".");
    pendingSerialSequence_.reset();
    changed.emit();
    chipListTimer_.start(connectionStepDelay, [this] {
        if (link_.isConnected())
            norixChipList_.requestChipList();
    });
    serialNumberAnswered.emit(true);
}

// ---- Dispatcher and disconnect ---------------------------------------------

void ChipSession::dispatchPacket(const SerialPacket& packet) {
    if (matches(pendingUploadModeSequence_, packet)) {
        handleUploadModeAnswer(packet);
        return;
    }
    if (norixChipList_.handleDeletePacket(packet))
        return;
    if (batch_.handleFinishPacket(packet))
        return;
    if (norixChipList_.handleListPacket(packet))
        return;
    if (norixChipLoad_.handleLoadPacket(packet))
        return;
    if (upload_.handleUploadPacket(packet))
        return;
    if (packet.code == respSerialNumber) {
        handleSerialNumber(packet);
        return;
    }
    if (pendingSerialSequence_) {
        pendingSerialSequence_.reset();
        changed.emit();
    }
}

void ChipSession::handleDisconnect() {
    serialNumberTimer_.cancel();
    chipListTimer_.cancel();
    pendingUploadModeSequence_.reset();
    pendingUploadModeAction_.reset();
    norixChipList_.reset();
    const bool wasLoadingNorixChip = norixChipLoad_.isLoadingNorixChip();
    norixChipLoad_.reset();
    if (wasLoadingNorixChip)
        editor_.markUnmodified();
    upload_.reset();
    pendingSerialSequence_.reset();
    batch_.cancelBatchSave();
    showDeleteAllChipsConfirmation_ = false;
    norixSerialNumber_.clear();
    linkWasConnected_ = link_.isConnected();
    setDeviceStatus("Disconnected");
    write("Norix disconnected.");
    listPorts([] {});
}

// ---- Upload-mode check -----------------------------------------------------

void ChipSession::checkUploadMode(UploadModeAction action) {
    if (!link_.isConnected()) {
        write("Connect to a Norix first.");
        return;
    }
    if (batch_.batchSaveActive()) {
        write("A batch save is already running.");
        return;
    }
    if (pendingUploadModeSequence_) {
        write("An upload-mode check is already in progress.");
        return;
    }
    if (upload_.isUploading()) {
        write("An upload is already in progress.");
        return;
    }
    const auto sequence = link_.sendPacket(cmdUploadModeQuery);
    if (!sequence) {
        write(link_.lastError().value_or("Could not check the Norix upload mode."));
        return;
    }
    pendingUploadModeAction_ = action;
    pendingUploadModeSequence_ = sequence;
    changed.emit();
    write("Checking Norix upload mode...");
}

void ChipSession::handleUploadModeAnswer(const SerialPacket& packet) {
    const auto action = std::exchange(pendingUploadModeAction_, std::nullopt);
    pendingUploadModeSequence_.reset();
    changed.emit();
    if (packet.code == respUploadModeOn) {
        write("Norix is in upload mode.");
        if (action)
            runUploadModeAction(*action);
    } else if (packet.code == respUploadModeOff) {
        write("Norix is not in upload mode. Open Upload Mode on the Norix and try again.");
    } else {
        write("Upload-mode check failed with response " + hexByte(packet.code) + ".");
    }
}

void ChipSession::runUploadModeAction(UploadModeAction action) {
    switch (action) {
    case UploadModeAction::sendChip:
        sendChipToNorix();
        break;
    case UploadModeAction::saveChip:
        saveUploadedChipToNorix();
        break;
    case UploadModeAction::batchSave:
        saveAllChipsToNorix();
        break;
    case UploadModeAction::deleteAllChips:
        deleteAllChipsFromNorix();
        break;
    }
}

void ChipSession::requestDeleteAllChips() {
    if (!link_.isConnected()) {
        write("Connect to a Norix first.");
        return;
    }
    if (batch_.batchSaveActive() || norixChipList_.pendingDeleteAllChipsSequence() ||
        upload_.isUploading()) {
        write("Wait for the current Norix operation to finish before deleting all chips.");
        return;
    }
    showDeleteAllChipsConfirmation_ = true;
    changed.emit();
}

void ChipSession::confirmDeleteAllChips() {
    showDeleteAllChipsConfirmation_ = false;
    changed.emit();
    checkUploadMode(UploadModeAction::deleteAllChips);
}

void ChipSession::dismissDeleteAllChips() {
    showDeleteAllChipsConfirmation_ = false;
    changed.emit();
}

// ---- Upload, store and batch -----------------------------------------------

bool ChipSession::sendChipToNorix() {
    if (!editor_.validateChipInformation())
        return false;
    if (!link_.isConnected()) {
        write("Connect to a Norix first.");
        return false;
    }
    if (upload_.isUploading()) {
        write("An upload is already in progress.");
        return false;
    }
    const int pins = static_cast<int>(std::clamp<std::int64_t>(
        editor_.selectedPins(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    auto code = compileChipCode(editor_.chipCode(), pins,
                                [this](const std::string& entry) { write(entry); });
    if (!code)
        return false;
    auto metadata = buildUploadMetadata(editor_.currentChipDocument(), code->size());
    if (!metadata) {
        write("Compiled code is too large for the Norix metadata field.");
        return false;
    }
    upload_.begin(std::move(*metadata), buildUploadStrings(editor_.chipStrings()),
                  std::move(*code));
    return true;
}

void ChipSession::uploadCompleted() {
    if (!batch_.batchSaveActive()) {
        write("Chip Upload complete. Click Save to Norix to store it or run it by pressing "
              "button 2");
        return;
    }
    write("Upload complete. Saving batch chip...");
    if (!saveUploadedChipToNorix())
        batch_.skipFailedChip();
}

bool ChipSession::saveUploadedChipToNorix() {
    if (!editor_.validateChipInformation())
        return false;
    if (!link_.isConnected()) {
        write("Connect to a Norix first.");
        return false;
    }
    if (upload_.uploadStage() != NorixUploadStage::complete) {
        write("Send the chip to Norix before saving it.");
        return false;
    }
    upload_.store();
    return true;
}

void ChipSession::saveAllChipsToNorix() {
    batch_.saveAllChipsToNorix(editor_.chips(), editor_.chipFileURLs());
}

void ChipSession::cancelBatchSave() {
    if (!batch_.batchSaveActive())
        return;
    batch_.cancelBatchSave();
    write("Batch save cancelled.");
}

// ---- Norix chips -----------------------------------------------------------

void ChipSession::setSelectedNorixChipIndex(std::optional<std::size_t> index) {
    norixChipList_.setSelectedNorixChipIndex(index);
}

void ChipSession::loadSelectedNorixChip() {
    norixChipLoad_.loadSelectedNorixChip(norixChipList_.selectedNorixChipIndex(),
                                         norixChipList_.norixChips());
}

bool ChipSession::canUseUploadButtons() const {
    return link_.isConnected() && !batch_.batchSaveActive() && !pendingUploadModeSequence_;
}

bool ChipSession::canRefreshNorixChips() const {
    return link_.isConnected() && !norixChipList_.isLoadingChipList();
}

bool ChipSession::canLoadSelectedNorixChip() const {
    return link_.isConnected() && norixChipList_.selectedNorixChipIndex() &&
           !norixChipLoad_.pendingLoadMetadataSequence() && !norixChipLoad_.isLoadingNorixChip();
}

bool ChipSession::canDeleteSelectedNorixChip() const {
    return link_.isConnected() && norixChipList_.selectedNorixChipIndex() &&
           !norixChipList_.pendingDeleteChipSequence();
}

} // namespace norix
