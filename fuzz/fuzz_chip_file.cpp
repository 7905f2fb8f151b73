// Chip file reader on arbitrary bytes: it must return a document or a reader
// error. What it accepts is written so that it reads back: unchanged when no
// code line looks like a section header; otherwise the reader ends the code
// before the first such line (which saving warns about), and the code read
// back is the code up to it.

#include "core/chips/ChipFileCodec.h"
#include "core/util/UnicodeText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace norix;

std::string_view withoutLineFeedsAtEnds(std::string_view text) {
    const std::size_t first = text.find_first_not_of('\n');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of('\n') + 1 - first);
}

// What the written code promises: the code before its first bracketed line,
// and whether a "[code]" header there or further down opens the code section
// again (whose lines are then appended to what was read).
struct CodePromise {
    std::string_view before;
    bool reopened = false;
};

CodePromise promiseOf(std::string_view written, std::string_view bracketed) {
    CodePromise promise{written, false};
    std::size_t start = 0;
    bool found = false;
    while (start <= written.size()) {
        const std::size_t end = std::min(written.find('\n', start), written.size());
        const std::string_view line = written.substr(start, end - start);
        const bool codeHeader = equalsIgnoringAsciiCase(trimWhitespace(line), "[code]");
        if (!found && ChipFileCodec::isSectionHeader(line)) {
            if (trimWhitespace(line) != bracketed)
                std::abort(); // the warning must name the line that ends the code
            promise.before = written.substr(0, start);
            promise.reopened = codeHeader;
            found = true;
        } else if (found && codeHeader) {
            promise.reopened = true;
        }
        start = end + 1;
    }
    if (!found)
        std::abort();
    promise.before = withoutLineFeedsAtEnds(promise.before);
    return promise;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto document = ChipFileCodec::decode(text);
    if (!document) {
        if (document.error().message().empty())
            std::abort();
        return 0;
    }
    const std::string written = ChipFileCodec::encode(*document);
    const auto again = ChipFileCodec::decode(written);
    const auto bracketed = ChipFileCodec::firstBracketedCodeLine(document->code);
    if (!bracketed) {
        if (!again || ChipFileCodec::encode(*again) != written)
            std::abort();
        return 0;
    }
    // The lines after the bracketed one belong to whatever section it names,
    // so reading may fail (a bad [meta] value); when it does not, the code
    // read back starts with the code up to that line, and is exactly that
    // unless the code opens a [code] section of its own further down.
    const std::string code = ChipFileCodec::writtenCode(document->code);
    const CodePromise promise = promiseOf(code, bracketed->text);
    if (again && (promise.reopened ? !again->code.starts_with(promise.before)
                                   : again->code != promise.before))
        std::abort();
    return 0;
}
