// The simulated instrument: answers feature reports as the tweezers do, with scripted faults and
// a trace of every transfer.
#include "sim/SimInstrument.h"

#include <algorithm>
#include <utility>

namespace zrflash::sim {

SimInstrument::SimInstrument(InstrumentState state, SimDeviceIdentity identity)
    : state(std::move(state)), identity(std::move(identity)) {}

SimDeviceIdentity SimInstrument::Identity() const { return identity; }

void SimInstrument::AttachHost(SimDeviceHost* newHost) { host = newHost; }

bool SimInstrument::SetFeature(std::span<const std::uint8_t> report) {
    ++setFeatureCount;
    InstrumentTransfer transfer{exchangeCount + 1, TransferDirection::SetFeature, 0,
                                {report.begin(), report.end()}, false};
    if (report.size() > kCommandByte) {
        transfer.command = report[kCommandByte];
    }
    if (!StartTransfer() || faults.TakeSetFeatureFailure(setFeatureCount) || report.empty() ||
        report[0] != 0) {
        return Fail(std::move(transfer));
    }
    InstrumentReport request{};
    const std::size_t received =
        std::min({report.size(), request.size(), static_cast<std::size_t>(std::max(identity.featureReportLength, 0))});
    std::copy_n(report.begin(), received, request.begin());
    Answer(request);
    transfer.succeeded = true;
    trace.push_back(std::move(transfer));
    return true;
}

bool SimInstrument::GetFeature(std::span<std::uint8_t> report) {
    ++getFeatureCount;
    InstrumentTransfer transfer{exchangeCount + 1, TransferDirection::GetFeature, answerCommand, {}, false};
    if (!StartTransfer() || faults.TakeGetFeatureFailure(getFeatureCount) || report.empty() ||
        report[0] != 0) {
        return Fail(std::move(transfer));
    }
    InstrumentReport sent = answer;
    // A command's own busy answers count every fetch after it, storms included.
    const bool commandBusy = busyAnswersLeft > 0;
    if (commandBusy) {
        --busyAnswersLeft;
    }
    if (commandBusy || faults.InBusyStorm(exchangeCount)) {
        sent = InstrumentReport{};
        sent[kStatusByte] = kBusyStatus;
    }
    const std::size_t filled =
        std::min(report.size(), static_cast<std::size_t>(std::max(identity.featureReportLength, 0)));
    for (std::size_t index = 0; index < filled; ++index) {
        report[index] = index < sent.size() ? sent[index] : 0;
    }
    transfer.bytes.assign(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(filled));
    transfer.succeeded = true;
    trace.push_back(std::move(transfer));
    return true;
}

// Counts the exchange, lets its time pass and decides whether the instrument is there to take it.
bool SimInstrument::StartTransfer() {
    ++exchangeCount;
    if (host == nullptr) {
        return false;
    }
    if (faults.LatencyMilliseconds() > 0) {
        host->Elapse(faults.LatencyMilliseconds());
    }
    return !faults.IsUnplugExchange(exchangeCount);
}

bool SimInstrument::Fail(InstrumentTransfer transfer) {
    trace.push_back(std::move(transfer));
    if (host != nullptr && faults.IsUnplugExchange(exchangeCount)) {
        SimDeviceHost* unpluggedFrom = std::exchange(host, nullptr);
        // The bus may drop its last reference to this instrument here, so nothing of it is
        // touched afterwards.
        unpluggedFrom->Unplug(*this);
    }
    return false;
}

void SimInstrument::Answer(const InstrumentReport& request) {
    answerCommand = request[kCommandByte];
    if (answerCommand == command::CommitPage && faults.TakeLostCommit()) {
        answer = InstrumentReport{};
    } else {
        answer = CarryOutCommand(state, request);
    }
    if (answerCommand == command::WriteChunk) {
        if (const auto corrupted = faults.TakeChecksumCorruption()) {
            answer[*corrupted == ChecksumByte::Low ? 1 : 2] ^= 0xFF;
        }
    }
    if (const auto byteIndex = faults.TakeEchoCorruption(answerCommand)) {
        answer[static_cast<std::size_t>(*byteIndex)] ^= 0xFF;
    }
    busyAnswersLeft = faults.TakeBusyAnswers(answerCommand);
}

InstrumentFaults& SimInstrument::Faults() { return faults; }

bool SimInstrument::IsAttached() const { return host != nullptr; }

int SimInstrument::ModelCode() const { return state.modelCode; }

void SimInstrument::SetReportLength(int length) { identity.featureReportLength = length; }

std::span<const std::uint8_t, kSettingsMemorySize> SimInstrument::Memory() const { return state.memory; }

std::uint8_t SimInstrument::MemoryByte(std::uint16_t address) const {
    return address < state.memory.size() ? state.memory[address] : 0;
}

void SimInstrument::SetMemoryByte(std::uint16_t address, std::uint8_t value) {
    if (address < state.memory.size()) {
        state.memory[address] = value;
    }
}

std::uint8_t SimInstrument::SpaceByte(std::uint8_t space, std::uint16_t address) const {
    const auto found = state.identification.find({space, address});
    return found != state.identification.end() ? found->second : 0;
}

std::span<const std::uint8_t> SimInstrument::Flash() const { return state.flash; }

std::span<const std::uint8_t, kFlashPageSize> SimInstrument::PageBuffer() const { return state.pageBuffer; }

std::uint32_t SimInstrument::FirmwareChecksum() const { return sim::FirmwareChecksum(state); }

void SimInstrument::SetBatteryRaw(std::uint16_t raw) { state.batteryRaw = raw; }

int SimInstrument::CommittedPages() const { return state.committedPages; }

int SimInstrument::RefusedCommits() const { return state.refusedCommits; }

const std::vector<InstrumentTransfer>& SimInstrument::Trace() const { return trace; }

void SimInstrument::ClearTrace() { trace.clear(); }

int SimInstrument::SetFeatureCount() const { return setFeatureCount; }

int SimInstrument::GetFeatureCount() const { return getFeatureCount; }

int SimInstrument::ExchangeCount() const { return exchangeCount; }

}  // namespace zrflash::sim
