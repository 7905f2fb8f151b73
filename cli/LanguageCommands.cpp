// norix compile | check | decompile: the test language toolchain from a shell,
// so that chip libraries can be checked in CI. A FILE ending in .chip is read
// as a chip file and brings its own pin count; anything else is plain test
// source, for a chip of 14 pins unless --pins says otherwise.

#include "cli/CliCommand.h"
#include "core/chips/ChipFileCodec.h"
#include "core/language/CodeCompiler.h"
#include "core/language/CodeValidator.h"
#include "core/language/LoadedCodeFormatter.h"
#include "core/language/SourceText.h"
#include "core/util/AtomicFile.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace norix::cli {
namespace {

constexpr int defaultSourcePinCount = 14;
constexpr std::int64_t largestPinCount = 255;

struct SourceFile {
    std::string code;
    int pinCount = defaultSourcePinCount;
};

void writeOut(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

bool isChipFile(std::string_view path) {
    constexpr std::string_view extension = ".chip";
    return path.size() > extension.size() &&
           asciiLowerCased(path.substr(path.size() - extension.size())) == extension;
}

int clampedPinCount(std::int64_t pins) {
    return static_cast<int>(std::clamp<std::int64_t>(pins, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// The program and pin count of FILE, or no value after printing why not.
std::optional<SourceFile> readSource(const std::string& path, int sourcePinCount) {
    if (isChipFile(path)) {
        auto document = ChipFileCodec::load(path);
        if (!document) {
            std::cerr << document.error().message() << "\n";
            return std::nullopt;
        }
        return SourceFile{std::move(document->code), clampedPinCount(document->pinCount)};
    }
    auto text = readWholeFile(path);
    if (!text) {
        std::cerr << path << ": " << text.error().message() << "\n";
        return std::nullopt;
    }
    return SourceFile{std::move(*text), sourcePinCount};
}

// Options and file operands of one command line; no value after a usage error
// has been printed.
struct ParsedArguments {
    int pinCount = defaultSourcePinCount;
    std::optional<std::string> output;
    std::vector<std::string> files;
};

std::optional<ParsedArguments> parseArguments(const std::vector<std::string>& args,
                                              bool allowOutput, int& usageStatus) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--pins" || (allowOutput && arg == "-o")) {
            if (i + 1 >= args.size()) {
                usageStatus = usageError("option " + arg + " needs a value");
                return std::nullopt;
            }
            const std::string& value = args[++i];
            if (arg == "-o") {
                parsed.output = value;
                continue;
            }
            const auto pins = parseInt64(value, 10);
            if (!pins || *pins < 1 || *pins > largestPinCount) {
                usageStatus = usageError("--pins needs a pin count from 1 through 255");
                return std::nullopt;
            }
            parsed.pinCount = static_cast<int>(*pins);
        } else if (arg.size() > 1 && arg[0] == '-') {
            usageStatus = usageError("unknown option " + arg);
            return std::nullopt;
        } else {
            parsed.files.push_back(arg);
        }
    }
    return parsed;
}

std::string imageListing(const Bytes& image) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string listing;
    listing.reserve(image.size() * 3);
    for (std::size_t i = 0; i < image.size(); ++i) {
        listing.push_back(digits[image[i] >> 4]);
        listing.push_back(digits[image[i] & 0xF]);
        listing.push_back((i + 1) % instructionSize == 0 || i + 1 == image.size() ? '\n' : ' ');
    }
    return listing;
}

int runCompile(const GlobalOptions&, const std::vector<std::string>& args) {
    int usageStatus = exitUsage;
    const auto parsed = parseArguments(args, true, usageStatus);
    if (!parsed)
        return usageStatus;
    if (parsed->files.size() != 1)
        return usageError("usage: norix compile [--pins N] [-o OUT] FILE");
    const auto source = readSource(parsed->files[0], parsed->pinCount);
    if (!source)
        return exitFailure;
    const auto image =
        compileChipCode(source->code, source->pinCount,
                        [](const std::string& entry) { std::cerr << entry << "\n"; });
    if (!image)
        return exitFailure;
    if (parsed->output) {
        const std::string_view raw(reinterpret_cast<const char*>(image->data()), image->size());
        if (const auto error = writeFileAtomically(*parsed->output, raw)) {
            std::cerr << *parsed->output << ": " << error->message() << "\n";
            return exitFailure;
        }
        return exitSuccess;
    }
    writeOut(imageListing(*image));
    return exitSuccess;
}

int runCheck(const GlobalOptions&, const std::vector<std::string>& args) {
    int usageStatus = exitUsage;
    const auto parsed = parseArguments(args, false, usageStatus);
    if (!parsed)
        return usageStatus;
    if (parsed->files.empty())
        return usageError("usage: norix check [--pins N] FILE...");
    bool allClean = true;
    const bool severalFiles = parsed->files.size() > 1;
    for (const std::string& path : parsed->files) {
        if (severalFiles)
            writeOut(path + ":\n");
        std::fflush(stdout);
        const auto source = readSource(path, parsed->pinCount);
        if (!source) {
            allClean = false;
            continue;
        }
        const bool clean = validateCode(source->code, source->pinCount,
                                        [](const std::string& entry) { writeOut(entry + "\n"); });
        allClean = allClean && clean;
    }
    return allClean ? exitSuccess : exitFailure;
}

int runDecompile(const GlobalOptions&, const std::vector<std::string>& args) {
    if (args.size() != 1 || (args[0].size() > 1 && args[0][0] == '-'))
        return usageError("usage: norix decompile FILE");
    const auto bytes = readWholeFile(args[0]);
    if (!bytes) {
        std::cerr << args[0] << ": " << bytes.error().message() << "\n";
        return exitFailure;
    }
    const std::span<const std::uint8_t> image(reinterpret_cast<const std::uint8_t*>(bytes->data()),
                                              bytes->size());
    const std::string text = formatLoadedNorixCode(image);
    if (!text.empty())
        writeOut(text + "\n");
    return exitSuccess;
}

[[maybe_unused]] const bool compileRegistered = registerCommand(
    {"compile",
     "compile [--pins N] [-o OUT] FILE  print the instruction image (raw to OUT with -o)",
     runCompile});
[[maybe_unused]] const bool checkRegistered = registerCommand(
    {"check", "check [--pins N] FILE...  list every error of the test programs", runCheck});
[[maybe_unused]] const bool decompileRegistered = registerCommand(
    {"decompile", "decompile FILE            print a stored instruction image as source text",
     runDecompile});

} // namespace
} // namespace norix::cli
