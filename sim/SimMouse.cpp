// The mouse's identity and reports.
#include "sim/SimMouse.h"

namespace zrflash::sim {

SimDeviceIdentity SimMouse::Identity() const {
    SimDeviceIdentity identity;
    identity.vendorId = kVendorId;
    identity.productId = kProductId;
    identity.versionNumber = 0x0100;
    identity.featureReportLength = 0;
    identity.inputReportLength = 5;
    identity.manufacturer = u"Generic";
    identity.product = u"USB Optical Mouse";
    return identity;
}

BusInterfaceOptions SimMouse::BusOptions() {
    BusInterfaceOptions options;
    options.openMode = OpenMode::QueryOnly;
    options.className = u"Mouse";
    return options;
}

std::array<std::uint8_t, 5> SimMouse::MoveReport(std::int8_t x, std::int8_t y, std::uint8_t buttons) {
    return {0, buttons, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 0};
}

}  // namespace zrflash::sim
