// The faults a test scripts into the simulated instrument, and how each is used up.
#include "sim/InstrumentFaults.h"

#include <algorithm>

namespace zrflash::sim {
namespace {

bool TakeOne(int& remaining) {
    if (remaining <= 0) {
        return false;
    }
    --remaining;
    return true;
}

}  // namespace

void InstrumentFaults::FailSetFeatureAt(int number) { failedSetFeatures.insert(number); }

void InstrumentFaults::FailNextSetFeatures(int count) { nextSetFeatureFailures = std::max(count, 0); }

void InstrumentFaults::FailGetFeatureAt(int number) { failedGetFeatures.insert(number); }

void InstrumentFaults::FailNextGetFeatures(int count) { nextGetFeatureFailures = std::max(count, 0); }

void InstrumentFaults::BusyAnswers(std::uint8_t command, int answers, int commands) {
    busyRules[command] = BusyRule{std::max(answers, 0), commands};
}

void InstrumentFaults::BusyStorm(int firstExchange, int lastExchange) {
    busyStorms.emplace_back(firstExchange, lastExchange);
}

void InstrumentFaults::CorruptEcho(int byteIndex, int times, std::uint8_t command) {
    if (byteIndex >= 1 && byteIndex <= 17 && times > 0) {
        echoRules.push_back(EchoRule{byteIndex, times, command});
    }
}

void InstrumentFaults::CorruptChecksum(ChecksumByte byte, int times) {
    if (times > 0) {
        checksumRules.emplace_back(byte, times);
    }
}

void InstrumentFaults::LoseCommits(int times) { lostCommits = std::max(times, 0); }

void InstrumentFaults::UnplugAt(int exchange) { unplugExchanges.insert(exchange); }

void InstrumentFaults::Latency(int milliseconds) { latency = std::max(milliseconds, 0); }

bool InstrumentFaults::TakeSetFeatureFailure(int number) {
    const bool scheduled = failedSetFeatures.erase(number) > 0;
    return TakeOne(nextSetFeatureFailures) || scheduled;
}

bool InstrumentFaults::TakeGetFeatureFailure(int number) {
    const bool scheduled = failedGetFeatures.erase(number) > 0;
    return TakeOne(nextGetFeatureFailures) || scheduled;
}

int InstrumentFaults::TakeBusyAnswers(std::uint8_t command) {
    const auto found = busyRules.find(command);
    if (found == busyRules.end() || found->second.commands == 0) {
        return 0;
    }
    if (found->second.commands > 0) {
        --found->second.commands;
    }
    return found->second.answers;
}

bool InstrumentFaults::InBusyStorm(int exchange) const {
    return std::any_of(busyStorms.begin(), busyStorms.end(), [exchange](const auto& storm) {
        return exchange >= storm.first && exchange <= storm.second;
    });
}

std::optional<int> InstrumentFaults::TakeEchoCorruption(std::uint8_t command) {
    const auto rule = std::find_if(echoRules.begin(), echoRules.end(), [command](const EchoRule& each) {
        return each.command == kAnyCommand || each.command == command;
    });
    if (rule == echoRules.end()) {
        return std::nullopt;
    }
    const int byteIndex = rule->byteIndex;
    if (--rule->times == 0) {
        echoRules.erase(rule);
    }
    return byteIndex;
}

std::optional<ChecksumByte> InstrumentFaults::TakeChecksumCorruption() {
    if (checksumRules.empty()) {
        return std::nullopt;
    }
    const ChecksumByte byte = checksumRules.front().first;
    if (--checksumRules.front().second == 0) {
        checksumRules.erase(checksumRules.begin());
    }
    return byte;
}

bool InstrumentFaults::TakeLostCommit() { return TakeOne(lostCommits); }

bool InstrumentFaults::IsUnplugExchange(int exchange) const { return unplugExchanges.contains(exchange); }

int InstrumentFaults::LatencyMilliseconds() const { return latency; }

}  // namespace zrflash::sim
