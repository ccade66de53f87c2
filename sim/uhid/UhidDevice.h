// One simulated device as a real kernel HID device: created and destroyed through /dev/uhid, its
// feature reports answered by the simulated device on a thread of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "sim/SimDevice.h"

struct uhid_event;

namespace zrflash::sim::uhid {

struct UhidDeviceSetup {
    std::string name;      // HID_NAME
    std::string physical;  // HID_PHYS
    std::string unique;    // HID_UNIQ
    std::uint32_t bus = 0x03;  // BUS_USB
    std::vector<std::uint8_t> descriptor;
};

// The setup of a simulated device: its identity's vendor, product and strings, bus USB.
UhidDeviceSetup SetupFor(const SimDevice& device, std::vector<std::uint8_t> descriptor, std::string physical);

class UhidDevice final : public SimDeviceHost {
public:
    UhidDevice(SimDevice& device, UhidDeviceSetup setup);
    ~UhidDevice() override;
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    // UHID_CREATE2: the kernel makes a HID device (and its hidraw node) of it. False with the
    // reason in error when /dev/uhid refused.
    bool Plug(std::string& error);
    // UHID_DESTROY: the device is gone; a transfer waiting for its answer fails.
    void Unplug();
    bool Plugged() const { return plugged_; }
    // Sends an input report as the device would (no report ID byte: the descriptor has none).
    bool SendInput(std::span<const std::uint8_t> report);
    // Held while the simulated device answers a transfer: take it before reading its state.
    std::mutex& DeviceMutex() { return deviceMutex_; }
    // Feature transfers the kernel asked of the device since it was created.
    int Transfers() const { return transfers_; }

    // SimDeviceHost: the device unplugs itself in the middle of a transfer, which is then never
    // answered; time passes in real time.
    void Unplug(SimDevice& device) override;
    void Elapse(int milliseconds) override;

private:
    void Serve();
    bool Answer(const ::uhid_event& request);
    bool WriteEvent(const ::uhid_event& event);
    void Destroy();
    void Join();

    SimDevice& device_;
    UhidDeviceSetup setup_;
    int descriptor_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
    std::mutex deviceMutex_;
    std::mutex writeMutex_;
    std::atomic<bool> plugged_ = false;
    std::atomic<int> transfers_ = 0;
    bool unplugRequested_ = false;  // by the device, inside an answer
};

}  // namespace zrflash::sim::uhid
