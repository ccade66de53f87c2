// The command transaction against the simulated instrument: every way it ends, as a table of
// instrument faults and the transfers, pauses, log lines and message boxes they lead to.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "protocol/Commands.h"
#include "sim/SimInstrument.h"
#include "tests/protocol/ProtocolBench.h"

namespace zrflash::protocol::test {
namespace {

using Timeline = std::vector<std::string>;

struct TransactionCase {
    const char* name;
    std::uint8_t command;
    bool verify;
    // Scripts the faults; gets the number of exchanges the instrument has had before the command.
    std::function<void(sim::InstrumentFaults&, int exchangesBefore)> faults;
    Timeline expected;
    CommandOutcome outcome;
    int reportLength = 19;
    bool instrumentPresent = true;
};

const std::string kWriteFailure = "log Сбой записи";
const std::string kWriteRetry = "log Повтор записи";

Timeline Repeat(const Timeline& part, int times) {
    Timeline whole;
    for (int i = 0; i < times; ++i) whole.insert(whole.end(), part.begin(), part.end());
    return whole;
}

Timeline Join(std::initializer_list<Timeline> parts) {
    Timeline whole;
    for (const auto& part : parts) whole.insert(whole.end(), part.begin(), part.end());
    return whole;
}

const Timeline kMismatch = {"set", "get", kWriteFailure, kWriteRetry};
const Timeline kThreeBusy = {"set", "get", "sleep 10", "get", "sleep 10", "get", "sleep 10"};

std::vector<TransactionCase> Cases() {
    auto none = [](sim::InstrumentFaults&, int) {};
    return {
        {"done at once", 21, false, none, {"set", "get"}, CommandOutcome::Done},
        {"first send fails", 21, false, [](auto& f, int) { f.FailNextSetFeatures(1); },
         {"set✗", "sleep 10", "set", "log Повтор команды 21", "get"}, CommandOutcome::Done},
        // The status is still read, but a command that never arrived is not done: a read would
        // deliver the answer to the command before, and a write is sent again.
        {"send and resend fail", 21, false, [](auto& f, int) { f.FailNextSetFeatures(2); },
         {"set✗", "sleep 10", "set✗", "log Повтор команды 21", "get", "log Ошибка протокола 21"},
         CommandOutcome::Failed},
        {"write and its resend fail", 20, true, [](auto& f, int) { f.FailNextSetFeatures(2); },
         Join({{"set✗", "sleep 10", "set✗", "log Повтор команды 20", "get", kWriteFailure, kWriteRetry},
               {"set", "get"}}),
         CommandOutcome::Done},
        {"two reads fail", 21, false, [](auto& f, int) { f.FailNextGetFeatures(2); },
         {"set", "get✗", "sleep 10", "get✗", "sleep 10", "get", "log Сбой чтения"}, CommandOutcome::Done},
        {"three reads fail", 21, false, [](auto& f, int) { f.FailNextGetFeatures(3); },
         {"set", "get✗", "sleep 10", "get✗", "sleep 10", "get✗", "log Сбой чтения", "log Ошибка протокола 21"},
         CommandOutcome::Failed},
        {"two busy answers", 21, false, [](auto& f, int) { f.BusyAnswers(21, 2, 1); },
         {"set", "get", "sleep 10", "get", "sleep 10", "get"}, CommandOutcome::Done},
        {"three busy answers", 21, false, [](auto& f, int) { f.BusyAnswers(21, 3, 1); },
         Join({kThreeBusy, {"log команда 21"}}), CommandOutcome::Failed},
        {"one echo mismatch", 20, true, [](auto& f, int) { f.CorruptEcho(3, 1, 20); },
         Join({kMismatch, {"set", "get"}}), CommandOutcome::Done},
        {"mismatch in byte 17 only", 20, true, [](auto& f, int) { f.CorruptEcho(17, 1, 20); },
         Join({kMismatch, {"set", "get"}}), CommandOutcome::Done},
        {"four echo mismatches", 20, true, [](auto& f, int) { f.CorruptEcho(3, 4, 20); },
         Join({Repeat(kMismatch, 4), {"box Ошибка записи|"}}), CommandOutcome::Failed},
        {"echo not verified", 20, false, [](auto& f, int) { f.CorruptEcho(3, 1, 20); }, {"set", "get"},
         CommandOutcome::Done},
        // The counter is shared: after two mismatches a single busy answer ends the command.
        {"two mismatches then busy", 20, true,
         [](auto& f, int before) {
             f.CorruptEcho(3, 2, 20);
             f.BusyStorm(before + 6, before + 6);
         },
         Join({Repeat(kMismatch, 2), {"set", "get", "sleep 10", "log команда 20"}}), CommandOutcome::Failed},
        // Byte 18 never arrives, so the preset status stays and reads as busy.
        {"short reports", 21, false, none, Join({kThreeBusy, {"log команда 21"}}), CommandOutcome::Failed, 17},
        // Longer than the buffers: no transfer is made at all.
        {"reports too long", 21, false, none,
         {"sleep 10", "log Повтор команды 21", "sleep 10", "sleep 10", "log Сбой чтения", "log Ошибка протокола 21"},
         CommandOutcome::Failed, 20},
        {"no instrument", 21, false, none, {}, CommandOutcome::NoInstrument, 19, false},
    };
}

TEST(CommandTransaction, EndsAsTheInstrumentAnswers) {
    for (const auto& row : Cases()) {
        SCOPED_TRACE(row.name);
        ProtocolBench bench;
        auto instrument = bench.AttachInstrument(sim::InstrumentBuilder().ReportLength(row.reportLength));
        ASSERT_NE(instrument, nullptr);
        bench.SetInstrumentPresent(row.instrumentPresent);
        row.faults(instrument->Faults(), instrument->ExchangeCount());
        for (std::size_t i = 1; i <= 17; ++i) bench.channel.OutReport[i] = static_cast<std::uint8_t>(0x40 + i);
        const Report operands = bench.channel.OutReport;
        const int setsBefore = instrument->SetFeatureCount();
        const int getsBefore = instrument->GetFeatureCount();
        const auto startMs = bench.clock.NowMs();

        const CommandOutcome outcome = bench.channel.Transact(row.command, row.verify);

        EXPECT_EQ(outcome, row.outcome);
        const Timeline timeline = bench.Timeline();
        EXPECT_EQ(timeline, row.expected);
        const auto count = [&](const std::string& prefix) {
            return std::count_if(timeline.begin(), timeline.end(), [&](auto& t) { return t.starts_with(prefix); });
        };
        EXPECT_EQ(instrument->SetFeatureCount() - setsBefore, count("set"));
        EXPECT_EQ(instrument->GetFeatureCount() - getsBefore, count("get"));
        EXPECT_EQ(static_cast<long>(bench.MessageBoxCount()), count("box"));
        const auto sleeps = bench.Sleeps();
        EXPECT_EQ(bench.clock.NowMs() - startMs, std::accumulate(sleeps.begin(), sleeps.end(), 0));
        // Only bytes 0 and 18 are the transaction's; the caller's operands survive any outcome.
        for (std::size_t i = 1; i <= 17; ++i) EXPECT_EQ(bench.channel.OutReport[i], operands[i]) << "byte " << i;
        for (std::size_t sent = 0; !SentReport(*instrument, sent).empty(); ++sent) {
            const auto report = SentReport(*instrument, sent);
            ASSERT_EQ(report.size(), static_cast<std::size_t>(std::min(row.reportLength, 19)));
            EXPECT_EQ(report[0], 0);
            if (report.size() == 19) {
                EXPECT_EQ(report[18], row.command);
            }
        }
    }
}

// ExecuteCommand is the transaction's yes or no; after it InReport holds the last report read.
TEST(CommandTransaction, ExecuteCommandLeavesTheLastAnswerInInReport) {
    ProtocolBench bench;
    auto instrument = bench.AttachInstrument(sim::InstrumentBuilder().MemoryByte(0x123, 0x5A));
    bench.channel.OutReport[1] = 0x01;
    bench.channel.OutReport[2] = 0x23;
    EXPECT_TRUE(bench.channel.ExecuteCommand(command::kReadByte, false));
    EXPECT_EQ(bench.channel.InReport[1], 0x5A);
    EXPECT_EQ(bench.channel.InReport[kStatusByte], 0);

    instrument->Faults().FailNextGetFeatures(3);
    EXPECT_FALSE(bench.channel.ExecuteCommand(command::kReadByte, false));
    bench.SetInstrumentPresent(false);
    EXPECT_FALSE(bench.channel.ExecuteCommand(command::kReadByte, false));
}

}  // namespace
}  // namespace zrflash::protocol::test
