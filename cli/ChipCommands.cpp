// norix info, chips, send, store, pull, backup, delete: the main window's chip
// conversations from a shell, driven through ChipSession exactly as the app
// drives them. Every terminal line is printed as it is written; in quiet mode
// only results are printed, and the line that explains a failure goes to
// standard error.

#include "cli/ChipCommand.h"
#include "cli/CliCommand.h"
#include "cli/SlotListings.h"
#include "core/chips/ChipFileCodec.h"
#include "core/chips/ChipFileName.h"
#include "core/chips/ChipSession.h"
#include "core/fonts/FontSlotConversation.h"
#include "core/images/ImageSlotConversation.h"
#include "core/settings/SettingsConversation.h"

#include <iostream>
#include <memory>
#include <optional>
#include <set>

namespace norix::cli {
namespace {

namespace fs = std::filesystem;

std::optional<std::size_t> parseIndex(const std::string& text) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long value = std::stoul(text);
    if (value > 65535)
        return std::nullopt;
    return static_cast<std::size_t>(value);
}

bool uploadModeCheckSettled(ChipSession& session) {
    return !session.pendingUploadModeSequence().has_value();
}

// ---- send, store -----------------------------------------------------------

bool uploadChip(ChipCommand& command) {
    ChipSession& session = command.session();
    std::optional<bool> uploaded;
    auto completed = session.upload().uploadCompleted.connect([&] { uploaded = true; });
    auto failed = session.upload().uploadFailed.connect([&] { uploaded = false; });
    command.showProgress("Sending", [&command] { return command.uploadProgress(); });
    session.sendToNorixPressed();
    const bool settled = command.wait([&] {
        return uploaded.has_value() || (uploadModeCheckSettled(session) && !session.isUploading());
    });
    command.hideProgress();
    return settled && uploaded.value_or(false);
}

bool storeChip(ChipCommand& command) {
    ChipSession& session = command.session();
    std::optional<bool> stored;
    auto done = session.upload().chipStored.connect([&] { stored = true; });
    auto failed = session.upload().uploadFailed.connect([&] { stored = false; });
    session.saveToNorixPressed();
    const bool settled = command.wait([&] {
        return stored.has_value() || command.storeRetryAsked() ||
               (uploadModeCheckSettled(session) && !session.upload().isStoring());
    });
    return settled && stored.value_or(false);
}

bool loadChipFile(ChipCommand& command, const std::string& file) {
    auto document = ChipFileCodec::load(file);
    if (!document) {
        std::cerr << document.error().message() << "\n";
        return false;
    }
    command.session().editor().applyChipDocument(*document);
    return true;
}

int runSend(const GlobalOptions& options, const std::vector<std::string>& args) {
    std::vector<std::string> files;
    bool store = false;
    for (const auto& arg : args) {
        if (arg == "--store")
            store = true;
        else if (arg.starts_with("-") && arg != "-")
            return usageError("unknown option " + arg + " for send");
        else
            files.push_back(arg);
    }
    if (files.size() != 1)
        return usageError("usage: norix send FILE.chip [--store]");
    ChipCommand command(options);
    if (!command.open() || !loadChipFile(command, files.front()))
        return exitFailure;
    if (!uploadChip(command) || (store && !storeChip(command)))
        return command.fail();
    return exitSuccess;
}

int runStore(const GlobalOptions& options, const std::vector<std::string>& args) {
    if (args.empty())
        return usageError("usage: norix store FILE.chip...");
    for (const auto& arg : args)
        if (arg.starts_with("-"))
            return usageError("unknown option " + arg + " for store");
    ChipCommand command(options);
    if (!command.open())
        return exitFailure;
    ChipSession& session = command.session();
    std::vector<fs::path> files(args.begin(), args.end());
    session.editor().addChipFiles(files);
    std::optional<bool> finished;
    auto ended = session.batch().ended.connect([&](bool ok) { finished = ok; });
    command.showProgress("Storing", [&session, &command] {
        const auto& batch = session.batch();
        const std::size_t chips = batch.batchDocuments().size();
        const auto [done, total] = command.uploadProgress();
        const std::size_t permille = total == 0 ? 0 : done * 1000 / total;
        return std::pair(batch.batchIndex() * 1000 + permille, chips * 1000);
    });
    session.batchSaveToNorixPressed();
    const bool settled = command.wait([&] {
        return finished.has_value() || command.storeRetryAsked() ||
               (uploadModeCheckSettled(session) && !session.isBatchSaving());
    });
    command.hideProgress();
    const auto& batch = session.batch();
    if (!settled || !finished.value_or(false) || !batch.failedChips().empty() ||
        !batch.unreadableFiles().empty())
        return command.fail();
    return exitSuccess;
}

// ---- chips, pull, backup ---------------------------------------------------

void printChipList(ChipSession& session) {
    const auto& chips = session.norixChipList().norixChips();
    for (std::size_t i = 0; i < chips.size(); ++i)
        std::cout << i << ": " << chips[i] << "\n";
}

int runChips(const GlobalOptions& options, const std::vector<std::string>& args) {
    if (!args.empty())
        return usageError("chips takes no arguments");
    ChipCommand command(options);
    if (!command.open())
        return exitFailure;
    if (!command.loadChipList())
        return command.fail();
    printChipList(command.session());
    return exitSuccess;
}

// Loads chip `index` and writes it to `path`; prints "Saved {path}.".
bool pullChipTo(ChipCommand& command, std::size_t index, const fs::path& path) {
    if (!command.loadChip(index))
        return false;
    const ChipDocument document = command.session().editor().currentChipDocument();
    if (auto error = ChipFileCodec::save(document, path)) {
        std::cerr << "Save failed: " << error->message() << "\n";
        return false;
    }
    std::cout << "Saved " << path.string() << "." << std::endl;
    if (const auto line = ChipFileCodec::firstBracketedCodeLine(document.code))
        std::cerr << path.string() << ": " << ChipFileCodec::bracketedCodeLineWarning(*line)
                  << "\n";
    return true;
}

bool checkIndex(ChipCommand& command, std::size_t index) {
    const std::size_t count = command.session().norixChipList().norixChips().size();
    if (index < count)
        return true;
    std::cerr << "norix: there is no stored chip " << index << " (the Norix holds " << count
              << (count == 1 ? " chip" : " chips") << ")\n";
    return false;
}

int runPull(const GlobalOptions& options, const std::vector<std::string>& args) {
    std::optional<std::string> output;
    std::optional<std::size_t> index;
    bool force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            if (i + 1 >= args.size())
                return usageError("-o needs a file name");
            output = args[++i];
        } else if (args[i] == "--force") {
            force = true;
        } else if (!index && (index = parseIndex(args[i]))) {
        } else {
            return usageError("usage: norix pull INDEX [-o FILE] [--force]");
        }
    }
    if (!index)
        return usageError("usage: norix pull INDEX [-o FILE] [--force]");
    ChipCommand command(options);
    if (!command.open())
        return exitFailure;
    if (!command.loadChipList())
        return command.fail();
    if (!checkIndex(command, *index))
        return exitFailure;
    fs::path path;
    if (output) {
        path = *output;
    } else {
        // The name comes from the device: it only ever names a new file here.
        std::set<std::string> taken;
        const std::string& name = command.session().norixChipList().norixChips()[*index];
        path = chipFilePathIn(fs::path(), name, taken, true);
        if (!force && fs::exists(path)) {
            std::cerr << "norix: " << path.string()
                      << " already exists (name another file with -o, or add --force)\n";
            return exitFailure;
        }
    }
    return pullChipTo(command, *index, path) ? exitSuccess : command.fail();
}

int runBackup(const GlobalOptions& options, const std::vector<std::string>& args) {
    std::optional<fs::path> folder;
    bool force = false;
    for (const auto& arg : args) {
        if (arg == "--force")
            force = true;
        else if (!folder && !arg.starts_with("-"))
            folder = arg;
        else
            return usageError("usage: norix backup DIR [--force]");
    }
    if (!folder)
        return usageError("usage: norix backup DIR [--force]");
    std::error_code error;
    fs::create_directories(*folder, error);
    if (error || !fs::is_directory(*folder)) {
        std::cerr << "norix: cannot use " << folder->string() << " as the backup folder"
                  << (error ? ": " + error.message() : std::string()) << "\n";
        return exitFailure;
    }
    ChipCommand command(options);
    if (!command.open())
        return exitFailure;
    if (!command.loadChipList())
        return command.fail();
    // Copied: every load rewrites nothing in the list, but keep the names of this backup fixed.
    const std::vector<std::string> names = command.session().norixChipList().norixChips();
    std::set<std::string> taken;
    for (std::size_t index = 0; index < names.size(); ++index) {
        const fs::path path = chipFilePathIn(*folder, names[index], taken, force);
        if (!pullChipTo(command, index, path)) {
            // The chips already written stay: each file is complete.
            const int status = command.fail();
            command.device().reportError(
                "norix: backup stopped at stored chip " + std::to_string(index) + " (" +
                names[index] + "); " + std::to_string(index) + " of " +
                std::to_string(names.size()) + " chips saved in " + folder->string());
            return status;
        }
    }
    return exitSuccess;
}

// ---- delete ----------------------------------------------------------------

int runDelete(const GlobalOptions& options, const std::vector<std::string>& args) {
    bool all = false;
    bool yes = false;
    std::optional<std::size_t> index;
    for (const auto& arg : args) {
        if (arg == "--all")
            all = true;
        else if (arg == "--yes")
            yes = true;
        else if (!index && (index = parseIndex(arg))) {
        } else
            return usageError("usage: norix delete INDEX | delete --all --yes");
    }
    if (all == index.has_value())
        return usageError("usage: norix delete INDEX | delete --all --yes");
    if (all && !yes)
        return usageError("delete --all erases every stored chip; add --yes to confirm");

    ChipCommand command(options);
    if (!command.open())
        return exitFailure;
    ChipSession& session = command.session();
    std::optional<bool> deleted;
    auto finished = session.norixChipList().deleteFinished.connect([&](bool ok) { deleted = ok; });
    if (all) {
        session.checkUploadMode(UploadModeAction::deleteAllChips);
        const bool settled = command.wait([&] {
            return deleted.has_value() ||
                   (uploadModeCheckSettled(session) &&
                    !session.norixChipList().pendingDeleteAllChipsSequence());
        });
        return settled && deleted.value_or(false) ? exitSuccess : command.fail();
    }
    if (!command.loadChipList())
        return command.fail();
    if (!checkIndex(command, *index))
        return exitFailure;
    session.setSelectedNorixChipIndex(*index);
    session.deleteSelectedChipFromNorix();
    if (!deleted && !session.norixChipList().pendingDeleteChipSequence())
        return command.fail();
    if (!command.wait([&] { return deleted.has_value(); }) || !*deleted)
        return command.fail();
    // The app reads the list again after a delete; wait for it so that it is complete.
    std::optional<bool> listed;
    auto relisted = session.norixChipList().listFinished.connect([&](bool ok) { listed = ok; });
    if (session.norixChipList().isLoadingChipList() &&
        !command.wait([&] { return listed.has_value(); }))
        return command.fail();
    return exitSuccess;
}

// ---- info ------------------------------------------------------------------

int runInfo(const GlobalOptions& options, const std::vector<std::string>& args) {
    if (!args.empty())
        return usageError("info takes no arguments");
    ChipCommand command(options);
    if (!command.open())
        return exitFailure;
    ChipSession& session = command.session();
    std::optional<bool> identified;
    std::optional<bool> listed;
    auto serial = session.serialNumberAnswered.connect([&](bool ok) { identified = ok; });
    auto list = session.norixChipList().listFinished.connect([&](bool ok) { listed = ok; });
    // As after the app's connect: the serial number, then the chip list 0.25 s later.
    session.requestNorixSerialNumber();
    // Any other answer to the request ends it without a serial number.
    if (!session.pendingSerialSequence() ||
        !command.wait([&] { return identified.has_value() || !session.pendingSerialSequence(); }))
        return command.fail();
    if (!identified) {
        command.device().reportError("norix: the Norix did not give its serial number");
        return exitFailure;
    }
    if (!*identified)
        return command.fail();
    if (!command.wait([&] { return listed.has_value(); }) || !*listed)
        return command.fail();

    NorixConnection& norix = command.device().norix();
    auto& fonts = norix.fonts();
    auto& images = norix.images();
    auto& settings = norix.settings();
    if (!command.wait([&] {
            return !fonts.isLoadingFontList() && !images.isLoadingImageList() &&
                   !settings.isUpdatingSettings();
        }))
        return exitFailure;

    std::cout << "Serial number: " << session.norixSerialNumber() << "\n";
    std::cout << "Chips:\n";
    printChipList(session);
    std::cout << "Font slots:\n";
    printFontSlots(fonts);
    std::cout << "Images:\n";
    printImageSlots(images);
    std::cout << "Settings:\n";
    printSettings(settings);
    if (images.imageListError())
        command.device().reportError(*images.imageListError());
    return exitSuccess;
}

[[maybe_unused]] const bool registered = [] {
    registerCommand({"info",
                     "info                      serial number, stored chips, font slots, images "
                     "and settings of the Norix",
                     runInfo});
    registerCommand(
        {"chips", "chips                     list the chips stored on the Norix", runChips});
    registerCommand({"send",
                     "send FILE.chip [--store]  upload a chip (and store it) after the "
                     "upload-mode check",
                     runSend});
    registerCommand(
        {"store", "store FILE.chip...        store the chip files in one batch", runStore});
    registerCommand({"pull",
                     "pull INDEX [-o FILE] [--force]  write stored chip INDEX as a chip file",
                     runPull});
    registerCommand({"backup",
                     "backup DIR [--force]      write every stored chip into DIR, one file each",
                     runBackup});
    registerCommand({"delete", "delete INDEX | --all --yes  delete one stored chip, or all of them",
                     runDelete});
    return true;
}();

} // namespace
} // namespace norix::cli
