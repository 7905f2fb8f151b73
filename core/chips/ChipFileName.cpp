#include "core/chips/ChipFileName.h"

#include "core/util/UnicodeText.h"

namespace norix {
namespace {

constexpr std::size_t maximumBaseNameBytes = 100;

bool isUnsafe(unsigned char c) {
    return c < 0x20 || c == 0x7F ||
           std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
}

} // namespace

std::filesystem::path withChipExtension(std::filesystem::path path) {
    if (asciiLowercase(path.extension().string()) != ".chip")
        path.replace_extension(".chip");
    return path;
}

std::string chipFileBaseName(std::string_view chipName) {
    std::string_view trimmed = trimWhitespaceAndNewlines(chipName);
    // A leading dot would hide the file (and "." or ".." would name a folder).
    while (!trimmed.empty() && (trimmed.front() == '.' || trimmed.front() == ' '))
        trimmed.remove_prefix(1);
    const bool utf8 = isValidUtf8(trimmed);
    std::string base;
    for (char c : trimmed) {
        const auto byte = static_cast<unsigned char>(c);
        base += isUnsafe(byte) || (!utf8 && byte >= 0x80) ? '_' : c;
    }
    if (base.size() > maximumBaseNameBytes) {
        std::size_t cut = maximumBaseNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
            --cut;
        base = std::string(trimWhitespace(std::string_view(base).substr(0, cut)));
    }
    return base.empty() ? "chip" : base;
}

std::filesystem::path chipFilePathIn(const std::filesystem::path& folder, std::string_view chipName,
                                     std::set<std::string>& taken, bool overwrite) {
    const std::string base = chipFileBaseName(chipName);
    for (int n = 1;; ++n) {
        const std::string file = n == 1 ? base + ".chip" : base + "-" + std::to_string(n) + ".chip";
        const std::filesystem::path path = folder / file;
        std::error_code error;
        if (taken.contains(file) || (!overwrite && std::filesystem::exists(path, error)))
            continue;
        taken.insert(file);
        return path;
    }
}

} // namespace norix
