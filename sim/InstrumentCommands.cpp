// How the simulated instrument carries out one command report and what it answers.
#include "sim/InstrumentCommands.h"

#include <algorithm>

namespace zrflash::sim {
namespace {

constexpr std::size_t kChunkDataSize = 16;
constexpr std::size_t kChunkDataByte = 2;
constexpr std::size_t kEchoFirstByte = 3;
constexpr std::size_t kLastDataByte = 17;

std::uint16_t Address(const InstrumentReport& request) {
    return static_cast<std::uint16_t>(request[1] << 8 | request[2]);
}

InstrumentReport WriteMemory(InstrumentState& state, const InstrumentReport& request) {
    const std::uint16_t address = Address(request);
    if (address < state.memory.size()) {
        state.memory[address] = request[3];
    }
    InstrumentReport answer{};
    std::copy(request.begin() + 1, request.begin() + kLastDataByte + 1, answer.begin() + 1);
    return answer;
}

InstrumentReport ReadMemory(const InstrumentState& state, const InstrumentReport& request) {
    const std::uint16_t address = Address(request);
    InstrumentReport answer{};
    answer[1] = address < state.memory.size() ? state.memory[address] : 0;
    return answer;
}

InstrumentReport ReadSpace(const InstrumentState& state, std::uint8_t space,
                           const InstrumentReport& request) {
    InstrumentReport answer{};
    const auto found = state.identification.find({space, Address(request)});
    answer[1] = found != state.identification.end() ? found->second : 0;
    return answer;
}

InstrumentReport WriteChunk(InstrumentState& state, const InstrumentReport& request) {
    const std::size_t offset = request[1];
    const std::size_t fitting = std::min(kChunkDataSize, kFlashPageSize - offset);
    std::copy_n(request.begin() + kChunkDataByte, fitting, state.pageBuffer.begin() + offset);
    const std::uint16_t sum = ChunkChecksum(request);
    InstrumentReport answer{};
    answer[1] = static_cast<std::uint8_t>(sum & 0xFF);
    answer[2] = static_cast<std::uint8_t>(sum >> 8);
    std::copy(request.begin() + kEchoFirstByte, request.begin() + kLastDataByte + 1,
              answer.begin() + kEchoFirstByte);
    return answer;
}

InstrumentReport CommitPage(InstrumentState& state, const InstrumentReport& request) {
    const std::size_t page = request[1];
    if (request[2] != state.commitModelByte || (page + 1) * kFlashPageSize > state.flash.size()) {
        ++state.refusedCommits;
        return {};
    }
    std::copy(state.pageBuffer.begin(), state.pageBuffer.end(),
              state.flash.begin() + static_cast<std::ptrdiff_t>(page * kFlashPageSize));
    // A fresh buffer per page: a chunk that never arrived shows as erased bytes in the flash.
    state.pageBuffer = InstrumentState::ErasedPage();
    ++state.committedPages;
    return {};
}

InstrumentReport CheckFirmware(const InstrumentState& state) {
    const std::uint32_t sum = FirmwareChecksum(state);
    InstrumentReport answer{};
    answer[1] = static_cast<std::uint8_t>(sum & 0xFF);
    answer[2] = static_cast<std::uint8_t>(sum >> 8 & 0xFF);
    answer[3] = static_cast<std::uint8_t>(sum >> 16 & 0xFF);
    return answer;
}

InstrumentReport MeasureBattery(const InstrumentState& state, const InstrumentReport& request) {
    InstrumentReport answer{};
    if (request[1] == 0x20 && request[2] == 0x01 && request[3] == 0x02) {
        answer[1] = static_cast<std::uint8_t>(state.batteryRaw >> 8);
        answer[2] = static_cast<std::uint8_t>(state.batteryRaw & 0xFF);
    }
    return answer;
}

}  // namespace

InstrumentReport CarryOutCommand(InstrumentState& state, const InstrumentReport& request) {
    const std::uint8_t code = request[kCommandByte];
    switch (code) {
    case command::WriteByte:
        return WriteMemory(state, request);
    case command::ReadByte:
        return ReadMemory(state, request);
    case command::CommitPage:
        return CommitPage(state, request);
    case command::WriteChunk:
        return WriteChunk(state, request);
    case command::ReadSpace24:
    case command::ReadSpace28:
    case command::ReadSpace29:
    case command::ReadSpace30:
        return ReadSpace(state, code, request);
    case command::CheckFirmware:
        return CheckFirmware(state);
    case command::MeasureBattery:
        return MeasureBattery(state, request);
    default:
        return {};
    }
}

std::uint32_t FirmwareChecksum(const InstrumentState& state) {
    std::uint32_t sum = 0;
    const std::size_t checked = std::min(kCheckedFlashSize, state.flash.size());
    for (std::size_t index = 0; index < checked; ++index) {
        sum += state.flash[index];
    }
    return sum & 0xFFFFFF;
}

std::uint16_t ChunkChecksum(const InstrumentReport& request) {
    unsigned sum = 0;
    for (std::size_t index = 1; index <= kLastDataByte; ++index) {
        sum += request[index];
    }
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

}  // namespace zrflash::sim
