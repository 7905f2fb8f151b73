#pragma once
// The simulated Norix's memory on disk, so that norix-sim keeps its chips,
// fonts, images and settings across runs. A line-oriented text file: one
// line per item, the bytes as hexadecimal, e.g.
//   norix-sim-memory 1
//   settings 0101080001000000000A283268
//   chip <metadata> <strings> <code or ->
//   font <slot> <metadata> <data>
//   image <slot> <metadata> <data>
// MemoryStore writes it (atomically) after every change of the memory.

#include "core/util/Expected.h"
#include "core/util/Signal.h"
#include "sim/NorixMemory.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace norix::sim {

inline constexpr const char* memoryFileName = "norix-memory.txt";

struct MemoryFileError {
    std::string message;
};

std::string encodeMemoryFile(const MemorySnapshot& memory);
Expected<MemorySnapshot, MemoryFileError> decodeMemoryFile(std::string_view text);

class MemoryStore {
public:
    MemoryStore(NorixMemory& memory, std::filesystem::path folder);

    std::filesystem::path filePath() const { return folder_ / memoryFileName; }
    bool hasSavedMemory() const;
    // Replaces the memory with the saved one; an error leaves the memory untouched.
    std::optional<MemoryFileError> load();
    std::optional<MemoryFileError> save();
    // From now on every change of the memory is saved; failures are reported to the log.
    void saveOnChange();

private:
    NorixMemory& memory_;
    std::filesystem::path folder_;
    Connection changedConnection_;
};

} // namespace norix::sim
