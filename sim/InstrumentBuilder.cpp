// Scripts a simulated instrument: model, memory cells, identification, battery, flash, faults.
#include "sim/InstrumentBuilder.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace zrflash::sim {
namespace {

constexpr std::uint16_t kVersionAddress = 0x340;
constexpr std::size_t kVersionLength = 5;
constexpr std::uint16_t kFirmwareStateAddress = 0x3FF;
constexpr std::uint16_t kAutoSaveAddress = 0x3B3;
constexpr std::uint16_t kRcldSwapAddress = 0x3CD;
constexpr std::uint16_t kMenuSwapAddress = 0x3FE;
constexpr std::uint16_t kBatteryScaleAddress = 0x3D0;

// Identification bytes at every address the program reads, distinct so a misplaced one shows.
constexpr struct {
    std::uint8_t space;
    std::uint16_t address;
    std::uint8_t value;
} kDefaultIdentification[] = {
    {30, 0x1118, 0x5A},
    {29, 0x0093, 2},
    {24, 0x0800, 0x12}, {24, 0x0900, 0x34}, {24, 0x0A00, 0x56},
    {24, 0x0B00, 0x78}, {24, 0x0C00, 0x9A}, {24, 0x0D00, 0xBC},
    {24, 0x1000, 0x01}, {24, 0x1200, 0x23}, {24, 0x1300, 0x45},
    {24, 0x1400, 0x67}, {24, 0x1500, 0x89},
    {28, 0x0000, 0xAB}, {28, 0x0100, 0xCD}, {28, 0x0200, 0xEF},
    {28, 0x0400, 0x10}, {28, 0x0500, 0x32},
    {29, 0x01D0, 0x54},
};

}  // namespace

InstrumentBuilder::InstrumentBuilder() {
    // Settings that a backup can be checked against byte by byte: no two neighbours alike.
    for (std::size_t address = 0; address < state.memory.size(); ++address) {
        state.memory[address] = static_cast<std::uint8_t>(address * 29 + 7);
    }
    for (const auto& each : kDefaultIdentification) {
        state.identification[{each.space, each.address}] = each.value;
    }
    identity.vendorId = kInstrumentVendorId;
    identity.versionNumber = 0x0100;
    identity.featureReportLength = 19;
    identity.manufacturer = u"ZR";
    Model12();
    FirmwareState(1);
    Option(InstrumentOption::AutoSave, false);
    Option(InstrumentOption::RcldSwap, false);
    Option(InstrumentOption::MenuSwap, false);
    BatteryRaw(24000);
    BatteryScale(1.0f);
}

InstrumentBuilder& InstrumentBuilder::Model12(std::uint16_t productId) {
    state.modelCode = 12;
    state.commitModelByte = kModel12CommitByte;
    identity.productId = productId;
    identity.product = u"ZR-12";
    return DefaultVersion("C1.28");
}

InstrumentBuilder& InstrumentBuilder::Model14() {
    state.modelCode = 14;
    state.commitModelByte = kModel14CommitByte;
    identity.productId = kModel14ProductId;
    identity.product = u"ZR-14";
    return DefaultVersion("D1.13");
}

InstrumentBuilder& InstrumentBuilder::VendorId(std::uint16_t vendorId) {
    identity.vendorId = vendorId;
    return *this;
}

InstrumentBuilder& InstrumentBuilder::ProductId(std::uint16_t productId) {
    identity.productId = productId;
    return *this;
}

InstrumentBuilder& InstrumentBuilder::ReportLength(int length) {
    identity.featureReportLength = length;
    return *this;
}

InstrumentBuilder& InstrumentBuilder::Version(std::string_view text) {
    versionGiven = true;
    return WriteVersion(text);
}

InstrumentBuilder& InstrumentBuilder::DefaultVersion(std::string_view text) {
    return versionGiven ? *this : WriteVersion(text);
}

InstrumentBuilder& InstrumentBuilder::WriteVersion(std::string_view text) {
    for (std::size_t index = 0; index < kVersionLength; ++index) {
        state.memory[kVersionAddress + index] = index < text.size() ? static_cast<std::uint8_t>(text[index]) : 0;
    }
    return *this;
}

InstrumentBuilder& InstrumentBuilder::FirmwareState(std::uint8_t firmwareState) {
    return MemoryByte(kFirmwareStateAddress, firmwareState);
}

InstrumentBuilder& InstrumentBuilder::Option(InstrumentOption option, bool on) {
    switch (option) {
    case InstrumentOption::AutoSave:
        return MemoryByte(kAutoSaveAddress, on ? 1 : 0);
    case InstrumentOption::RcldSwap:
        MemoryByte(kRcldSwapAddress, on ? 4 : 1);
        return MemoryByte(kRcldSwapAddress + 1, on ? 1 : 4);
    case InstrumentOption::MenuSwap:
        return MemoryByte(kMenuSwapAddress, on ? 1 : 0);
    }
    return *this;
}

InstrumentBuilder& InstrumentBuilder::BatteryRaw(std::uint16_t raw) {
    state.batteryRaw = raw;
    return *this;
}

InstrumentBuilder& InstrumentBuilder::BatteryScale(float scale) { return Number(kBatteryScaleAddress, scale); }

InstrumentBuilder& InstrumentBuilder::Number(std::uint16_t address, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (unsigned index = 0; index < 4; ++index) {
        MemoryByte(static_cast<std::uint16_t>(address + index), static_cast<std::uint8_t>(bits >> (8 * index)));
    }
    return *this;
}

InstrumentBuilder& InstrumentBuilder::MemoryByte(std::uint16_t address, std::uint8_t value) {
    if (address < state.memory.size()) {
        state.memory[address] = value;
    }
    return *this;
}

InstrumentBuilder& InstrumentBuilder::Memory(std::span<const std::uint8_t> bytes) {
    std::copy_n(bytes.begin(), std::min(bytes.size(), state.memory.size()), state.memory.begin());
    return *this;
}

InstrumentBuilder& InstrumentBuilder::Ident(std::uint8_t space, std::uint16_t address, std::uint8_t value) {
    state.identification[{space, address}] = value;
    return *this;
}

InstrumentBuilder& InstrumentBuilder::Flash(std::span<const std::uint8_t> bytes) {
    std::copy_n(bytes.begin(), std::min(bytes.size(), state.flash.size()), state.flash.begin());
    return *this;
}

InstrumentBuilder& InstrumentBuilder::Faults(const InstrumentFaults& scripted) {
    faults = scripted;
    return *this;
}

InstrumentBuilder& InstrumentBuilder::LatencyMilliseconds(int milliseconds) {
    faults.Latency(milliseconds);
    return *this;
}

std::shared_ptr<SimInstrument> InstrumentBuilder::Build() const {
    auto instrument = std::make_shared<SimInstrument>(state, identity);
    instrument->Faults() = faults;
    return instrument;
}

}  // namespace zrflash::sim
