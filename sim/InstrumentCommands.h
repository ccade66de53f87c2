// How the simulated instrument carries out one command report and what it answers.
#pragma once

#include "sim/InstrumentState.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace zrflash::sim {

inline constexpr std::size_t kReportSize = 19;
inline constexpr std::size_t kCommandByte = 18;
inline constexpr std::size_t kStatusByte = 18;
using InstrumentReport = std::array<std::uint8_t, kReportSize>;

namespace command {
inline constexpr std::uint8_t WriteByte = 20;
inline constexpr std::uint8_t ReadByte = 21;
inline constexpr std::uint8_t CommitPage = 22;
inline constexpr std::uint8_t WriteChunk = 23;
inline constexpr std::uint8_t ReadSpace24 = 24;
inline constexpr std::uint8_t CheckFirmware = 25;
inline constexpr std::uint8_t MeasureBattery = 27;
inline constexpr std::uint8_t ReadSpace28 = 28;
inline constexpr std::uint8_t ReadSpace29 = 29;
inline constexpr std::uint8_t ReadSpace30 = 30;
}  // namespace command

// Carries out the request (report ID in byte 0, operands in 1..17, command code in 18) on the
// state and returns the answer report with status 0 (done). Every operand is untrusted:
// - a write or read of a settings address above 0x7FF writes nothing and reads 0;
// - a chunk at a page offset where its 16 bytes would run past the page end keeps only the bytes
//   that fit in the page (nothing wraps round to the page start);
// - a page commit whose model byte is not this model's is refused, as a bootloader refuses another
//   model's firmware: the flash and the page buffer stay as they were, the answer is done;
// - a battery measurement with operands other than 0x20, 0x01, 0x02 answers zeros (no such channel);
// - an unknown command code answers done with zeros.
InstrumentReport CarryOutCommand(InstrumentState& state, const InstrumentReport& request);

// Sum of the checked flash bytes modulo 2^24: what command 25 reports.
std::uint32_t FirmwareChecksum(const InstrumentState& state);

// 16-bit sum of request bytes 1..17: what command 23 answers in bytes 1 (low) and 2 (high).
std::uint16_t ChunkChecksum(const InstrumentReport& request);

}  // namespace zrflash::sim
