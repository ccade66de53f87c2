// The simulated instrument: answers feature reports as the tweezers do, with scripted faults and
// a trace of every transfer.
#pragma once

#include "sim/InstrumentCommands.h"
#include "sim/InstrumentFaults.h"
#include "sim/InstrumentState.h"
#include "sim/InstrumentTransfer.h"
#include "sim/SimDevice.h"

#include <cstdint>
#include <span>
#include <vector>

namespace zrflash::sim {

// A command starts with the SetFeature that carries it and is carried out at once; every later
// GetFeature returns its answer report (status byte 18 = 0), or a busy report (status 1, bytes
// 1..17 zero) while busy answers remain. Transfers fail while the instrument is off the bus
// (no host attached), for a report ID other than 0 and for an empty buffer. A transfer moves
// at most the smaller of the caller's length and the instrument's report length: a request
// shorter than 19 bytes reads its missing bytes as 0, so one without byte 18 is an unknown
// command; an answer is written only that far, and bytes past 18 are 0.
class SimInstrument final : public SimDevice {
public:
    static constexpr std::uint8_t kBusyStatus = 1;

    SimInstrument(InstrumentState state, SimDeviceIdentity identity);

    SimDeviceIdentity Identity() const override;
    void AttachHost(SimDeviceHost* host) override;
    bool SetFeature(std::span<const std::uint8_t> report) override;
    bool GetFeature(std::span<std::uint8_t> report) override;

    InstrumentFaults& Faults();
    bool IsAttached() const;
    int ModelCode() const;
    void SetReportLength(int length);

    std::span<const std::uint8_t, kSettingsMemorySize> Memory() const;
    std::uint8_t MemoryByte(std::uint16_t address) const;
    void SetMemoryByte(std::uint16_t address, std::uint8_t value);
    std::uint8_t SpaceByte(std::uint8_t space, std::uint16_t address) const;
    std::span<const std::uint8_t> Flash() const;
    std::span<const std::uint8_t, kFlashPageSize> PageBuffer() const;
    std::uint32_t FirmwareChecksum() const;
    void SetBatteryRaw(std::uint16_t raw);
    int CommittedPages() const;
    int RefusedCommits() const;

    const std::vector<InstrumentTransfer>& Trace() const;
    void ClearTrace();
    int SetFeatureCount() const;
    int GetFeatureCount() const;
    int ExchangeCount() const;

private:
    bool StartTransfer();
    bool Fail(InstrumentTransfer transfer);
    void Answer(const InstrumentReport& request);

    InstrumentState state;
    SimDeviceIdentity identity;
    InstrumentFaults faults;
    SimDeviceHost* host = nullptr;
    InstrumentReport answer{};
    std::uint8_t answerCommand = 0;
    int busyAnswersLeft = 0;
    std::vector<InstrumentTransfer> trace;
    int setFeatureCount = 0;
    int getFeatureCount = 0;
    int exchangeCount = 0;
};

}  // namespace zrflash::sim
