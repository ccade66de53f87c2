// The operating-system calls of the hidraw port, behind one interface so tests can stand in a
// fake device tree: udev enumeration and monitoring, open/close, the hidraw ioctls, read and write.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zrflash::platform::linux_port {

// One hidraw interface as udev describes it.
struct HidrawNode {
    std::string syspath;     // /sys/devices/.../0003:FF4D:F542.0007/hidraw/hidraw3
    std::string devnode;     // /dev/hidraw3
    std::uint32_t bus = 0;   // BUS_USB (3), BUS_BLUETOOTH (5), ... from the HID parent's HID_ID
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string name;        // HID_NAME: the device's manufacturer and product strings
    std::string physical;    // HID_PHYS: where it is attached
    std::string unique;      // HID_UNIQ: the serial number, often empty
    std::string driver;      // the HID parent's driver, e.g. hid-generic
    std::string manufacturer;  // the USB device's strings, when it is a USB device
    std::string product;
    std::string serial;
    std::uint16_t versionNumber = 0;  // the USB device's bcdDevice
};

// HIDIOCGRAWINFO; the kernel's vendor and product fields are signed 16-bit.
struct HidrawInfo {
    std::uint32_t bus = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

enum class HidrawOpenMode { ReadWrite, ReadOnly };

// Results below are byte counts or 0 for success, and -errno on failure.
class LinuxHidDriver {
public:
    virtual ~LinuxHidDriver() = default;

    // udev could be reached at all.
    virtual bool Available() = 0;
    // The present hidraw interfaces; nullopt when udev cannot list them.
    virtual std::optional<std::vector<HidrawNode>> Enumerate() = 0;

    virtual int Open(const std::string& devnode, HidrawOpenMode mode) = 0;  // a descriptor, or -errno
    virtual void Close(int descriptor) = 0;
    virtual int GetInfo(int descriptor, HidrawInfo& info) = 0;
    virtual int GetReportDescriptor(int descriptor, std::vector<std::uint8_t>& bytes) = 0;
    virtual int SetFeature(int descriptor, std::span<const std::uint8_t> report) = 0;
    virtual int GetFeature(int descriptor, std::span<std::uint8_t> report) = 0;
    virtual int GetInput(int descriptor, std::span<std::uint8_t> report) = 0;
    virtual int SetOutput(int descriptor, std::span<const std::uint8_t> report) = 0;
    // Waits up to timeoutMs (negative: for good) for an input report; -ETIMEDOUT when none came.
    virtual int Read(int descriptor, std::span<std::uint8_t> buffer, int timeoutMs) = 0;
    virtual int Write(int descriptor, std::span<const std::uint8_t> buffer) = 0;

    // The hot-plug monitor: a descriptor that becomes readable when hidraw nodes come or go.
    virtual int OpenMonitor() = 0;  // -errno on failure
    // Takes every pending event; true when any of them concerned a hidraw node.
    virtual bool DrainMonitor() = 0;
    virtual void CloseMonitor() = 0;
};

}  // namespace zrflash::platform::linux_port
