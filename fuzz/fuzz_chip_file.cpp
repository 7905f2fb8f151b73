// Chip file reader on arbitrary bytes: it must return a document or a reader
// error, and whatever it accepts must be written in a form that reads back to
// the same text (encode(decode(encode(x))) == encode(x)).

#include "core/chips/ChipFileCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto document = norix::ChipFileCodec::decode(text);
    if (!document) {
        if (document.error().message().empty())
            std::abort();
        return 0;
    }
    const std::string written = norix::ChipFileCodec::encode(*document);
    const auto again = norix::ChipFileCodec::decode(written);
    if (!again || norix::ChipFileCodec::encode(*again) != written)
        std::abort();
    return 0;
}
