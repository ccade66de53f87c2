// The instrument's own firmware check: the 24-bit checksum it reports for command 25.
#pragma once

#include <cstdint>
#include <optional>

#include "protocol/CommandChannel.h"

namespace zrflash::protocol {

// Has the instrument check its firmware, waits the 10 ms it needs, and returns the value of
// InReport bytes 1 (lowest) to 3, whatever the transaction's outcome. Nothing without an instrument.
std::optional<std::uint32_t> ReadFirmwareChecksum(CommandChannel& channel);

// The 24-bit value carried in InReport bytes 1..3 (lowest first).
std::uint32_t ChecksumInReport(const Report& report);

}  // namespace zrflash::protocol
