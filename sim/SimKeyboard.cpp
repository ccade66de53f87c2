// The keyboard's identity and reports.
#include "sim/SimKeyboard.h"

namespace zrflash::sim {

SimDeviceIdentity SimKeyboard::Identity() const {
    SimDeviceIdentity identity;
    identity.vendorId = kVendorId;
    identity.productId = kProductId;
    identity.versionNumber = 0x0110;
    identity.featureReportLength = 0;
    identity.inputReportLength = 9;
    identity.outputReportLength = 2;
    identity.manufacturer = u"Generic";
    identity.product = u"USB Keyboard";
    return identity;
}

BusInterfaceOptions SimKeyboard::BusOptions() {
    BusInterfaceOptions options;
    options.openMode = OpenMode::QueryOnly;
    options.className = u"Keyboard";
    return options;
}

std::array<std::uint8_t, 9> SimKeyboard::KeyReport(std::uint8_t usage) { return {0, 0, 0, usage, 0, 0, 0, 0, 0}; }

}  // namespace zrflash::sim
