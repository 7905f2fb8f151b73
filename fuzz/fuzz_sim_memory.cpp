// norix-sim's memory file, whatever it holds: the reader must never crash, and
// whatever it accepts must be written back to a file that reads the same.

#include "sim/MemoryFile.h"

#include <cstdlib>
#include <string_view>

using namespace norix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto decoded = sim::decodeMemoryFile(text);
    if (!decoded)
        return 0;
    const auto again = sim::decodeMemoryFile(sim::encodeMemoryFile(decoded.value()));
    if (!again || !(again.value() == decoded.value()))
        std::abort();
    return 0;
}
