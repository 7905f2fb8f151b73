#pragma once
// The main window without the window: the chip in the editor and the chip
// file list, the terminal, the connection status and every chip conversation
// with the Norix (identification, upload-mode check, upload and store, batch
// save, stored chip list, load and delete). The app binds its widgets to
// this object; the CLI drives it the same way.

#include "core/chips/BatchSave.h"
#include "core/chips/ChipEditor.h"
#include "core/chips/ChipUpload.h"
#include "core/chips/NorixChipList.h"
#include "core/chips/NorixChipLoad.h"
#include "core/chips/Terminal.h"
#include "core/link/SerialPacket.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/EventLoop.h"
#include "core/util/Signal.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace norix {

class BackgroundQueue;

inline constexpr Milliseconds serialNumberRequestDelay{500};

// What the upload-mode check runs when the Norix confirms upload mode.
enum class UploadModeAction { sendChip, saveChip, batchSave, deleteAllChips };

class ChipSession {
public:
    explicit ChipSession(SerialPortManager& link);
    ~ChipSession();
    ChipSession(const ChipSession&) = delete;
    ChipSession& operator=(const ChipSession&) = delete;

    // The parts, each observable through its own `changed`.
    Terminal& terminal() { return terminal_; }
    const Terminal& terminal() const { return terminal_; }
    ChipEditor& editor() { return editor_; }
    const ChipEditor& editor() const { return editor_; }
    const ChipUpload& upload() const { return upload_; }
    const BatchSave& batch() const { return batch_; }
    const NorixChipList& norixChipList() const { return norixChipList_; }
    const NorixChipLoad& norixChipLoad() const { return norixChipLoad_; }
    SerialPortManager& link() { return link_; }

    void appendTerminal(std::string_view text) { terminal_.appendTerminal(text); }

    // Connection state.
    const std::string& deviceStatus() const { return deviceStatus_; }
    const std::string& norixSerialNumber() const { return norixSerialNumber_; }
    const std::optional<std::uint8_t>& pendingSerialSequence() const {
        return pendingSerialSequence_;
    }
    const std::optional<std::uint8_t>& pendingUploadModeSequence() const {
        return pendingUploadModeSequence_;
    }
    const std::optional<UploadModeAction>& pendingUploadModeAction() const {
        return pendingUploadModeAction_;
    }
    bool showDeleteAllChipsConfirmation() const { return showDeleteAllChipsConfirmation_; }

    // Port picker of the connection bar.
    const std::vector<std::string>& serialPorts() const { return serialPorts_; }
    const std::string& selectedPort() const { return selectedPort_; }
    void setSelectedPort(std::string port);
    // "Refresh": lists the ports on the background queue when there is one.
    void refreshPortList();
    // The same, on the spot and without a status: the window's first showing.
    void refreshPortListNow();
    // "Connect" / "Disconnect"; a disconnect closes the port on the background
    // queue when there is one.
    void connectOrDisconnect();
    bool isRefreshingPorts() const { return isRefreshingPorts_; }
    bool isDisconnecting() const { return link_.isClosingPort(); }
    // Where "Refresh" and "Disconnect" do what may block (the app's worker
    // thread); without one they run on the loop (the CLI, tests).
    void setBackgroundQueue(BackgroundQueue* queue) { background_ = queue; }

    // What the window's controls may do now.
    bool isUploading() const { return upload_.isUploading(); }
    bool isBatchSaving() const { return batch_.batchSaveActive(); }
    bool hasUploadedChip() const { return upload_.uploadStage() == NorixUploadStage::complete; }
    bool canUseUploadButtons() const;
    bool canRefreshNorixChips() const;
    bool canLoadSelectedNorixChip() const;
    bool canDeleteSelectedNorixChip() const;
    void setSelectedNorixChipIndex(std::optional<std::size_t> index);

    // Installs the dispatcher and the disconnect handler on the link; once.
    void configureSerialPacketHandling();
    // Asked for 0.25 s after the chip list is complete (the font slots).
    void setFontListRequester(std::function<void()> requester);

    void requestNorixSerialNumber();
    void checkUploadMode(UploadModeAction action);

    // Buttons: each runs the upload-mode check first.
    void sendToNorixPressed() { checkUploadMode(UploadModeAction::sendChip); }
    void saveToNorixPressed() { checkUploadMode(UploadModeAction::saveChip); }
    void batchSaveToNorixPressed() { checkUploadMode(UploadModeAction::batchSave); }
    // The delete-all menu command: shows the confirmation, or says why not.
    void requestDeleteAllChips();
    void confirmDeleteAllChips();
    void dismissDeleteAllChips();

    // The conversations themselves (after the upload-mode check where it applies).
    bool sendChipToNorix();
    bool saveUploadedChipToNorix();
    void saveAllChipsToNorix();
    // "Cancel Batch": ends the run; the chip being sent is abandoned.
    void cancelBatchSave();
    void requestChipList() { norixChipList_.requestChipList(); }
    void loadSelectedNorixChip();
    void deleteSelectedChipFromNorix() { norixChipList_.deleteSelectedChipFromNorix(); }
    void deleteAllChipsFromNorix() { norixChipList_.deleteAllChipsFromNorix(); }

    // The link's last route, and its onDisconnected.
    void dispatchPacket(const SerialPacket& packet);
    void handleDisconnect();

    // Fires whenever state of this object or of one of its parts changes.
    Signal<> changed;
    // A serial-number answer was handled: true when it was readable (the chip
    // list follows 0.25 s later), false for a non-ASCII payload.
    Signal<bool> serialNumberAnswered;

private:
    void linkStateChanged();
    void handleUploadModeAnswer(const SerialPacket& packet);
    void handleSerialNumber(const SerialPacket& packet);
    void uploadCompleted();
    void runUploadModeAction(UploadModeAction action);
    void setDeviceStatus(std::string status);
    // Lists the ports (on the background queue when there is one), takes the
    // list and the selection from the link, then runs `then`.
    void listPorts(std::function<void()> then);
    void adoptPortList();
    void write(std::string_view text) { terminal_.appendTerminal(text); }

    SerialPortManager& link_;
    Terminal terminal_;
    ChipEditor editor_;
    ChipUpload upload_;
    BatchSave batch_;
    NorixChipList norixChipList_;
    NorixChipLoad norixChipLoad_;
    ScopedTimer serialNumberTimer_;
    ScopedTimer chipListTimer_;

    std::string deviceStatus_ = "Not Connected";
    std::string norixSerialNumber_;
    std::optional<std::uint8_t> pendingSerialSequence_;
    std::optional<std::uint8_t> pendingUploadModeSequence_;
    std::optional<UploadModeAction> pendingUploadModeAction_;
    bool showDeleteAllChipsConfirmation_ = false;
    std::vector<std::string> serialPorts_;
    std::string selectedPort_;
    bool linkWasConnected_ = false;
    bool isRefreshingPorts_ = false;
    BackgroundQueue* background_ = nullptr;
    // Work handed to the background queue checks this before it comes back.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::vector<Connection> connections_;
};

} // namespace norix
