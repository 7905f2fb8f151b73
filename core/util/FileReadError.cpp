#include "core/util/FileReadError.h"

#include "core/util/UnicodeText.h"

namespace norix {

std::size_t lineNumberAt(std::string_view text, std::string_view position) {
    const auto offset = static_cast<std::size_t>(position.data() - text.data());
    const auto pieces = splitAtLineBreaks(text.substr(0, offset));
    std::size_t line = 1;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        // The empty piece between the CR and the LF of one line end.
        const char* start = pieces[i].data();
        const bool afterCrLf = start - text.data() >= 2 && start[-1] == '\n' && start[-2] == '\r';
        if (!afterCrLf)
            ++line;
    }
    return line;
}

} // namespace norix
