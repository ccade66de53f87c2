// The instrument's command codes (the last byte of every report sent) and the report layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zrflash::protocol {

// Report ID 0, 17 operand bytes, and the command code out / the status back.
inline constexpr std::size_t kReportLength = 19;
inline constexpr std::size_t kCommandByte = 18;
inline constexpr std::size_t kStatusByte = 18;
using Report = std::array<std::uint8_t, kReportLength>;

namespace command {
inline constexpr std::uint8_t kWriteByte = 20;
inline constexpr std::uint8_t kReadByte = 21;
inline constexpr std::uint8_t kCommitPage = 22;
inline constexpr std::uint8_t kWriteChunk = 23;
inline constexpr std::uint8_t kReadSpace24 = 24;
inline constexpr std::uint8_t kCheckFirmware = 25;
inline constexpr std::uint8_t kMeasureBattery = 27;
inline constexpr std::uint8_t kReadSpace28 = 28;
inline constexpr std::uint8_t kReadSpace29 = 29;
inline constexpr std::uint8_t kReadSpace30 = 30;
}  // namespace command

}  // namespace zrflash::protocol
