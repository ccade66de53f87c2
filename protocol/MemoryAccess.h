// Byte access to the instrument's settings memory and identification spaces, and its 4-byte numbers.
#pragma once

#include <cstdint>

#include "protocol/CommandChannel.h"

namespace zrflash::protocol {

class MemoryAccess {
public:
    explicit MemoryAccess(CommandChannel& channel) : channel_(channel) {}

    // Reads one byte of settings memory. The value comes from one more report fetched after the
    // transaction, and is delivered even when the transaction failed (then it may be stale);
    // without an instrument nothing is delivered. True when the transaction succeeded.
    bool ReadByte(std::uint16_t address, std::uint8_t& value);
    // ReadByte from identification space 24, 28, 29 or 30 (the space is the command code).
    bool ReadSpaceByte(std::uint8_t space, std::uint16_t address, std::uint8_t& value);
    // Writes one byte with echo verification, then pauses 5 ms. True only when the write was
    // done and verified.
    bool WriteByte(std::uint16_t address, std::uint8_t value);

    // Reads four bytes and decodes them; the reads' results are not looked at.
    double ReadDeviceFloat(std::uint16_t address);
    // Writes sign and exponent first, then the fraction. A value the format cannot hold writes
    // nothing. True when all four writes were verified.
    bool WriteDeviceFloat(std::uint16_t address, double value);

private:
    bool Read(std::uint8_t command, std::uint16_t address, std::uint8_t& value);
    void SetAddress(std::uint16_t address);

    CommandChannel& channel_;
};

}  // namespace zrflash::protocol
