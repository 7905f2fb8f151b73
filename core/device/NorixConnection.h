#pragma once
// The Norix as the rest of the program talks to it: the link and the font,
// image and settings conversations on it, built and torn down together. The
// application shares one (shared()); the command-line tool and tests make their own.

#include "core/fonts/FontSlotConversation.h"
#include "core/images/ImageSlotConversation.h"
#include "core/link/SerialPortManager.h"
#include "core/loop/EventLoop.h"
#include "core/settings/SettingsConversation.h"

#include <memory>
#include <string>

namespace norix {

// The routing order of the conversations built here: a received packet is
// offered to the image routes (load, upload, list), then settings, then the
// font routes (delete, upload, list); the chip dispatcher (ChipSession) takes
// what is left at lastRoute. Each conversation names its own places.
static_assert(imageLoadRoute < imageUploadRoute && imageUploadRoute < imageListRoute &&
              imageListRoute < settingsRoute && settingsRoute < fontDeleteRoute &&
              fontDeleteRoute < fontUploadRoute && fontUploadRoute < fontListRoute &&
              fontListRoute < lastRoute);

class NorixConnection {
public:
    explicit NorixConnection(EventLoop& loop, std::string deviceDirectory = "/dev");
    NorixConnection(const NorixConnection&) = delete;
    NorixConnection& operator=(const NorixConnection&) = delete;

    // The application's instance. The application creates it on its loop at
    // start-up with installShared() and, because the instance arms timers on
    // that loop, destroys it with installShared(nullptr) before the loop goes
    // away. Calling shared() before installShared() is a programming error and aborts.
    static NorixConnection& shared();
    static bool hasShared();
    static void installShared(std::unique_ptr<NorixConnection> connection);

    SerialPortManager& link() { return link_; }
    FontSlotConversation& fonts() { return fonts_; }
    ImageSlotConversation& images() { return images_; }
    SettingsConversation& settings() { return settings_; }

private:
    // Declared first so that it outlives the conversations registered on it.
    SerialPortManager link_;
    // In this order, so that a connect asks for the fonts, then the images, then the settings.
    FontSlotConversation fonts_;
    ImageSlotConversation images_;
    SettingsConversation settings_;
};

} // namespace norix
