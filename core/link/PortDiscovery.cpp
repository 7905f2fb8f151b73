#include "core/link/PortDiscovery.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>

namespace norix {
namespace {

// Lower case; the tty.* dial-in twins of the cu.* nodes are deliberately absent.
constexpr std::array<std::string_view, 6> portPrefixes{
    "cu.usbmodem", "cu.usbserial", "cu.wchusbserial", "cu.slab_usb", "ttyacm", "ttyusb",
};

bool startsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size())
        return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        const auto lower = std::tolower(static_cast<unsigned char>(text[i]));
        if (lower != static_cast<unsigned char>(lowerPrefix[i]))
            return false;
    }
    return true;
}

} // namespace

bool isSerialPortName(std::string_view fileName) {
    return std::any_of(portPrefixes.begin(), portPrefixes.end(), [&](std::string_view prefix) {
        return startsWithIgnoringCase(fileName, prefix);
    });
}

PortListing listSerialPorts(const std::string& directory) {
    PortListing listing;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), &::closedir);
    if (!dir) {
        listing.error = std::string("Unable to list serial ports: ") + std::strerror(errno);
        return listing;
    }
    const std::string base = directory.ends_with('/') ? directory : directory + "/";
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (isSerialPortName(entry->d_name))
            listing.ports.push_back(base + entry->d_name);
        errno = 0;
    }
    if (errno != 0) {
        listing.ports.clear();
        listing.error = std::string("Unable to list serial ports: ") + std::strerror(errno);
        return listing;
    }
    std::sort(listing.ports.begin(), listing.ports.end());
    return listing;
}

} // namespace norix
