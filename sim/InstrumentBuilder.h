// Scripts a simulated instrument: model, memory cells, identification, battery, flash, faults.
#pragma once

#include "sim/InstrumentFaults.h"
#include "sim/InstrumentState.h"
#include "sim/SimInstrument.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace zrflash::sim {

enum class InstrumentOption {
    AutoSave,   // 0x3B3: 1 on, 0 off
    RcldSwap,   // 0x3CD/0x3CE: 4, 1 swapped; 1, 4 normal
    MenuSwap,   // 0x3FE: 1 on, 0 off
};

inline constexpr std::uint16_t kInstrumentVendorId = 0xFF4D;
inline constexpr std::uint16_t kModel12ProductId = 0xF542;
inline constexpr std::uint16_t kModel12OtherProductId = 0xF541;
inline constexpr std::uint16_t kModel14ProductId = 0xF538;

// Starts as a model 12 (product 0xF542) with report length 19, version "C1.28", firmware state 1,
// all options off, battery raw 24000 with scale 1.0 (1.5 V), a fixed pattern in the rest of the
// settings memory, the identification bytes the program reads, and erased flash. Calls apply in
// order; a later one overrides an earlier one for the same cells. Build may be called again for
// further identical instruments.
class InstrumentBuilder {
public:
    InstrumentBuilder();

    InstrumentBuilder& Model12(std::uint16_t productId = kModel12ProductId);
    // Model 12 sets version "C1.28", model 14 "D1.13", unless Version has been given.
    InstrumentBuilder& Model14();
    InstrumentBuilder& VendorId(std::uint16_t vendorId);
    InstrumentBuilder& ProductId(std::uint16_t productId);
    InstrumentBuilder& ReportLength(int length);
    // Up to five characters at 0x340..0x344; missing ones are written as 0.
    InstrumentBuilder& Version(std::string_view text);
    InstrumentBuilder& FirmwareState(std::uint8_t state);
    InstrumentBuilder& Option(InstrumentOption option, bool on);
    InstrumentBuilder& BatteryRaw(std::uint16_t raw);
    InstrumentBuilder& BatteryScale(float scale);
    // A 4-byte instrument number at address..address+3 (binary32 bits, lowest byte first).
    InstrumentBuilder& Number(std::uint16_t address, float value);
    InstrumentBuilder& MemoryByte(std::uint16_t address, std::uint8_t value);
    // Bytes from address 0 on; those past the settings memory are dropped.
    InstrumentBuilder& Memory(std::span<const std::uint8_t> bytes);
    InstrumentBuilder& Ident(std::uint8_t space, std::uint16_t address, std::uint8_t value);
    // Bytes from flash address 0 on; those past the flash are dropped.
    InstrumentBuilder& Flash(std::span<const std::uint8_t> bytes);
    InstrumentBuilder& Faults(const InstrumentFaults& faults);
    InstrumentBuilder& LatencyMilliseconds(int milliseconds);

    std::shared_ptr<SimInstrument> Build() const;

private:
    // The model's own version text, unless Version has been given.
    InstrumentBuilder& DefaultVersion(std::string_view text);
    InstrumentBuilder& WriteVersion(std::string_view text);

    InstrumentState state;
    SimDeviceIdentity identity;
    InstrumentFaults faults;
    bool versionGiven = false;
};

}  // namespace zrflash::sim
