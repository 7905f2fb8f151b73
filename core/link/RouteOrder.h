#pragma once
// A route's place in the link's routing order, apart from the link itself so
// that a conversation can name its places without pulling the link in.

#include <limits>

namespace norix {

// A route's place in the routing order: a received packet is offered to the
// routes in ascending order, and the first that claims it ends the routing.
// Each registrant states its own place; the link keeps no list of them.
using RouteOrder = int;
// The place of the route that takes whatever no route before it claimed.
inline constexpr RouteOrder lastRoute = std::numeric_limits<RouteOrder>::max();

} // namespace norix
