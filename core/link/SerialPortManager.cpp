#include "core/link/SerialPortManager.h"

#include "core/link/PortDiscovery.h"
#include "core/link/SerialPort.h"
#include "core/loop/BackgroundQueue.h"
#include "core/util/DiagnosticLog.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace norix {
namespace {

bool fileExists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

} // namespace

SerialPortManager::SerialPortManager(EventLoop& loop, std::string deviceDirectory)
    : loop_(loop), deviceDirectory_(std::move(deviceDirectory)),
      decoder_([this](const SerialPacket& packet) { routePacket(packet); },
               [this](const std::string& error) { setLastError(error); }),
      readWatch_(loop), reconnectTimer_(loop) {
    refreshPorts();
}

SerialPortManager::~SerialPortManager() {
    *alive_ = false;
    // No hooks and no notification here: the objects they would reach may be gone.
    closeSerialDevice(releaseDescriptor());
}

void SerialPortManager::refreshPorts() {
    applyPortListing(listSerialPorts(deviceDirectory_));
}

void SerialPortManager::applyPortListing(PortListing listing) {
    discoveredPorts_ = std::move(listing.ports);
    availablePorts_ = discoveredPorts_;
    for (const auto& extra : extraPorts_)
        availablePorts_.push_back(extra.path);
    if (listing.error)
        lastError_ = std::move(listing.error);
    changed.emit();
}

void SerialPortManager::addExtraPort(std::string path, std::string displayName) {
    extraPorts_.push_back({std::move(path), std::move(displayName)});
    refreshPorts();
}

std::string SerialPortManager::portDisplayName(const std::string& path) const {
    for (const auto& extra : extraPorts_)
        if (extra.path == path)
            return extra.displayName;
    return path;
}

std::optional<std::string> SerialPortManager::reenumeratedPort(const std::string& vanished) const {
    // Only nodes that are really there count, and never the built-in simulator:
    // an unplugged Norix must not silently turn into the simulated one.
    std::vector<std::string> candidates;
    for (const auto& port : discoveredPorts_)
        if (port != vanished && fileExists(port))
            candidates.push_back(port);
    if (candidates.size() != 1)
        return std::nullopt;
    return candidates.front();
}

bool SerialPortManager::connect(const std::string& port, unsigned baudRate, bool reconnecting) {
    disconnect(!reconnecting, false);
    lastError_.reset();
    changed.emit();
    refreshPorts();

    std::string path = port;
    if (!fileExists(path)) {
        auto candidate = reenumeratedPort(path);
        if (!candidate) {
            setLastError("Serial device is no longer available. Refresh the port list and select "
                         "it again.");
            return false;
        }
        logLine("Serial port changed from " + path + " to " + *candidate);
        path = *candidate;
    }

    logLine("Opening serial port: " + path);
    UniqueFd fd = openSerialDevice(path);
    if (!fd.isOpen()) {
        const int error = errno;
        logLine("open() returned -1, errno=" + std::to_string(error));
        setLastError(openFailureMessage(path, error));
        return false;
    }
    if (auto failure = configureSerialDevice(fd.get(), baudRate)) {
        closeSerialDevice(std::move(fd));
        setLastError(failure->message());
        return false;
    }

    port_ = std::move(fd);
    connectedPort_ = path;
    isConnected_ = true;
    lastRequestedPort_ = path;
    reconnectAttempt_ = 0;
    serialFailureInProgress_ = false;
    changed.emit();

    startReading();
    runHooks(&LinkLifecycleHooks::opened, true);
    // A device that vanished again during the first requests has already been
    // handled as a failure; the connect did not succeed after all.
    return port_.isOpen();
}

void SerialPortManager::disconnect(bool cancelReconnect, bool notify) {
    tearDown(cancelReconnect, notify, nullptr);
}

void SerialPortManager::disconnectInBackground(BackgroundQueue& queue) {
    tearDown(true, true, &queue);
}

void SerialPortManager::tearDown(bool cancelReconnect, bool notify, BackgroundQueue* closer) {
    const bool hadConnection = isConnected_ || port_.isOpen() || connectedPort_.has_value();
    if (cancelReconnect) {
        reconnectTimer_.cancel();
        reconnectAttempt_ = 0;
        serialFailureInProgress_ = false;
    }
    UniqueFd fd = releaseDescriptor();
    connectedPort_.reset();
    isConnected_ = false;
    if (closer && fd.isOpen())
        isClosingPort_ = true;
    changed.emit();

    runHooks(&LinkLifecycleHooks::closed, false);

    const bool announce = notify && hadConnection;
    auto announceDisconnect = [this, alive = std::weak_ptr<bool>(alive_)] {
        auto living = alive.lock();
        if (living && *living && onDisconnected)
            onDisconnected();
    };
    if (closer && fd.isOpen()) {
        // A task must be copyable; the descriptor travels in a shared holder.
        auto closing = std::make_shared<UniqueFd>(std::move(fd));
        closer->run([closing] { closeSerialDevice(std::move(*closing)); },
                    [this, alive = std::weak_ptr<bool>(alive_), announce, announceDisconnect] {
                        auto living = alive.lock();
                        if (!living || !*living)
                            return;
                        isClosingPort_ = false;
                        changed.emit();
                        if (announce)
                            announceDisconnect();
                    });
        return;
    }
    closeSerialDevice(std::move(fd));
    if (announce)
        loop_.post(announceDisconnect);
}

UniqueFd SerialPortManager::releaseDescriptor() {
    // The watch goes first: no read may ever run on a closed (or reused) descriptor.
    readWatch_.reset();
    decoder_.clear();
    if (readingChunk_)
        chunkAbandoned_ = true;
    return std::move(port_);
}

template <typename Member> void SerialPortManager::runHooks(Member member, bool onlyWhileOpen) {
    // By index: a hook may add hooks of its own.
    for (std::size_t i = 0; i < hooks_.size(); ++i) {
        if (onlyWhileOpen && !port_.isOpen())
            return;
        auto hook = hooks_[i].*member;
        if (hook)
            hook();
    }
}

void SerialPortManager::startReading() {
    if (!port_.isOpen())
        return;
    readWatch_.watch(port_.get(), [this] { readAvailable(); });
}

void SerialPortManager::readAvailable() {
    if (!port_.isOpen())
        return;
    std::array<std::uint8_t, readChunkLimit> buffer;
    const SerialReadOutcome outcome = readSerialChunk(port_.get(), buffer);
    switch (outcome.kind) {
    case SerialReadOutcome::Kind::nothingYet:
        return;
    case SerialReadOutcome::Kind::endOfFile:
        handleSerialFailure("Norix closed the serial connection.");
        return;
    case SerialReadOutcome::Kind::failed:
        handleSerialFailure("Serial read failed: " + systemErrorText(outcome.errorNumber));
        return;
    case SerialReadOutcome::Kind::data:
        break;
    }
    const Bytes chunk(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(outcome.count));
    readingChunk_ = true;
    chunkAbandoned_ = false;
    if (onBytesReceived)
        onBytesReceived(chunk);
    if (!chunkAbandoned_)
        decoder_.processReceivedBytes(chunk);
    // The decoder went on collecting the rest of an abandoned chunk; none of it
    // may leak into the next connection.
    if (chunkAbandoned_)
        decoder_.clear();
    readingChunk_ = false;
    chunkAbandoned_ = false;
}

void SerialPortManager::processReceivedBytes(std::span<const std::uint8_t> chunk) {
    decoder_.processReceivedBytes(chunk);
}

void SerialPortManager::processEncodedFrame(std::span<const std::uint8_t> frame) {
    decoder_.processEncodedFrame(frame);
}

void SerialPortManager::routePacket(const SerialPacket& packet) {
    // Bytes that followed a failure in the same read belong to the old connection.
    if (chunkAbandoned_)
        return;
    // Looked up afresh after each claim: a route may remove itself or others.
    for (auto route = routes_.begin(); route != routes_.end();) {
        const RouteOrder order = route->first;
        if (route->second(packet))
            return;
        route = routes_.upper_bound(order);
    }
}

void SerialPortManager::setRoute(RouteOrder order, PacketClaim claim) {
    if (claim)
        routes_.insert_or_assign(order, std::move(claim));
    else
        routes_.erase(order);
}

void SerialPortManager::addLifecycleHooks(LinkLifecycleHooks hooks) {
    hooks_.push_back(std::move(hooks));
}

void SerialPortManager::setLastError(std::optional<std::string> message) {
    lastError_ = std::move(message);
    changed.emit();
}

bool SerialPortManager::send(std::span<const std::uint8_t> bytes) {
    if (!port_.isOpen()) {
        setLastError("No serial port is connected.");
        return false;
    }
    if (bytes.empty())
        return true;
    if (auto failure = writeSerialBytes(port_.get(), bytes, writeDeadline)) {
        handleSerialFailure(*failure);
        return false;
    }
    return true;
}

std::uint8_t SerialPortManager::nextSequence() {
    return nextSequenceValue_++;
}

std::optional<std::uint8_t> SerialPortManager::sendPacket(std::uint8_t command,
                                                          std::span<const std::uint8_t> payload) {
    if (!port_.isOpen()) {
        setLastError("No serial port is connected.");
        return std::nullopt;
    }
    const std::uint8_t sequence = nextSequence();
    const Bytes frame =
        encodeFrame(SerialPacket{command, sequence, Bytes(payload.begin(), payload.end())});
    if (!send(frame))
        return std::nullopt;
    return sequence;
}

void SerialPortManager::handleSerialFailure(const std::string& message, bool reconnect) {
    // A read end-of-file and a write error of the same outage get one reaction.
    if (serialFailureInProgress_)
        return;
    serialFailureInProgress_ = true;
    logLine("SERIAL FAILURE: " + message);
    setLastError(message);
    const std::optional<std::string> port = connectedPort_ ? connectedPort_ : lastRequestedPort_;
    // The closed hooks cancel every conversation's response time-out.
    disconnect(false, true);
    if (reconnect && port) {
        scheduleReconnect(*port);
    } else {
        serialFailureInProgress_ = false;
        changed.emit();
    }
}

void SerialPortManager::scheduleReconnect(const std::string& port) {
    reconnectTimer_.cancel();
    if (reconnectAttempt_ >= maximumReconnectAttempts) {
        lastError_ = "Could not reconnect to Norix after " +
                     std::to_string(maximumReconnectAttempts) + " attempts.";
        serialFailureInProgress_ = false;
        reconnectAttempt_ = 0;
        changed.emit();
        return;
    }
    ++reconnectAttempt_;
    lastError_ = "Serial connection was interrupted. Reconnecting, attempt " +
                 std::to_string(reconnectAttempt_) + "\u2026";
    reconnectTimer_.start(reconnectDelay, [this, port] { attemptReconnect(port); });
    changed.emit();
}

void SerialPortManager::attemptReconnect(const std::string& port) {
    refreshPorts();
    if (connect(port, defaultBaudRate, true)) {
        lastError_.reset();
        reconnectAttempt_ = 0;
        serialFailureInProgress_ = false;
        changed.emit();
        runHooks(&LinkLifecycleHooks::reconnected, true);
        return;
    }
    // A failure inside the attempt's first requests has planned the next attempt itself.
    if (reconnectTimer_.isActive())
        return;
    serialFailureInProgress_ = false;
    scheduleReconnect(port);
}

} // namespace norix
