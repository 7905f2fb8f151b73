// norix fonts, font upload FILE SLOT, font delete SLOT: the Norix's six font
// slots through the link's font conversation, with its own texts.

#include "cli/CliCommand.h"
#include "cli/ConversationOutput.h"
#include "cli/DeviceConnection.h"
#include "cli/SlotListings.h"
#include "core/fonts/FontFile.h"
#include "core/fonts/FontSlotConversation.h"

#include <iostream>

namespace norix::cli {
namespace {

// The connect asks for every slot; the listing waits for all six answers.
bool waitForFontList(DeviceConnection& device) {
    auto& fonts = device.norix().fonts();
    return device.runUntil([&] { return !fonts.isLoadingFontList(); });
}

int runFonts(const GlobalOptions& options, const std::vector<std::string>& args) {
    if (!args.empty())
        return usageError("fonts takes no arguments");
    DeviceConnection device(options);
    if (!device.open() || !waitForFontList(device))
        return exitFailure;
    printFontSlots(device.norix().fonts());
    return exitSuccess;
}

int runFontUpload(const GlobalOptions& options, const std::vector<std::string>& args) {
    if (args.size() != 2)
        return usageError("usage: norix font upload FILE SLOT");
    const auto slot = parseSlotArgument(args[1]);
    if (!slot)
        return usageError("the font slot must be a number");
    const auto font = FontFile::load(args[0]);
    if (!font) {
        std::cerr << font.error().message() << "\n";
        return exitFailure;
    }
    DeviceConnection device(options);
    if (!device.open())
        return exitFailure;
    auto& fonts = device.norix().fonts();
    ConversationOutput output(fonts.changed, device);
    output.status([&] { return fonts.fontUploadStatus(); });
    output.error([&] { return fonts.fontUploadError(); });
    output.progress("Uploading font", [&] {
        return std::pair{fonts.fontUploadDoneBytes(), fonts.fontUploadTotalBytes()};
    });
    fonts.uploadFont(font->name, font->width(), font->height(), font->columns, *slot);
    if (!fonts.isUploadingFont())
        return exitFailure; // refused; the error is printed
    if (!device.runUntil([&] { return !fonts.isUploadingFont(); }))
        return exitFailure;
    return fonts.fontUploadError() ? exitFailure : exitSuccess;
}

int runFontDelete(const GlobalOptions& options, const std::vector<std::string>& args) {
    if (args.size() != 1)
        return usageError("usage: norix font delete SLOT");
    const auto slot = parseSlotArgument(args[0]);
    if (!slot)
        return usageError("the font slot must be a number");
    DeviceConnection device(options);
    // Only a slot known to hold a font can be deleted: read the list first.
    if (!device.open() || !waitForFontList(device))
        return exitFailure;
    auto& fonts = device.norix().fonts();
    ConversationOutput output(fonts.changed, device);
    output.status([&] { return fonts.fontDeleteStatus(); });
    output.error([&] { return fonts.fontDeleteError(); });
    fonts.deleteFont(*slot);
    if (!fonts.isDeletingFont())
        return exitFailure;
    if (!device.runUntil([&] { return !fonts.isDeletingFont(); }))
        return exitFailure;
    return fonts.fontDeleteError() ? exitFailure : exitSuccess;
}

[[maybe_unused]] const bool registered =
    registerCommand({"fonts", "fonts                     list the six font slots", runFonts}) &&
    registerCommand({"font upload",
                     "font upload FILE SLOT     upload a font file into a font slot (0 to 5)",
                     runFontUpload}) &&
    registerCommand(
        {"font delete", "font delete SLOT          delete the font in a slot", runFontDelete});

} // namespace
} // namespace norix::cli
