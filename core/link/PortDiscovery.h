#pragma once
// Finds the device nodes a Norix may appear as: the call-out nodes of USB
// serial adapters (cu.usbmodem…, cu.usbserial…, cu.wchusbserial…, cu.slab_usb…)
// and the Linux names ttyACM… and ttyUSB…, whatever their letter case.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norix {

// Whether a file name (not a path) is a candidate serial port.
bool isSerialPortName(std::string_view fileName);

struct PortListing {
    std::vector<std::string> ports;   // full paths, sorted ascending
    std::optional<std::string> error; // "Unable to list serial ports: {reason}"; ports empty then
};

// Lists the directory (not recursively) for candidate ports.
PortListing listSerialPorts(const std::string& directory);

} // namespace norix
