// The devices of a test inside the virtual machine: the simulated instrument and a keyboard made
// real kernel HID devices through /dev/uhid, and waits for udev to show their hidraw nodes.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/linux/LinuxHidDriver.h"
#include "sim/SimInstrument.h"
#include "sim/SimKeyboard.h"
#include "sim/uhid/UhidDevice.h"

namespace zrflash::test {

class UhidRig {
public:
    explicit UhidRig(std::shared_ptr<sim::SimInstrument> instrument);

    // Plugs the device in and waits until udev lists its hidraw node; its node, or nullopt.
    std::optional<platform::linux_port::HidrawNode> PlugInstrument();
    std::optional<platform::linux_port::HidrawNode> PlugKeyboard();
    // Waits until udev no longer lists the device: true when it went within the time.
    bool WaitGone(std::uint16_t vendorId, int timeoutMs = 5000);

    sim::SimInstrument& Instrument() { return *instrument_; }
    sim::uhid::UhidDevice& InstrumentDevice() { return instrumentDevice_; }
    sim::uhid::UhidDevice& KeyboardDevice() { return keyboardDevice_; }

private:
    std::optional<platform::linux_port::HidrawNode> Plug(sim::uhid::UhidDevice& device, std::uint16_t vendorId);

    std::shared_ptr<sim::SimInstrument> instrument_;
    sim::SimKeyboard keyboard_;
    sim::uhid::UhidDevice instrumentDevice_;
    sim::uhid::UhidDevice keyboardDevice_;
};

// A node of the given vendor from udev's present list, when there is one.
std::optional<platform::linux_port::HidrawNode> FindNode(std::uint16_t vendorId);
// Waits up to timeoutMs for the descriptor to become readable.
bool WaitReadable(int descriptor, int timeoutMs);

}  // namespace zrflash::test
