#pragma once
// The one link to a Norix: lists candidate ports, opens and configures one,
// reads it on the event loop, writes frames with a deadline, recovers from a
// lost connection by reconnecting, and routes every received packet to the
// conversation waiting for it (or to onPacketReceived).

#include "core/link/FrameCodec.h"
#include "core/link/SerialPacket.h"
#include "core/loop/EventLoop.h"
#include "core/util/Signal.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace norix {

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

    explicit SerialPortManager(EventLoop& loop, std::string deviceDirectory = "/dev");
    ~SerialPortManager();
    SerialPortManager(const SerialPortManager&) = delete;
    SerialPortManager& operator=(const SerialPortManager&) = delete;

    // Observable link state; `changed` fires whenever any of it is assigned.
    const std::vector<std::string>& availablePorts() const { return availablePorts_; }
    bool isConnected() const { return isConnected_; }
    const std::optional<std::string>& connectedPort() const { return connectedPort_; }
    const std::optional<std::string>& lastError() const { return lastError_; }
    int fileDescriptor() const { return fileDescriptor_; }
    int reconnectAttempt() const { return reconnectAttempt_; }
    Signal<> changed;

    std::function<void(const Bytes&)> onBytesReceived;
    std::function<void(const SerialPacket&)> onPacketReceived;
    std::function<void()> onDisconnected;

    void refreshPorts();
    bool connect(const std::string& port, unsigned baudRate = 115200, bool reconnecting = false);
    void disconnect(bool cancelReconnect = true, bool notify = true);
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
    void addExtraPort(std::string path, std::string displayName);
    // "Norix simulator" for the built-in port; the path itself otherwise.
    std::string portDisplayName(const std::string& path) const;

    void setRoute(LinkRoute route, PacketClaim claim);
    void addLifecycleHooks(LinkLifecycleHooks hooks);
    EventLoop& loop() { return loop_; }

private:
    // (members are completed with the implementation)
    EventLoop& loop_;
    std::string deviceDirectory_;
    std::vector<std::string> availablePorts_;
    bool isConnected_ = false;
    std::optional<std::string> connectedPort_;
    std::optional<std::string> lastError_;
    int fileDescriptor_ = -1;
    int reconnectAttempt_ = 0;
};

} // namespace norix
