#pragma once
// The link's conversations about the Norix's six font slots: the cached list
// of what each slot holds (read slot by slot), the two-phase upload of a font
// (128-byte metadata block, then the packed glyph columns, 48 bytes a chunk)
// and the delete of a slot. Windows observe it; the link routes packets to it.

#include "core/fonts/NorixFontSlot.h"
#include "core/link/ChunkedUpload.h"
#include "core/link/ResponseTimeout.h"
#include "core/link/RouteOrder.h"
#include "core/link/SerialPacket.h"
#include "core/util/Signal.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norix {

class SerialPortManager;

// Where font answers sit in the routing order (the whole order: NorixConnection.h).
inline constexpr RouteOrder fontDeleteRoute = 30;
inline constexpr RouteOrder fontUploadRoute = 31;
inline constexpr RouteOrder fontListRoute = 32;

// The 128-byte block that opens an upload; nothing when a value does not fit its field.
std::optional<Bytes> makeFontMetadata(const std::string& name, std::int64_t width,
                                      std::int64_t height, std::int64_t glyphCount,
                                      std::uint64_t dataSize);

class FontSlotConversation {
public:
    // Registers at the link's font routes and lifecycle hooks.
    explicit FontSlotConversation(SerialPortManager& link);
    FontSlotConversation(const FontSlotConversation&) = delete;
    FontSlotConversation& operator=(const FontSlotConversation&) = delete;

    const std::vector<NorixFontSlot>& norixFontSlots() const { return norixFontSlots_; }
    // Some slot asked for has not been reported yet. Not a busy flag: nothing
    // waits for it and an unanswered query blocks nothing.
    bool isLoadingFontList() const;
    bool isUploadingFont() const { return upload_.isUploading(); }
    const std::string& fontUploadStatus() const { return upload_.status(); }
    const std::optional<std::string>& fontUploadError() const { return upload_.error(); }
    ChunkedUploadStep fontUploadStep() const { return upload_.step(); }
    const ChunkedUpload& fontUpload() const { return upload_; }
    // Bytes of metadata and glyph data accepted so far, and their total, for a progress bar.
    std::size_t fontUploadDoneBytes() const { return upload_.doneBytes(); }
    std::size_t fontUploadTotalBytes() const { return upload_.totalBytes(); }
    bool isDeletingFont() const { return isDeletingFont_; }
    const std::string& fontDeleteStatus() const { return fontDeleteStatus_; }
    const std::optional<std::string>& fontDeleteError() const { return fontDeleteError_; }
    Signal<> changed;

    void requestFontList();
    void requestFontMetadata(std::int64_t slot);
    void uploadFont(const std::string& name, std::int64_t width, std::int64_t height,
                    const std::vector<std::uint64_t>& columns, std::int64_t slot);
    void deleteFont(std::int64_t slot);
    void clearCachedNorixFonts();

    bool handleFontPacket(const SerialPacket& packet);
    bool handleFontUploadPacket(const SerialPacket& packet);
    bool handleFontDeletePacket(const SerialPacket& packet);

private:
    void setSlot(std::size_t slot, NorixFontSlot record);
    void uploadFailed(const std::string& message, bool timedOut);
    void clearDeleteState();
    void resetForDisconnect();

    SerialPortManager& link_;
    std::vector<NorixFontSlot> norixFontSlots_ = NorixFontSlot::emptySlots();
    std::array<bool, norixFontSlotCount> awaitingFontSlot_{};

    std::int64_t pendingFontSlot_ = 0;
    ChunkedUpload upload_;

    bool isDeletingFont_ = false;
    std::string fontDeleteStatus_;
    std::optional<std::string> fontDeleteError_;
    std::optional<std::uint8_t> pendingFontDeleteSequence_;
    std::optional<std::int64_t> pendingFontDeleteSlot_;
    ResponseTimeout fontDeleteTimeout_;
};

} // namespace norix
