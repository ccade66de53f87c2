// An open hidraw descriptor of the HID port: its access, its device and its one pending read.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "hid/HidSystem.h"
#include "platform/linux/LinuxHidDriver.h"

namespace zrflash::platform::linux_port {

// Shared between the handle table and a reader thread waiting on it, so the descriptor is
// closed only when neither uses it any more.
struct LinuxHidOpenHandle {
    LinuxHidOpenHandle(LinuxHidDriver& driver, int descriptor, hid::HidAccess access, std::string devnode)
        : driver(driver), descriptor(descriptor), access(access), devnode(std::move(devnode)) {}
    ~LinuxHidOpenHandle() { driver.Close(descriptor); }
    LinuxHidOpenHandle(const LinuxHidOpenHandle&) = delete;
    LinuxHidOpenHandle& operator=(const LinuxHidOpenHandle&) = delete;

    LinuxHidDriver& driver;
    const int descriptor;
    const hid::HidAccess access;
    const std::string devnode;

    std::mutex mutex;  // guards what follows
    // hidraw hands input reports of a device without report IDs over without the ID byte.
    std::optional<bool> usesReportIds;
    std::span<std::uint8_t> pendingBuffer;
    bool pending = false;
    std::uint32_t result = 0;
    bool gone = false;  // a read said the device is no longer there
};

}  // namespace zrflash::platform::linux_port
