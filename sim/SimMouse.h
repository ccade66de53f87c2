// A plain USB mouse on the virtual bus: no feature reports, held by the system (query access).
#pragma once

#include <array>
#include <cstdint>

#include "sim/SimDevice.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::sim {

class SimMouse : public SimDevice {
public:
    static constexpr std::uint16_t kVendorId = 0x1C4F;
    static constexpr std::uint16_t kProductId = 0x0034;

    SimDeviceIdentity Identity() const override;
    void AttachHost(SimDeviceHost* host) override { FHost = host; }
    bool SetFeature(std::span<const std::uint8_t>) override { return false; }
    bool GetFeature(std::span<std::uint8_t>) override { return false; }

    static BusInterfaceOptions BusOptions();
    // A movement report: buttons, x and y (report ID 0 first).
    static std::array<std::uint8_t, 5> MoveReport(std::int8_t x, std::int8_t y, std::uint8_t buttons = 0);

private:
    SimDeviceHost* FHost = nullptr;
};

}  // namespace zrflash::sim
