// The application's one Norix connection: installed, replaced and torn down.

#include "core/device/NorixConnection.h"

#include "core/loop/ManualEventLoop.h"

#include <gtest/gtest.h>
#include <memory>

namespace norix {
namespace {

TEST(SharedNorixConnection, IsTheInstalledOneUntilReplaced) {
    ManualEventLoop loop;
    EXPECT_FALSE(NorixConnection::hasShared());
    auto owned = std::make_unique<NorixConnection>(loop, "/nonexistent-norix-dir");
    NorixConnection* raw = owned.get();
    NorixConnection::installShared(std::move(owned));
    EXPECT_EQ(&NorixConnection::shared(), raw);
    NorixConnection::installShared(std::make_unique<NorixConnection>(loop, "/nonexistent"));
    EXPECT_NE(&NorixConnection::shared(), raw);
    NorixConnection::installShared(nullptr);
    EXPECT_FALSE(NorixConnection::hasShared());
}

TEST(SharedNorixConnectionDeathTest, AbortsWhenUsedBeforeInstalled) {
    EXPECT_DEATH(NorixConnection::shared(), "installShared");
}

} // namespace
} // namespace norix
