// The instrument's own firmware check: the 24-bit checksum it reports for command 25.
#include "protocol/ChecksumReadout.h"

namespace zrflash::protocol {
namespace {

constexpr int kCheckPauseMs = 10;

}  // namespace

std::uint32_t ChecksumInReport(const Report& report) {
    return report[1] + 256u * report[2] + 65536u * report[3];
}

std::optional<std::uint32_t> ReadFirmwareChecksum(CommandChannel& channel) {
    if (channel.Transact(command::kCheckFirmware, false) == CommandOutcome::NoInstrument) return std::nullopt;
    channel.Host().Sleep(kCheckPauseMs);
    return ChecksumInReport(channel.InReport);
}

}  // namespace zrflash::protocol
