// Byte access to the instrument's settings memory and identification spaces, and its 4-byte numbers.
#include "protocol/MemoryAccess.h"

#include "protocol/NumberFormat.h"

namespace zrflash::protocol {
namespace {

constexpr int kWritePauseMs = 5;

}  // namespace

void MemoryAccess::SetAddress(std::uint16_t address) {
    channel_.OutReport[1] = static_cast<std::uint8_t>(address >> 8);
    channel_.OutReport[2] = static_cast<std::uint8_t>(address & 0xFF);
}

bool MemoryAccess::Read(std::uint8_t command, std::uint16_t address, std::uint8_t& value) {
    SetAddress(address);
    const CommandOutcome outcome = channel_.Transact(command, false);
    if (outcome == CommandOutcome::NoInstrument) return false;
    // The answer is fetched once more, into OutReport; if that fails too, byte 1 still holds the
    // address high byte, and that is what is delivered.
    channel_.FetchIntoOutReport();
    value = channel_.OutReport[1];
    return outcome == CommandOutcome::Done;
}

bool MemoryAccess::ReadByte(std::uint16_t address, std::uint8_t& value) {
    return Read(command::kReadByte, address, value);
}

bool MemoryAccess::ReadSpaceByte(std::uint8_t space, std::uint16_t address, std::uint8_t& value) {
    return Read(space, address, value);
}

bool MemoryAccess::WriteByte(std::uint16_t address, std::uint8_t value) {
    SetAddress(address);
    channel_.OutReport[3] = value;
    const CommandOutcome outcome = channel_.Transact(command::kWriteByte, true);
    if (outcome == CommandOutcome::NoInstrument) return false;
    channel_.Host().Sleep(kWritePauseMs);
    return outcome == CommandOutcome::Done;
}

double MemoryAccess::ReadDeviceFloat(std::uint16_t address) {
    DeviceFloatBytes bytes{};
    for (std::uint16_t i = 0; i < 4; ++i) ReadByte(static_cast<std::uint16_t>(address + i), bytes[i]);
    return DecodeDeviceFloat(bytes);
}

bool MemoryAccess::WriteDeviceFloat(std::uint16_t address, double value) {
    const auto writes = DeviceFloatWrites(address, value);
    if (!writes) return false;
    bool verified = true;
    for (const auto& write : *writes) verified = WriteByte(write.address, write.value) && verified;
    return verified;
}

}  // namespace zrflash::protocol
