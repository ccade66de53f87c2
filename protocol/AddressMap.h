// Every instrument address the program reads or writes.
#pragma once

#include <array>
#include <cstdint>

namespace zrflash::protocol::address {

// Settings memory, commands 21 (read) and 20 (write).
inline constexpr std::uint16_t kSettingsFirst = 0x000;
inline constexpr std::uint16_t kSettingsLast = 0x7FF;
inline constexpr std::uint16_t kCalibrationNumbers = 0x308;  // eight numbers, 4 bytes apart (model 12)
inline constexpr std::uint16_t kVersionText = 0x340;         // five characters
inline constexpr std::uint16_t kVersionTextEnd = 0x345;      // model 12 writes a terminating 0
inline constexpr std::uint16_t kModel12Setting34E = 0x34E;
inline constexpr std::uint16_t kModel12Settings398 = 0x398;  // 0x398..0x39C
inline constexpr std::uint16_t kAutoSaveOption = 0x3B3;      // C1
inline constexpr std::uint16_t kRcldSwapOption = 0x3CD;      // C2, with 0x3CE
inline constexpr std::uint16_t kRcldSwapOptionSecond = 0x3CE;
inline constexpr std::uint16_t kBatteryScale = 0x3D0;        // a 4-byte number
inline constexpr std::uint16_t kMenuSwapOption = 0x3FE;      // C3
inline constexpr std::uint16_t kFirmwareState = 0x3FF;       // 1 = the last update completed
inline constexpr std::uint16_t kModel12Settings490 = 0x490;  // 0x490..0x493

inline constexpr std::uint8_t kFirmwareValid = 1;
inline constexpr std::uint8_t kFirmwareUpdating = 0x88;

}  // namespace zrflash::protocol::address
