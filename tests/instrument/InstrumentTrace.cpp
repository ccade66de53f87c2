// Reads the simulated instrument's trace as the program's command transactions, for the poll and option tests.
#include "tests/instrument/InstrumentTrace.h"

#include <algorithm>

namespace zrflash::test {

std::vector<TracedCommand> CommandsOf(const std::vector<sim::InstrumentTransfer>& trace) {
    std::vector<TracedCommand> commands;
    for (const auto& transfer : trace) {
        if (transfer.direction == sim::TransferDirection::GetFeature) {
            if (!commands.empty()) ++commands.back().fetches;
            continue;
        }
        TracedCommand command;
        command.command = transfer.command;
        command.request = transfer.bytes;
        if (transfer.bytes.size() > 3) {
            command.address = static_cast<std::uint16_t>(transfer.bytes[1] << 8 | transfer.bytes[2]);
            command.data = transfer.bytes[3];
        }
        commands.push_back(std::move(command));
    }
    return commands;
}

std::vector<std::pair<std::uint16_t, std::uint8_t>> WritesOf(const std::vector<sim::InstrumentTransfer>& trace) {
    std::vector<std::pair<std::uint16_t, std::uint8_t>> writes;
    for (const auto& command : CommandsOf(trace)) {
        if (command.command == 20) writes.emplace_back(command.address, command.data);
    }
    return writes;
}

int CountLines(const std::vector<std::u16string>& log, std::u16string_view line) {
    return static_cast<int>(std::count(log.begin(), log.end(), line));
}

}  // namespace zrflash::test
