// The protocol layer on the headless port: a device on the virtual bus checked out through the real
// controller, and a host that records log lines, message boxes and pauses in one timeline with
// the instrument's transfers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hid/THidDeviceController.h"
#include "platform/headless/HeadlessGui.h"
#include "platform/headless/HeadlessSystem.h"
#include "protocol/CommandChannel.h"
#include "protocol/MemoryAccess.h"
#include "protocol/ProtocolHost.h"
#include "sim/InstrumentBuilder.h"
#include "sim/SimHidSystem.h"
#include "sim/VirtualHidBus.h"

namespace zrflash::protocol::test {

// What the host saw, in order. The instrument's trace length at the time lets a timeline put the
// host's events between the transfers.
struct HostEvent {
    std::string text;  // "log <line>", "sleep <ms>", "box <text>|<caption>"
    std::size_t transfersBefore = 0;
};

class ProtocolBench : private ProtocolHost {
public:
    ProtocolBench();
    ~ProtocolBench() override;

    // Plugs a device in, lets the controller find it and checks it out as the active device.
    // False when it could not be checked out.
    bool Attach(std::shared_ptr<sim::SimDevice> device);
    // Builds an instrument and attaches it.
    std::shared_ptr<sim::SimInstrument> AttachInstrument(const sim::InstrumentBuilder& builder);
    // Drops the active device (as after a removal) or gives it back.
    void SetInstrumentPresent(bool present) { present_ = present; }

    std::vector<std::string> Log() const;
    // The pauses since the last Forget, in milliseconds.
    std::vector<int> Sleeps() const;
    std::size_t MessageBoxCount() const { return gui.MessageBoxes().size(); }
    const std::vector<HostEvent>& Events() const { return events_; }
    // The instrument's transfers ("set", "get", with "✗" when failed) merged with the host's events.
    std::vector<std::string> Timeline() const;
    // Forgets the host's events and the instrument's trace, so a test looks at one operation.
    void Forget();

    // Kept alive until the bus and the controller are gone.
    std::vector<std::shared_ptr<sim::SimDevice>> devices;
    platform::headless::VirtualClock clock;
    platform::headless::HeadlessMachine machine;
    platform::headless::HeadlessGui gui{clock};
    platform::headless::HeadlessSystem system{clock, machine};
    sim::VirtualHidBus bus;
    sim::SimHidSystem hidSystem{bus};
    std::unique_ptr<hid::THidDeviceController> controller;
    hid::THidDevice* device = nullptr;
    std::shared_ptr<sim::SimInstrument> instrument;
    CommandChannel channel{*this};
    MemoryAccess memory{channel};

private:
    hid::THidDevice* ActiveDevice() override { return present_ ? device : nullptr; }
    void Log(std::u16string_view line) override;
    void ShowMessageBox(std::u16string_view text, std::u16string_view caption) override;
    void Sleep(int milliseconds) override;
    std::size_t TransfersSoFar() const;

    bool present_ = true;
    std::vector<HostEvent> events_;
};

// The report sent by the n-th successful SetFeature of the trace (0-based), all 19 bytes.
std::vector<std::uint8_t> SentReport(const sim::SimInstrument& instrument, std::size_t index);
// The address (bytes 1 and 2) and command (byte 18) of every SetFeature in the trace.
struct SentCommand {
    std::uint16_t address = 0;
    std::uint8_t command = 0;
    bool operator==(const SentCommand&) const = default;
};
std::vector<SentCommand> SentCommands(const sim::SimInstrument& instrument);

}  // namespace zrflash::protocol::test
