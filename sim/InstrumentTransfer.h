// One report as the simulated instrument received or sent it, kept so tests can assert on exact bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace zrflash::sim {

enum class TransferDirection { SetFeature, GetFeature };

struct InstrumentTransfer {
    // 1-based number among all transfers (SetFeature and GetFeature alike) since the instrument was built.
    int exchange = 0;
    TransferDirection direction = TransferDirection::SetFeature;
    // SetFeature: the command code in byte 18 of the request (0 when the request was too short to
    // carry it). GetFeature: the command whose answer was read.
    std::uint8_t command = 0;
    // SetFeature: the bytes the caller passed. GetFeature: the bytes filled into the caller's
    // buffer (none when the transfer failed).
    std::vector<std::uint8_t> bytes;
    bool succeeded = false;
};

}  // namespace zrflash::sim
