#include "core/device/NorixConnection.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace norix {
namespace {

std::unique_ptr<NorixConnection>& sharedInstance() {
    static std::unique_ptr<NorixConnection> instance;
    return instance;
}

} // namespace

NorixConnection::NorixConnection(EventLoop& loop, std::string deviceDirectory)
    : link_(loop, std::move(deviceDirectory)), fonts_(link_), images_(link_),
      settings_(link_, fonts_) {}

NorixConnection& NorixConnection::shared() {
    auto& instance = sharedInstance();
    if (!instance) {
        std::fputs("NorixConnection::shared() used before installShared()\n", stderr);
        std::abort();
    }
    return *instance;
}

bool NorixConnection::hasShared() {
    return sharedInstance() != nullptr;
}

void NorixConnection::installShared(std::unique_ptr<NorixConnection> connection) {
    // Swap first so that shared() never hands out an instance being destroyed.
    auto previous = std::exchange(sharedInstance(), std::move(connection));
    previous.reset();
}

} // namespace norix
