// norix chip|font|image cat FILE: reads a chip, font or image file and prints
// the text that saving it would write, so that files can be checked and
// normalised from a shell. The words "chip", "font" and "image" are command
// groups: a subcommand other than "cat" is handed to the command registered
// under the two-word name ("font upload", "image pull", ...).

#include "cli/CliCommand.h"
#include "core/chips/ChipFileCodec.h"
#include "core/fonts/FontFile.h"
#include "core/images/NorixImageFile.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace norix::cli {
namespace {

int printText(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return exitSuccess;
}

int readerFailure(const std::string& message) {
    std::cerr << message << "\n";
    return exitFailure;
}

int catChip(const std::string& path) {
    auto document = ChipFileCodec::load(path);
    if (!document)
        return readerFailure(document.error().message());
    return printText(ChipFileCodec::encode(*document));
}

int catFont(const std::string& path) {
    auto font = FontFile::load(path);
    if (!font)
        return readerFailure(font.error().message());
    return printText(font->generatedText());
}

int catImage(const std::string& path) {
    auto image = NorixImageFile::load(path);
    if (!image)
        return readerFailure(image.error().message());
    return printText(NorixImageFile::encode(*image) + "\n");
}

int runGroup(const std::string& group, int (*cat)(const std::string&), const GlobalOptions& options,
             const std::vector<std::string>& args) {
    if (args.empty())
        return usageError(group + " needs a subcommand (see norix --help)");
    if (args[0] == "cat") {
        if (args.size() != 2)
            return usageError("usage: norix " + group + " cat FILE");
        return cat(args[1]);
    }
    const std::string twoWordName = group + " " + args[0];
    for (const auto& command : registeredCommands()) {
        if (command.name == twoWordName)
            return command.run(options, std::vector<std::string>(args.begin() + 1, args.end()));
    }
    return usageError("unknown command '" + twoWordName + "' (see norix --help)");
}

[[maybe_unused]] const bool chipRegistered = registerCommand(
    {"chip", "chip cat FILE             print a chip file as saving it would write it",
     [](const GlobalOptions& options, const std::vector<std::string>& args) {
         return runGroup("chip", catChip, options, args);
     }});
[[maybe_unused]] const bool fontRegistered = registerCommand(
    {"font", "font cat FILE             print a font file as saving it would write it",
     [](const GlobalOptions& options, const std::vector<std::string>& args) {
         return runGroup("font", catFont, options, args);
     }});
[[maybe_unused]] const bool imageRegistered = registerCommand(
    {"image", "image cat FILE            print an image file as saving it would write it",
     [](const GlobalOptions& options, const std::vector<std::string>& args) {
         return runGroup("image", catImage, options, args);
     }});

} // namespace
} // namespace norix::cli
