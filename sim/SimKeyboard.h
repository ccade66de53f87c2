// A plain USB keyboard on the virtual bus: another HID device that comes and goes beside the
// instrument. It has no feature reports; the system holds it, so it opens for queries only.
#pragma once

#include <array>
#include <cstdint>

#include "sim/SimDevice.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::sim {

class SimKeyboard : public SimDevice {
public:
    static constexpr std::uint16_t kVendorId = 0x1C4F;
    static constexpr std::uint16_t kProductId = 0x0002;

    SimDeviceIdentity Identity() const override;
    void AttachHost(SimDeviceHost* host) override { FHost = host; }
    bool SetFeature(std::span<const std::uint8_t>) override { return false; }
    bool GetFeature(std::span<std::uint8_t>) override { return false; }

    // How the bus should carry it.
    static BusInterfaceOptions BusOptions();
    // The boot-protocol input report of one pressed key (report ID 0 first).
    static std::array<std::uint8_t, 9> KeyReport(std::uint8_t usage);

private:
    SimDeviceHost* FHost = nullptr;
};

}  // namespace zrflash::sim
