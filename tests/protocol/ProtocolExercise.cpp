// Random operations of the protocol layer against a device that answers anything.
#include "tests/protocol/ProtocolExercise.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <memory>
#include <vector>

#include "protocol/ChecksumReadout.h"
#include "protocol/NumberFormat.h"
#include "tests/protocol/ProtocolBench.h"

namespace zrflash::protocol::test {
namespace {

// Transfers one transaction may make: four sends with a resend each; five rounds of three reads
// (the shared counter allows four busy answers or mismatches before the last round).
constexpr int kMaxSends = 8;
constexpr int kMaxReads = 15;

class Exercise {
public:
    explicit Exercise(ByteSource& source) : source_(source), device_(std::make_shared<RandomDevice>(source)) {}

    std::string Run(int operations) {
        if (!bench_.Attach(device_)) return "the device could not be checked out";
        for (int i = 0; i < operations && violation_.empty(); ++i) {
            if (source_.Below(12) == 0) {
                present_ = source_.Below(4) != 0;
                bench_.SetInstrumentPresent(present_);
            }
            Step();
        }
        Require(device_->LargestTransfer() <= kReportLength, "a transfer longer than the report buffers");
        return violation_;
    }

private:
    struct Mark {
        int sets;
        int gets;
        std::size_t events;
    };

    Mark Now() const { return {device_->SetCalls(), device_->GetCalls(), bench_.Events().size()}; }

    std::vector<std::string> EventsSince(const Mark& mark) const {
        std::vector<std::string> events;
        for (std::size_t i = mark.events; i < bench_.Events().size(); ++i) events.push_back(bench_.Events()[i].text);
        return events;
    }

    // A failure the user is told about: a line that ends the transaction, or the message box.
    bool Reported(const Mark& mark) const {
        const auto events = EventsSince(mark);
        return std::any_of(events.begin(), events.end(), [](const std::string& event) {
            return event.starts_with("log Ошибка протокола ") || event.starts_with("log команда ") ||
                   event == "box Ошибка записи|";
        });
    }

    bool NothingHappened(const Mark& mark) const {
        const Mark now = Now();
        return now.sets == mark.sets && now.gets == mark.gets && now.events == mark.events;
    }

    void Require(bool condition, const std::string& rule) {
        if (!condition && violation_.empty()) violation_ = operation_ + ": " + rule;
    }

    void RequireBounded(const Mark& mark, int transactions, int extraReads = 0) {
        const Mark now = Now();
        Require(now.sets - mark.sets <= kMaxSends * transactions, "too many sends");
        Require(now.gets - mark.gets <= (kMaxReads + extraReads) * transactions, "too many reads");
        for (const auto& event : EventsSince(mark)) {
            const bool known = event.starts_with("log Повтор команды ") || event == "log Сбой чтения" ||
                               event.starts_with("log Ошибка протокола ") || event.starts_with("log команда ") ||
                               event == "log Сбой записи" || event == "log Повтор записи" ||
                               event == "box Ошибка записи|" || event == "sleep 10" || event == "sleep 5";
            Require(known, "unexpected event " + event);
        }
        Require(bench_.channel.OutReport[0] == 0, "report ID not 0");
    }

    bool EchoHolds() const {
        return std::equal(bench_.channel.InReport.begin() + 3, bench_.channel.InReport.begin() + 18,
                          bench_.channel.OutReport.begin() + 3);
    }

    // Now and then an address at an edge: numbers there run past the end of the range.
    std::uint16_t Address() {
        static constexpr std::array<std::uint16_t, 6> edges = {0x0000, 0x07FE, 0x07FF, 0xFFFD, 0xFFFE, 0xFFFF};
        if (source_.Below(4) == 0) return edges[source_.Below(edges.size())];
        return static_cast<std::uint16_t>(source_.Next() << 8 | source_.Next());
    }

    double Number() {
        if (source_.Below(3) == 0) {
            std::uint64_t bits = 0;
            for (int i = 0; i < 8; ++i) bits = bits << 8 | source_.Next();
            return std::bit_cast<double>(bits);
        }
        return (static_cast<double>(source_.Below(20001)) - 10000.0) / (1.0 + source_.Below(1000));
    }

    void Step() {
        CommandChannel& channel = bench_.channel;
        MemoryAccess& memory = bench_.memory;
        const Mark mark = Now();
        switch (source_.Below(6)) {
        case 0: {
            const std::uint8_t command = source_.Next();
            const bool verify = source_.Below(2) == 0;
            operation_ = "Transact " + std::to_string(command) + (verify ? " verified" : "");
            for (std::size_t i = 1; i <= 17; ++i) channel.OutReport[i] = source_.Next();
            const Report operands = channel.OutReport;
            const CommandOutcome outcome = channel.Transact(command, verify);
            RequireBounded(mark, 1);
            Require(std::equal(operands.begin() + 1, operands.begin() + 18, channel.OutReport.begin() + 1),
                    "operands changed");
            if (outcome == CommandOutcome::NoInstrument) {
                Require(!present_ && NothingHappened(mark), "no instrument, yet something happened");
            } else if (outcome == CommandOutcome::Done) {
                Require(present_ && !Reported(mark), "done, yet a failure was reported");
                Require(channel.InReport[kStatusByte] == 0, "done without status 0");
                Require(!verify || EchoHolds(), "done without the echo");
            } else {
                Require(Reported(mark), "failed silently");
            }
            break;
        }
        case 1: {
            const std::uint16_t address = Address();
            const bool space = source_.Below(4) == 0;
            operation_ = (space ? "ReadSpaceByte " : "ReadByte ") + std::to_string(address);
            std::uint8_t value = 0xEE;
            const bool ok = space ? memory.ReadSpaceByte(29, address, value) : memory.ReadByte(address, value);
            RequireBounded(mark, 1, 1);
            if (!present_) {
                Require(!ok && value == 0xEE && NothingHappened(mark), "no instrument, yet something happened");
            } else {
                Require(ok != Reported(mark), "result and log disagree");
                Require(value == channel.OutReport[1], "value not from OutReport byte 1");
            }
            break;
        }
        case 2: {
            const std::uint16_t address = Address();
            operation_ = "WriteByte " + std::to_string(address);
            const bool ok = memory.WriteByte(address, source_.Next());
            RequireBounded(mark, 1);
            if (!present_) {
                Require(!ok && NothingHappened(mark), "no instrument, yet something happened");
            } else {
                Require(ok != Reported(mark), "result and log disagree");
                Require(!ok || EchoHolds(), "true without the echo");
                Require(EventsSince(mark).back() == "sleep 5", "no pause after the write");
            }
            break;
        }
        case 3: {
            const std::uint16_t address = Address();
            operation_ = "ReadDeviceFloat " + std::to_string(address);
            const double value = memory.ReadDeviceFloat(address);
            RequireBounded(mark, 4, 1);
            Require(std::isfinite(value), "a number that is not finite");
            break;
        }
        case 4: {
            const std::uint16_t address = Address();
            const double value = Number();
            operation_ = "WriteDeviceFloat " + std::to_string(address) + " " + std::to_string(value);
            const bool ok = memory.WriteDeviceFloat(address, value);
            RequireBounded(mark, 4);
            if (!EncodeDeviceFloat(value) || !present_) {
                Require(!ok && NothingHappened(mark), "nothing to write, yet something happened");
            } else {
                Require(ok != Reported(mark), "result and log disagree");
            }
            break;
        }
        default: {
            operation_ = "ReadFirmwareChecksum";
            const auto checksum = ReadFirmwareChecksum(channel);
            RequireBounded(mark, 1);
            Require(checksum.has_value() == present_, "a checksum without an instrument, or none with one");
            if (checksum) {
                Require(*checksum == ChecksumInReport(channel.InReport) && *checksum < (1u << 24),
                        "checksum not from InReport bytes 1..3");
            }
            break;
        }
        }
    }

    ByteSource& source_;
    std::shared_ptr<RandomDevice> device_;
    ProtocolBench bench_;
    bool present_ = true;
    std::string operation_;
    std::string violation_;
};

}  // namespace

std::string ExerciseProtocol(ByteSource& source, int operations) { return Exercise(source).Run(operations); }

}  // namespace zrflash::protocol::test
