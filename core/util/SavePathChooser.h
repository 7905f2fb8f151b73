#pragma once
// How an editor asks a person where to save: the window supplies the dialog,
// the core decides what to do with the answer.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace norix {

// Asked for the file to save to, given the proposed file name; nothing when cancelled.
using SavePathChooser =
    std::function<std::optional<std::filesystem::path>(const std::string& proposedName)>;

} // namespace norix
