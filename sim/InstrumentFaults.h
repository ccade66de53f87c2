// The faults a test scripts into the simulated instrument: failed transfers, busy answers,
// corrupted echoes and checksums, lost commits, unplugging, and the time each transfer takes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace zrflash::sim {

enum class ChecksumByte { Low, High };

class InstrumentFaults {
public:
    static constexpr int kEveryCommand = -1;
    static constexpr std::uint8_t kAnyCommand = 0;

    // The n-th SetFeature call (counted from 1 since the instrument was built) fails.
    void FailSetFeatureAt(int number);
    // The next count SetFeature calls fail.
    void FailNextSetFeatures(int count);
    void FailGetFeatureAt(int number);
    void FailNextGetFeatures(int count);
    // After a command with this code, the first `answers` GetFeatures answer busy; applies to the
    // next `commands` such commands, or to every one. Replaces an earlier rule for the code.
    void BusyAnswers(std::uint8_t command, int answers, int commands = kEveryCommand);
    // Every GetFeature whose exchange number (all transfers counted from 1) lies in
    // first..last answers busy, whatever the command.
    void BusyStorm(int firstExchange, int lastExchange);
    // The answers to the next `times` commands with this code (or any code) carry byte
    // byteIndex (1..17) inverted. Rules queue up in the order given.
    void CorruptEcho(int byteIndex, int times, std::uint8_t command = kAnyCommand);
    // The next `times` chunk answers carry that checksum byte inverted.
    void CorruptChecksum(ChecksumByte byte, int times);
    // The next `times` page commits are answered done but nothing is written.
    void LoseCommits(int times);
    // At this exchange the instrument takes itself off the bus and the transfer fails.
    void UnplugAt(int exchange);
    // Every transfer lets this much time pass on the host (0: none).
    void Latency(int milliseconds);

private:
    friend class SimInstrument;

    struct BusyRule {
        int answers = 0;
        int commands = kEveryCommand;
    };
    struct EchoRule {
        int byteIndex = 0;
        int times = 0;
        std::uint8_t command = kAnyCommand;
    };

    bool TakeSetFeatureFailure(int number);
    bool TakeGetFeatureFailure(int number);
    int TakeBusyAnswers(std::uint8_t command);
    bool InBusyStorm(int exchange) const;
    std::optional<int> TakeEchoCorruption(std::uint8_t command);
    std::optional<ChecksumByte> TakeChecksumCorruption();
    bool TakeLostCommit();
    bool IsUnplugExchange(int exchange) const;
    int LatencyMilliseconds() const;

    std::set<int> failedSetFeatures;
    int nextSetFeatureFailures = 0;
    std::set<int> failedGetFeatures;
    int nextGetFeatureFailures = 0;
    std::map<std::uint8_t, BusyRule> busyRules;
    std::vector<std::pair<int, int>> busyStorms;
    std::vector<EchoRule> echoRules;
    std::vector<std::pair<ChecksumByte, int>> checksumRules;
    int lostCommits = 0;
    std::set<int> unplugExchanges;
    int latency = 0;
};

}  // namespace zrflash::sim
