// The hidraw port's operating-system calls: libudev for the device list and hot-plug, the
// hidraw character devices and their ioctls for everything else.
#pragma once

#include "platform/linux/LinuxHidDriver.h"

struct udev;
struct udev_monitor;

namespace zrflash::platform::linux_port {

class UdevHidDriver final : public LinuxHidDriver {
public:
    UdevHidDriver();
    ~UdevHidDriver() override;
    UdevHidDriver(const UdevHidDriver&) = delete;
    UdevHidDriver& operator=(const UdevHidDriver&) = delete;

    bool Available() override { return udev_ != nullptr; }
    std::optional<std::vector<HidrawNode>> Enumerate() override;
    int Open(const std::string& devnode, HidrawOpenMode mode) override;
    void Close(int descriptor) override;
    int GetInfo(int descriptor, HidrawInfo& info) override;
    int GetReportDescriptor(int descriptor, std::vector<std::uint8_t>& bytes) override;
    int SetFeature(int descriptor, std::span<const std::uint8_t> report) override;
    int GetFeature(int descriptor, std::span<std::uint8_t> report) override;
    int GetInput(int descriptor, std::span<std::uint8_t> report) override;
    int SetOutput(int descriptor, std::span<const std::uint8_t> report) override;
    int Read(int descriptor, std::span<std::uint8_t> buffer, int timeoutMs) override;
    int Write(int descriptor, std::span<const std::uint8_t> buffer) override;
    int OpenMonitor() override;
    bool DrainMonitor() override;
    void CloseMonitor() override;

private:
    struct udev* udev_ = nullptr;
    struct udev_monitor* monitor_ = nullptr;
};

}  // namespace zrflash::platform::linux_port
