#pragma once
// The one type for raw bytes on the wire, in files and in memory images, so
// that every layer passes them around the same way.

#include <cstdint>
#include <vector>

namespace norix {

using Bytes = std::vector<std::uint8_t>;

} // namespace norix
