// What the simulated instrument holds: settings memory, identification spaces, flash and page buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace zrflash::sim {

inline constexpr std::size_t kSettingsMemorySize = 2048;
inline constexpr std::size_t kFlashSize = 65536;
inline constexpr std::size_t kFlashPageSize = 256;
// The firmware check of command 25 sums the flash the program uploads, not the pages above it.
inline constexpr std::size_t kCheckedFlashSize = 57344;
inline constexpr std::uint8_t kModel12CommitByte = 45;
inline constexpr std::uint8_t kModel14CommitByte = 14;
// Erased flash reads 0xFF; so does the page buffer until a chunk lands in it.
inline constexpr std::uint8_t kErasedByte = 0xFF;

struct InstrumentState {
    std::uint8_t modelCode = 12;
    // The model byte a page commit must carry to be written (45 for model 12, 14 for model 14).
    std::uint8_t commitModelByte = kModel12CommitByte;
    std::array<std::uint8_t, kSettingsMemorySize> memory{};
    // Identification spaces keyed by (space command code, address); absent addresses read 0.
    std::map<std::pair<std::uint8_t, std::uint16_t>, std::uint8_t> identification;
    std::vector<std::uint8_t> flash = std::vector<std::uint8_t>(kFlashSize, kErasedByte);
    std::array<std::uint8_t, kFlashPageSize> pageBuffer = ErasedPage();
    std::uint16_t batteryRaw = 0;
    int committedPages = 0;
    int refusedCommits = 0;

    static std::array<std::uint8_t, kFlashPageSize> ErasedPage() {
        std::array<std::uint8_t, kFlashPageSize> page;
        page.fill(kErasedByte);
        return page;
    }
};

}  // namespace zrflash::sim
