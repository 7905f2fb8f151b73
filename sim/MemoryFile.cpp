#include "sim/MemoryFile.h"

#include "core/util/AtomicFile.h"
#include "core/util/DiagnosticLog.h"

#include <sstream>
#include <vector>

namespace norix::sim {
namespace {

constexpr std::string_view header = "norix-sim-memory 1";

std::string hex(const Bytes& bytes) {
    if (bytes.empty())
        return "-";
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<Bytes> unhex(std::string_view text) {
    if (text == "-")
        return Bytes{};
    if (text.size() % 2 != 0)
        return std::nullopt;
    Bytes bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> result;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start)
            result.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

std::optional<int> slotNumber(std::string_view text, int first, int last) {
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < first || value > last)
        return std::nullopt;
    return value;
}

// One item line after its keyword; the error text when it does not read.
std::optional<std::string> readItem(std::string_view keyword,
                                    const std::vector<std::string_view>& fields,
                                    MemorySnapshot& memory) {
    std::vector<Bytes> blobs;
    const std::size_t firstBlob = keyword == "chip" ? 1 : 2;
    for (std::size_t i = firstBlob; i < fields.size(); ++i) {
        auto bytes = unhex(fields[i]);
        if (!bytes)
            return "invalid hexadecimal bytes";
        blobs.push_back(std::move(*bytes));
    }
    if (keyword == "settings") {
        const auto record = fields.size() == 2 ? unhex(fields[1]) : std::nullopt;
        if (!record || record->size() != norixSettingsSize)
            return "the settings record needs 14 bytes";
        std::copy(record->begin(), record->end(), memory.settings.begin());
        return std::nullopt;
    }
    if (keyword == "chip") {
        if (blobs.size() != 3 || blobs[0].size() != chipStoredMetadataSize ||
            blobs[1].size() != chipStringsSize)
            return "a chip needs 128 metadata bytes, 512 string bytes and its code";
        memory.chips.push_back(StoredChip{blobs[0], blobs[1], blobs[2]});
        return std::nullopt;
    }
    const bool isFont = keyword == "font";
    if (!isFont && keyword != "image")
        return "unknown item '" + std::string(keyword) + "'";
    const auto slot = fields.size() == 4
                          ? slotNumber(fields[1], isFont ? 0 : 1,
                                       isFont ? int(norixFontSlotCount) - 1 : norixImageSlotCount)
                          : std::nullopt;
    if (!slot)
        return "a slot number and two byte fields are expected";
    if (blobs[0].size() != chunkedUploadMetadataSize)
        return "the metadata needs 128 bytes";
    if (isFont) {
        memory.fonts[static_cast<std::size_t>(*slot)] = StoredFont{blobs[0], blobs[1]};
    } else {
        if (blobs[1].empty() || blobs[1].size() > maximumCompressedImageBytes)
            return "image data must hold 1 to 4096 bytes";
        memory.images[static_cast<std::size_t>(*slot - 1)] = StoredImage{blobs[0], blobs[1]};
    }
    return std::nullopt;
}

} // namespace

std::string encodeMemoryFile(const MemorySnapshot& memory) {
    std::string text(header);
    text += "\nsettings " + hex(Bytes(memory.settings.begin(), memory.settings.end())) + "\n";
    for (const auto& chip : memory.chips)
        text +=
            "chip " + hex(chip.metadata) + " " + hex(chip.strings) + " " + hex(chip.code) + "\n";
    for (std::size_t slot = 0; slot < memory.fonts.size(); ++slot) {
        if (const auto& font = memory.fonts[slot])
            text += "font " + std::to_string(slot) + " " + hex(font->metadata) + " " +
                    hex(font->data) + "\n";
    }
    for (std::size_t index = 0; index < memory.images.size(); ++index) {
        if (const auto& image = memory.images[index])
            text += "image " + std::to_string(index + 1) + " " + hex(image->metadata) + " " +
                    hex(image->data) + "\n";
    }
    return text;
}

Expected<MemorySnapshot, MemoryFileError> decodeMemoryFile(std::string_view text) {
    MemorySnapshot memory;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (lineNumber == 1) {
            if (line != header)
                return MemoryFileError{"not a norix-sim memory file"};
            continue;
        }
        const auto fields = words(line);
        if (fields.empty())
            continue;
        if (auto error = readItem(fields[0], fields, memory))
            return MemoryFileError{"line " + std::to_string(lineNumber) + ": " + *error};
    }
    if (lineNumber == 0)
        return MemoryFileError{"not a norix-sim memory file"};
    return memory;
}

MemoryStore::MemoryStore(NorixMemory& memory, std::filesystem::path folder)
    : memory_(memory), folder_(std::move(folder)) {}

bool MemoryStore::hasSavedMemory() const {
    std::error_code error;
    return std::filesystem::exists(filePath(), error);
}

std::optional<MemoryFileError> MemoryStore::load() {
    auto text = readWholeFile(filePath());
    if (!text)
        return MemoryFileError{text.error().message()};
    auto decoded = decodeMemoryFile(*text);
    if (!decoded)
        return decoded.error();
    memory_.restore(std::move(decoded.value()));
    return std::nullopt;
}

std::optional<MemoryFileError> MemoryStore::save() {
    std::error_code ignored;
    std::filesystem::create_directories(folder_, ignored);
    if (auto error = writeFileAtomically(filePath(), encodeMemoryFile(memory_.snapshot())))
        return MemoryFileError{error->message()};
    return std::nullopt;
}

void MemoryStore::saveOnChange() {
    changedConnection_ = memory_.changed.connect([this] {
        if (auto error = save())
            logLine("Could not save the simulator memory: " + error->message);
    });
}

} // namespace norix::sim
