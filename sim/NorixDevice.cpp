#include "sim/NorixDevice.h"

#include "core/link/ProtocolCodes.h"
#include "sim/DeviceAnswer.h"

namespace norix::sim {

NorixDevice::NorixDevice(SimulatorConfig config)
    : config_(std::move(config)), chips_(memory_, config_), fonts_(memory_),
      images_(memory_, config_), settings_(memory_) {}

SerialPacket NorixDevice::answer(const SerialPacket& command) {
    switch (command.code) {
    case cmdSerialNumber:
        if (!command.payload.empty())
            return reply(command, respBadSize);
        return reply(command, respSerialNumber,
                     Bytes(config_.serialNumber.begin(), config_.serialNumber.end()));
    case cmdUploadModeQuery:
        if (!command.payload.empty())
            return reply(command, respBadSize);
        return reply(command, config_.uploadMode ? respUploadModeOn : respUploadModeOff);
    default:
        break;
    }
    if (auto answer = chips_.handle(command))
        return std::move(*answer);
    if (auto answer = fonts_.handle(command))
        return std::move(*answer);
    if (auto answer = images_.handle(command))
        return std::move(*answer);
    if (auto answer = settings_.handle(command))
        return std::move(*answer);
    return reply(command, respFail);
}

} // namespace norix::sim
