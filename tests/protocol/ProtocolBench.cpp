// The protocol layer on the headless port with a device on the virtual bus, and a recording host.
#include "tests/protocol/ProtocolBench.h"

#include "sim/SimInstrument.h"
#include "tests/support/Utf.h"

namespace zrflash::protocol::test {

ProtocolBench::ProtocolBench()
    : bus([this](std::function<void()> work) { gui.Post(std::move(work)); },
          [this](int milliseconds) { clock.Advance(milliseconds); }) {}

// The controller goes first: it still holds handles on the bus.
ProtocolBench::~ProtocolBench() { controller.reset(); }

bool ProtocolBench::Attach(std::shared_ptr<sim::SimDevice> simDevice) {
    devices.push_back(simDevice);
    const auto identity = simDevice->Identity();
    bus.Plug(*simDevice);
    if (!controller) controller = std::make_unique<hid::THidDeviceController>(hidSystem);
    gui.RunFor(0);
    device = nullptr;
    return controller->CheckOutByID(device, identity.vendorId, identity.productId) && device != nullptr;
}

std::shared_ptr<sim::SimInstrument> ProtocolBench::AttachInstrument(const sim::InstrumentBuilder& builder) {
    instrument = builder.Build();
    if (!Attach(instrument)) return nullptr;
    return instrument;
}

std::size_t ProtocolBench::TransfersSoFar() const { return instrument ? instrument->Trace().size() : 0; }

void ProtocolBench::Log(std::u16string_view line) {
    events_.push_back({"log " + zrflash::test::ToUtf8(line), TransfersSoFar()});
}

void ProtocolBench::ShowMessageBox(std::u16string_view text, std::u16string_view caption) {
    events_.push_back({"box " + zrflash::test::ToUtf8(text) + "|" + zrflash::test::ToUtf8(caption), TransfersSoFar()});
    gui.ShowMessageBox(text, caption, platform::MessageBoxIcon::None);
}

void ProtocolBench::Sleep(int milliseconds) {
    events_.push_back({"sleep " + std::to_string(milliseconds), TransfersSoFar()});
    system.Sleep(milliseconds);
}

std::vector<std::string> ProtocolBench::Log() const {
    std::vector<std::string> lines;
    for (const auto& event : events_) {
        if (event.text.starts_with("log ")) lines.push_back(event.text.substr(4));
    }
    return lines;
}

std::vector<int> ProtocolBench::Sleeps() const {
    std::vector<int> sleeps;
    for (const auto& event : events_) {
        if (event.text.starts_with("sleep ")) sleeps.push_back(std::stoi(event.text.substr(6)));
    }
    return sleeps;
}

std::vector<std::string> ProtocolBench::Timeline() const {
    std::vector<std::string> timeline;
    auto event = events_.begin();
    const std::size_t transfers = TransfersSoFar();
    for (std::size_t index = 0; index <= transfers; ++index) {
        for (; event != events_.end() && event->transfersBefore == index; ++event) timeline.push_back(event->text);
        if (index == transfers) break;
        const auto& transfer = instrument->Trace()[index];
        std::string text = transfer.direction == sim::TransferDirection::SetFeature ? "set" : "get";
        if (!transfer.succeeded) text += "✗";
        timeline.push_back(text);
    }
    return timeline;
}

void ProtocolBench::Forget() {
    events_.clear();
    if (instrument) instrument->ClearTrace();
}

std::vector<std::uint8_t> SentReport(const sim::SimInstrument& instrument, std::size_t index) {
    for (const auto& transfer : instrument.Trace()) {
        if (transfer.direction != sim::TransferDirection::SetFeature || !transfer.succeeded) continue;
        if (index-- == 0) return transfer.bytes;
    }
    return {};
}

std::vector<SentCommand> SentCommands(const sim::SimInstrument& instrument) {
    std::vector<SentCommand> commands;
    for (const auto& transfer : instrument.Trace()) {
        if (transfer.direction != sim::TransferDirection::SetFeature || transfer.bytes.size() < 19) continue;
        commands.push_back({static_cast<std::uint16_t>(transfer.bytes[1] << 8 | transfer.bytes[2]), transfer.bytes[18]});
    }
    return commands;
}

}  // namespace zrflash::protocol::test
