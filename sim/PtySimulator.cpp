#include "sim/PtySimulator.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace norix::sim {

PtySimulator::PtySimulator(EventLoop& loop, SimulatorConfig config)
    : simulator_(loop, std::move(config)), replugTimer_(loop) {
    disconnectedConnection_ = simulator_.disconnected.connect([this] { onDisconnected(); });
}

PtySimulator::~PtySimulator() {
    disconnectedConnection_.reset();
    if (!linkPath_.empty())
        ::unlink(linkPath_.c_str());
}

bool PtySimulator::open() {
    auto pty = PseudoTerminal::open(lastError_);
    if (!pty)
        return false;
    pty_ = std::move(pty);
    // The pair closes the master itself, so that the keeper side goes with it.
    simulator_.attachDescriptor(pty_->masterDescriptor());
    if (auto* transport = dynamic_cast<DescriptorTransport*>(simulator_.transport()))
        transport->setUnreadProbe([this] { return pty_ ? pty_->unreadInputBytes() : 0; });
    updateLink();
    changed.emit();
    return true;
}

void PtySimulator::setLinkPath(std::string path) {
    if (!linkPath_.empty())
        ::unlink(linkPath_.c_str());
    linkPath_ = std::move(path);
    updateLink();
}

void PtySimulator::updateLink() {
    if (linkPath_.empty() || !isOpen())
        return;
    const std::string temporary = linkPath_ + ".new";
    ::unlink(temporary.c_str());
    if (::symlink(pty_->slavePath().c_str(), temporary.c_str()) != 0 ||
        ::rename(temporary.c_str(), linkPath_.c_str()) != 0) {
        lastError_ = std::strerror(errno);
        ::unlink(temporary.c_str());
    }
}

void PtySimulator::onDisconnected() {
    if (pty_)
        pty_->close();
    // Like an unplugged device, the name disappears until the port comes back.
    if (!linkPath_.empty())
        ::unlink(linkPath_.c_str());
    changed.emit();
    if (replugDelay_)
        replugTimer_.start(*replugDelay_, [this] { open(); });
}

} // namespace norix::sim
