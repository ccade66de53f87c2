// A device on the virtual HID bus, seen from the bus: who it is and how it answers feature reports.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zrflash::sim {

struct SimDeviceIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t versionNumber = 0;
    // Report lengths as the device's capabilities give them, report-ID byte included.
    int featureReportLength = 0;
    int inputReportLength = 0;
    int outputReportLength = 0;
    std::u16string manufacturer;
    std::u16string product;
    std::u16string serialNumber;
};

class SimDevice;

// What a device may ask of the bus that carries it.
class SimDeviceHost {
public:
    virtual ~SimDeviceHost() = default;
    // Takes the device off the bus (raises the device-change notification like a real unplug).
    virtual void Unplug(SimDevice& device) = 0;
    // Lets time pass for a transfer that takes that long (virtual time in tests, real time in
    // end-to-end runs).
    virtual void Elapse(int milliseconds) = 0;
};

class SimDevice {
public:
    virtual ~SimDevice() = default;
    virtual SimDeviceIdentity Identity() const = 0;
    // The bus attaches the device when it is plugged in and detaches it (nullptr) when unplugged.
    virtual void AttachHost(SimDeviceHost* host) = 0;
    // A feature report sent to the device: report ID first, as many bytes as the caller passed
    // (never more than the caller's buffer). False: the transfer failed.
    virtual bool SetFeature(std::span<const std::uint8_t> report) = 0;
    // A feature report fetched from the device into report (report ID first); the device fills
    // at most report.size() bytes. False: the transfer failed.
    virtual bool GetFeature(std::span<std::uint8_t> report) = 0;
};

}  // namespace zrflash::sim
