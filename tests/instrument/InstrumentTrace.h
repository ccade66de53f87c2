// Reads the simulated instrument's trace as the program's command transactions, for the poll and option tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/InstrumentTransfer.h"

namespace zrflash::test {

// One command as the instrument received it, with the reports fetched after it.
struct TracedCommand {
    std::uint8_t command = 0;
    std::uint16_t address = 0;  // request bytes 1 (high) and 2 (low)
    std::uint8_t data = 0;      // request byte 3
    std::vector<std::uint8_t> request;
    int fetches = 0;            // GetFeature calls up to the next command
};

std::vector<TracedCommand> CommandsOf(const std::vector<sim::InstrumentTransfer>& trace);
// The writes (command 20) as address and value, in the order the instrument received them.
std::vector<std::pair<std::uint16_t, std::uint8_t>> WritesOf(const std::vector<sim::InstrumentTransfer>& trace);
int CountLines(const std::vector<std::u16string>& log, std::u16string_view line);

}  // namespace zrflash::test
