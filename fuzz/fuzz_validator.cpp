// The validator writes exactly one terminal entry for any text, and its
// per-line check (the editor gutter's) agrees with the whole-program run.

#include "core/language/CodeValidator.h"
#include "core/language/OpcodeCatalogue.h"
#include "core/language/SourceText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int pinCount = data[0] % 48;
    const std::string_view code(reinterpret_cast<const char*>(data + 1), size - 1);
    int entries = 0;
    std::string entry;
    const bool clean = norix::validateCode(code, pinCount, [&](const std::string& text) {
        ++entries;
        entry = text;
    });
    if (entries != 1 || (clean != (entry == "No errors.")))
        std::abort();

    const auto symbols = norix::buildDimSymbols(code, nullptr);
    if (!symbols)
        return 0;
    bool lineErrors = false;
    for (std::string_view line : norix::splitSourceLines(code)) {
        // The whole-program run skips DIM lines; so does the gutter.
        if (norix::classifyMnemonic(norix::firstSourceToken(line)).isDim)
            continue;
        const auto messages = norix::validationErrors(line, 1, *symbols, pinCount);
        lineErrors = lineErrors || !messages.empty();
        const auto tokens = norix::splitSourceTokens(line);
        if (tokens.size() >= 2) {
            const std::vector<std::string_view> arguments(tokens.begin() + 1, tokens.end());
            const auto packed = norix::packedAddressValidation(arguments, "DEFADDR", 1, pinCount);
            for (int index : packed.invalidArgumentIndexes) {
                if (index < 0 || index > 2)
                    std::abort();
            }
        }
    }
    // Every line with its own errors makes the whole program unclean.
    if (lineErrors && clean)
        std::abort();
    return 0;
}
