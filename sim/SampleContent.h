#pragma once
// The sample content a simulated Norix starts with, so that the first
// "Connect" shows a working device: the chip files of the examples folder
// (compiled as the application would upload them), its fonts from slot 0 on
// and its images from slot 1 on. Files that do not read are reported and skipped.

#include "sim/NorixMemory.h"

#include <filesystem>
#include <string>
#include <vector>

namespace norix::sim {

struct SampleContentReport {
    std::size_t chips = 0;
    std::size_t fonts = 0;
    std::size_t images = 0;
    std::vector<std::string> problems; // "{file}: {reason}"
};

// The examples folder of this program: the installed one beside its bin/
// folder (<prefix>/share/norixgui/examples), or else the source tree's.
std::filesystem::path defaultExamplesDirectory();
// The same for the program at `executable`.
std::filesystem::path examplesDirectoryFor(const std::filesystem::path& executable);

// Adds the samples found (recursively) in the folder to the memory.
SampleContentReport loadSampleContent(NorixMemory& memory, const std::filesystem::path& folder);

} // namespace norix::sim
