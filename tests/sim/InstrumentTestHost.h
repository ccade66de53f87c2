// A bus stand-in for driving the simulated instrument directly with byte arrays.
#pragma once

#include "sim/SimInstrument.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>

namespace zrflash::sim::test {

class InstrumentTestHost final : public SimDeviceHost {
public:
    void Unplug(SimDevice& device) override {
        ++unplugs;
        unpluggedDevice = &device;
        // As the bus does: an unplugged device is detached.
        if (detachOnUnplug) {
            device.AttachHost(nullptr);
        }
    }
    void Elapse(int milliseconds) override { elapsed += milliseconds; }

    bool detachOnUnplug = true;
    int unplugs = 0;
    SimDevice* unpluggedDevice = nullptr;
    int elapsed = 0;
};

// A 19-byte request: report ID 0, operands from byte 1 on, command code in byte 18.
inline InstrumentReport Request(std::uint8_t command, std::initializer_list<std::uint8_t> operands = {}) {
    InstrumentReport request{};
    std::size_t index = 1;
    for (const std::uint8_t operand : operands) {
        request[index++] = operand;
    }
    request[kCommandByte] = command;
    return request;
}

// Sends the request and fetches one answer, as a transaction that finds the instrument ready does.
inline InstrumentReport Exchange(SimInstrument& instrument, const InstrumentReport& request) {
    InstrumentReport answer{};
    answer[kStatusByte] = 0xEE;
    if (!instrument.SetFeature(request) || !instrument.GetFeature(answer)) {
        answer.fill(0xEE);
    }
    return answer;
}

}  // namespace zrflash::sim::test
