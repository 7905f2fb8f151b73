#pragma once
// The one link to a Norix: lists candidate ports, opens and configures one,
// reads it on the event loop, writes frames with a deadline, recovers from a
// lost connection by reconnecting, and offers every received packet to the
// routes registered with it. It knows nothing of what sits above it.

#include "core/link/FrameCodec.h"
#include "core/link/PortDiscovery.h"
#include "core/link/RouteOrder.h"
#include "core/link/SerialPacket.h"
#include "core/loop/EventLoop.h"
#include "core/util/Signal.h"
#include "core/util/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace norix {

class BackgroundQueue;

// What a conversation is told about the connection. Hooks run in the order
// they were added.
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

    explicit SerialPortManager(EventLoop& loop, std::string deviceDirectory = "/dev");
    ~SerialPortManager();
    SerialPortManager(const SerialPortManager&) = delete;
    SerialPortManager& operator=(const SerialPortManager&) = delete;

    // Observable link state; `changed` fires whenever any of it is assigned.
    const std::vector<std::string>& availablePorts() const { return availablePorts_; }
    bool isConnected() const { return isConnected_; }
    const std::optional<std::string>& connectedPort() const { return connectedPort_; }
    const std::optional<std::string>& lastError() const { return lastError_; }
    int fileDescriptor() const { return port_.get(); }
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

    // A claim replaces the one registered before at the same place; an empty
    // claim removes it. A packet no route claims is dropped.
    void setRoute(RouteOrder order, PacketClaim claim);
    bool hasRoute(RouteOrder order) const { return routes_.contains(order); }
    void addLifecycleHooks(LinkLifecycleHooks hooks);
    EventLoop& loop() { return loop_; }

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
    // Stops reading and hands over the descriptor (none when none is open).
    UniqueFd releaseDescriptor();
    template <typename Member> void runHooks(Member member, bool onlyWhileOpen);

    EventLoop& loop_;
    std::string deviceDirectory_;
    std::vector<ExtraPort> extraPorts_;
    std::vector<std::string> discoveredPorts_;
    std::vector<std::string> availablePorts_;
    bool isConnected_ = false;
    std::optional<std::string> connectedPort_;
    std::optional<std::string> lastError_;
    UniqueFd port_;
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

    std::map<RouteOrder, PacketClaim> routes_;
    std::vector<LinkLifecycleHooks> hooks_;
    ScopedWatch readWatch_;
    ScopedTimer reconnectTimer_;
    // Posted work (onDisconnected) checks this so that it never outlives the manager.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace norix
