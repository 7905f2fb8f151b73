// Any text, valid UTF-8 or not, compiles to an image of whole instructions or
// to exactly one error message, and DIM tables never crash the reader.

#include "core/language/CodeCompiler.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int pinCount = data[0] % 48; // 0 and odd counts included on purpose
    const std::string_view code(reinterpret_cast<const char*>(data + 1), size - 1);
    int messages = 0;
    const auto image = norix::compileChipCode(code, pinCount, [&](const std::string& message) {
        if (message.empty())
            std::abort();
        ++messages;
    });
    if (image ? (messages != 0 || image->size() % norix::instructionSize != 0) : messages != 1)
        std::abort();
    if (image &&
        image->size() / norix::instructionSize > norix::sourceInstructionLines(code).size())
        std::abort();
    return 0;
}
