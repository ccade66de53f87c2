// The devices of a test inside the virtual machine, and waits for udev.
#include "UhidRig.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/linux/UdevHidDriver.h"
#include "sim/uhid/UhidDescriptors.h"

namespace zrflash::test {

using platform::linux_port::HidrawNode;

namespace {

constexpr int kPlugTimeoutMs = 10'000;

template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

UhidRig::UhidRig(std::shared_ptr<sim::SimInstrument> instrument)
    : instrument_(std::move(instrument)),
      instrumentDevice_(*instrument_, sim::uhid::SetupFor(*instrument_, sim::uhid::InstrumentReportDescriptor(),
                                                          "usb-0000:00:14.0-2/input0")),
      keyboardDevice_(keyboard_,
                      sim::uhid::SetupFor(keyboard_, sim::uhid::KeyboardReportDescriptor(), "usb-0000:00:14.0-1/input0")) {}

std::optional<HidrawNode> UhidRig::PlugInstrument() {
    return Plug(instrumentDevice_, instrument_->Identity().vendorId);
}

std::optional<HidrawNode> UhidRig::PlugKeyboard() { return Plug(keyboardDevice_, sim::SimKeyboard::kVendorId); }

std::optional<HidrawNode> UhidRig::Plug(sim::uhid::UhidDevice& device, std::uint16_t vendorId) {
    std::string error;
    if (!device.Plug(error)) {
        std::fprintf(stderr, "uhid: %s\n", error.c_str());
        return std::nullopt;
    }
    std::optional<HidrawNode> node;
    // Listed by udev and its node made: only then can a program open it.
    WaitFor([&] { return (node = FindNode(vendorId)) && ::access(node->devnode.c_str(), F_OK) == 0; },
            kPlugTimeoutMs);
    return node;
}

bool UhidRig::WaitGone(std::uint16_t vendorId, int timeoutMs) {
    return WaitFor([&] { return !FindNode(vendorId); }, timeoutMs);
}

std::optional<HidrawNode> FindNode(std::uint16_t vendorId) {
    platform::linux_port::UdevHidDriver driver;
    const auto nodes = driver.Enumerate();
    if (!nodes) return std::nullopt;
    for (const HidrawNode& node : *nodes) {
        if (node.vendorId == vendorId) return node;
    }
    return std::nullopt;
}

bool WaitReadable(int descriptor, int timeoutMs) {
    pollfd watched{descriptor, POLLIN, 0};
    return ::poll(&watched, 1, timeoutMs) == 1 && (watched.revents & POLLIN) != 0;
}

}  // namespace zrflash::test
