#pragma once
// The one link to a Norix: lists candidate ports, opens and configures one,
// reads it on the event loop, writes frames with a deadline, recovers from a
// lost connection by reconnecting, and routes every received packet to the
// conversation waiting for it (or to onPacketReceived).

#include "core/link/FrameCodec.h"
#include "core/link/PortDiscovery.h"
#include "core/link/SerialPacket.h"
#include "core/loop/EventLoop.h"
#include "core/util/Signal.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace norix {

class BackgroundQueue;
class FontSlotConversation;
class ImageSlotConversation;
class SettingsConversation;

// Whether a manager builds its own font, image and settings conversations (the
// application and the CLI) or is a bare link (tests of the link itself).
enum class LinkConversations { None, Included };

// The conversations of the link, in the fixed order in which they are offered
// each received packet. The first that claims a packet ends the routing.
enum class LinkRoute {
    ImageLoad,
    ImageUpload,
    ImageList,
    Settings,
    FontDelete,
    FontUpload,
    FontList,
};
inline constexpr std::size_t linkRouteCount = 7;

// What a conversation is told about the connection. Hooks run in the order
// they were added (font list, image list, settings).
struct LinkLifecycleHooks {
    std::function<void()> opened;      // a connect succeeded: start the initial requests
    std::function<void()> reconnected; // a reconnect attempt succeeded (after opened)
    std::function<void()> closed;      // the link was torn down: reset the conversation
};

class SerialPortManager {
public:
    using PacketClaim = std::function<bool(const SerialPacket&)>;

    static constexpr unsigned defaultBaudRate = 115200;
    static constexpr int maximumReconnectAttempts = 3;
    static constexpr Milliseconds reconnectDelay{1000};
    static constexpr Milliseconds writeDeadline{500};
    static constexpr std::size_t readChunkLimit = 1024;

    explicit SerialPortManager(EventLoop& loop, std::string deviceDirectory = "/dev",
                               LinkConversations conversations = LinkConversations::Included);
    ~SerialPortManager();
    SerialPortManager(const SerialPortManager&) = delete;
    SerialPortManager& operator=(const SerialPortManager&) = delete;

    // The application's instance. The application creates it on its loop at
    // start-up with installShared() and, because the instance arms timers on
    // that loop, destroys it with installShared(nullptr) before the loop goes
    // away. Calling shared() before installShared() is a programming error and aborts.
    static SerialPortManager& shared();
    static bool hasShared();
    static void installShared(std::unique_ptr<SerialPortManager> manager);

    // Observable link state; `changed` fires whenever any of it is assigned.
    const std::vector<std::string>& availablePorts() const { return availablePorts_; }
    bool isConnected() const { return isConnected_; }
    const std::optional<std::string>& connectedPort() const { return connectedPort_; }
    const std::optional<std::string>& lastError() const { return lastError_; }
    int fileDescriptor() const { return fileDescriptor_; }
    int reconnectAttempt() const { return reconnectAttempt_; }
    // The path of the last successful connection: the reconnect target.
    const std::optional<std::string>& lastRequestedPort() const { return lastRequestedPort_; }
    // A reconnect attempt is planned on the loop.
    bool isReconnectPending() const { return reconnectTimer_.isActive(); }
    // Set from a failure until its reconnect series has made its first attempt.
    bool serialFailureInProgress() const { return serialFailureInProgress_; }
    const std::string& deviceDirectory() const { return deviceDirectory_; }
    Signal<> changed;

    std::function<void(const Bytes&)> onBytesReceived;
    std::function<void(const SerialPacket&)> onPacketReceived;
    // Posted to the loop after a connection was torn down (a user disconnect
    // or a failure); never for a link that was already closed.
    std::function<void()> onDisconnected;

    void refreshPorts();
    // Takes a listing made elsewhere (off the loop) as the discovered ports.
    void applyPortListing(PortListing listing);
    bool connect(const std::string& port, unsigned baudRate = defaultBaudRate,
                 bool reconnecting = false);
    void disconnect(bool cancelReconnect = true, bool notify = true);
    // The user's disconnect, with the close(2) on `queue`: a driver that drains
    // slowly holds up nothing. The link is closed at once; onDisconnected
    // follows once the descriptor really is closed.
    void disconnectInBackground(BackgroundQueue& queue);
    // A descriptor handed to disconnectInBackground is not closed yet; the
    // port cannot be opened again until it is.
    bool isClosingPort() const { return isClosingPort_; }
    bool send(std::span<const std::uint8_t> bytes);
    // Frames and writes one packet; the sequence used, or nothing when nothing was written.
    std::optional<std::uint8_t> sendPacket(std::uint8_t command,
                                           std::span<const std::uint8_t> payload = {});
    std::uint8_t nextSequence();
    void processReceivedBytes(std::span<const std::uint8_t> chunk);
    void processEncodedFrame(std::span<const std::uint8_t> frame);
    void setLastError(std::optional<std::string> message);

    // Ports that are not discovered in the device directory (the built-in
    // simulator), listed after the discovered ones under their display name.
    // They are never taken for a device that re-enumerated under a new name.
    void addExtraPort(std::string path, std::string displayName);
    // "Norix simulator" for the built-in port; the path itself otherwise.
    std::string portDisplayName(const std::string& path) const;

    // A claim replaces the one registered before at the same route; an empty
    // claim removes it.
    void setRoute(LinkRoute route, PacketClaim claim);
    void addLifecycleHooks(LinkLifecycleHooks hooks);
    EventLoop& loop() { return loop_; }

    // The link's own conversations, built with LinkConversations::Included;
    // asking a bare link for them is a programming error and aborts.
    bool hasConversations() const { return fonts_ != nullptr; }
    FontSlotConversation& fonts();
    ImageSlotConversation& images();
    SettingsConversation& settings();

    // Keeps an object (typically a conversation that registered routes and
    // hooks here) alive exactly as long as the manager. Adopted objects are
    // destroyed first, in reverse order, while the manager is still intact.
    template <typename T> T& adopt(std::unique_ptr<T> object) {
        T& reference = *object;
        adopted_.push_back(std::shared_ptr<void>(std::move(object)));
        return reference;
    }

private:
    struct ExtraPort {
        std::string path;
        std::string displayName;
    };

    void startReading();
    void readAvailable();
    void routePacket(const SerialPacket& packet);
    void handleSerialFailure(const std::string& message, bool reconnect = true);
    void scheduleReconnect(const std::string& port);
    void attemptReconnect(const std::string& port);
    // The single other candidate a vanished port may have re-enumerated as.
    std::optional<std::string> reenumeratedPort(const std::string& vanished) const;
    void tearDown(bool cancelReconnect, bool notify, BackgroundQueue* closer);
    void closeDescriptor();
    // Stops reading and gives up the descriptor without closing it (-1 when none).
    int releaseDescriptor();
    template <typename Member> void runHooks(Member member, bool onlyWhileOpen);

    EventLoop& loop_;
    std::string deviceDirectory_;
    std::vector<ExtraPort> extraPorts_;
    std::vector<std::string> discoveredPorts_;
    std::vector<std::string> availablePorts_;
    bool isConnected_ = false;
    std::optional<std::string> connectedPort_;
    std::optional<std::string> lastError_;
    int fileDescriptor_ = -1;
    int reconnectAttempt_ = 0;
    std::optional<std::string> lastRequestedPort_;
    bool serialFailureInProgress_ = false;
    bool isClosingPort_ = false;
    std::uint8_t nextSequenceValue_ = 0;

    FrameDecoder decoder_;
    // While one read chunk is being processed: whether the link went down
    // meanwhile, so the rest of that chunk is not routed.
    bool readingChunk_ = false;
    bool chunkAbandoned_ = false;

    std::array<PacketClaim, linkRouteCount> routes_;
    std::vector<LinkLifecycleHooks> hooks_;
    ScopedWatch readWatch_;
    ScopedTimer reconnectTimer_;
    // Posted work (onDisconnected) checks this so that it never outlives the manager.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::vector<std::shared_ptr<void>> adopted_;
    FontSlotConversation* fonts_ = nullptr;
    ImageSlotConversation* images_ = nullptr;
    SettingsConversation* settings_ = nullptr;
};

} // namespace norix
