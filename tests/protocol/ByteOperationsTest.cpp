// Byte reads and writes against the simulated instrument: the reports sent, where the value comes
// from, what failures deliver, and the pause after a write.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "protocol/Commands.h"
#include "sim/SimInstrument.h"
#include "tests/protocol/ProtocolBench.h"

namespace zrflash::protocol::test {
namespace {

using Timeline = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kUnset = 0xEE;

Bytes Report19(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
    Bytes report(kReportLength, 0);
    for (auto [index, value] : bytes) report[index] = value;
    return report;
}

TEST(ByteOperations, ReadsSendTheAddressAndTakeTheValueFromTheExtraFetch) {
    ProtocolBench bench;
    auto instrument =
        bench.AttachInstrument(sim::InstrumentBuilder().MemoryByte(0x3FF, 0x5A).Ident(29, 0x0093, 0x07));
    std::uint8_t value = kUnset;
    EXPECT_TRUE(bench.memory.ReadByte(0x3FF, value));
    EXPECT_EQ(value, 0x5A);
    EXPECT_EQ(SentReport(*instrument, 0), Report19({{1, 0x03}, {2, 0xFF}, {18, 21}}));
    EXPECT_EQ(bench.Timeline(), (Timeline{"set", "get", "get"}));

    bench.Forget();
    EXPECT_TRUE(bench.memory.ReadSpaceByte(29, 0x0093, value));
    EXPECT_EQ(value, 0x07);
    EXPECT_EQ(SentReport(*instrument, 0), Report19({{1, 0x00}, {2, 0x93}, {18, 29}}));
}

struct ReadCase {
    const char* name;
    std::function<void(sim::InstrumentFaults&, int exchangesBefore)> faults;
    bool result;
    std::uint8_t value;
    Timeline timeline;
    bool instrumentPresent = true;
};

TEST(ByteOperations, ReadDeliversWhatTheExtraFetchLeftInOutReport) {
    const Timeline failedTransaction = {"set",  "get✗", "sleep 10", "get✗", "sleep 10", "get✗",
                                        "log Сбой чтения", "log Ошибка протокола 21"};
    auto withFetch = [&](const char* fetch) {
        Timeline timeline = failedTransaction;
        timeline.push_back(fetch);
        return timeline;
    };
    const std::vector<ReadCase> cases = {
        // The extra fetch meets a busy answer (bytes 1..17 zero): its byte wins over InReport's.
        {"extra fetch differs from InReport", [](auto& f, int before) { f.BusyStorm(before + 3, before + 3); },
         true, 0x00, {"set", "get", "get"}},
        {"transaction fails, extra fetch made", [](auto& f, int) { f.FailNextGetFeatures(3); }, false, 0x5A,
         withFetch("get")},
        {"extra fetch fails too: the address high byte", [](auto& f, int) { f.FailNextGetFeatures(4); }, false,
         0x03, withFetch("get✗")},
        {"no instrument: nothing delivered", [](auto&, int) {}, false, kUnset, {}, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ProtocolBench bench;
        auto instrument = bench.AttachInstrument(sim::InstrumentBuilder().MemoryByte(0x3FF, 0x5A));
        bench.SetInstrumentPresent(row.instrumentPresent);
        row.faults(instrument->Faults(), instrument->ExchangeCount());
        std::uint8_t value = kUnset;
        EXPECT_EQ(bench.memory.ReadByte(0x3FF, value), row.result);
        EXPECT_EQ(value, row.value);
        EXPECT_EQ(bench.Timeline(), row.timeline);
        if (row.result) {
            EXPECT_EQ(bench.channel.InReport[1], 0x5A);
        }
    }
}

// A write carries bytes 4..17 as the read before it left them in OutReport.
TEST(ByteOperations, WriteAfterReadSendsTheReadsAnswerBytes) {
    ProtocolBench bench;
    auto instrument = bench.AttachInstrument(sim::InstrumentBuilder());
    for (std::size_t i = 4; i <= 17; ++i) bench.channel.OutReport[i] = static_cast<std::uint8_t>(0x40 + i);
    instrument->Faults().CorruptEcho(9, 1, 21);  // the read's answer carries 0xFF in byte 9
    std::uint8_t value = kUnset;
    ASSERT_TRUE(bench.memory.ReadByte(0x010, value));
    bench.Forget();

    EXPECT_TRUE(bench.memory.WriteByte(0x020, 0x77));
    EXPECT_EQ(SentReport(*instrument, 0), Report19({{2, 0x20}, {3, 0x77}, {9, 0xFF}, {18, 20}}));
    EXPECT_EQ(instrument->MemoryByte(0x020), 0x77);
}

struct WriteCase {
    const char* name;
    std::function<void(sim::InstrumentFaults&)> faults;
    bool result;
    std::uint8_t memoryAfter;
    Timeline timeline;
    bool instrumentPresent = true;
};

TEST(ByteOperations, WriteIsTrueOnlyWhenVerifiedAndAlwaysPausesAfterwards) {
    const Timeline mismatch = {"set", "get", "log Сбой записи", "log Повтор записи"};
    Timeline fourMismatches;
    for (int i = 0; i < 4; ++i) fourMismatches.insert(fourMismatches.end(), mismatch.begin(), mismatch.end());
    fourMismatches.insert(fourMismatches.end(), {"box Ошибка записи|", "sleep 5"});
    const std::vector<WriteCase> cases = {
        {"verified", [](auto&) {}, true, 0x88, {"set", "get", "sleep 5"}},
        // The instrument took the byte; only the echo was wrong.
        {"echo wrong four times", [](auto& f) { f.CorruptEcho(3, 4, 20); }, false, 0x88, fourMismatches},
        {"status never read", [](auto& f) { f.FailNextGetFeatures(3); }, false, 0x88,
         {"set", "get✗", "sleep 10", "get✗", "sleep 10", "get✗", "log Сбой чтения", "log Ошибка протокола 20",
          "sleep 5"}},
        {"no instrument", [](auto&) {}, false, 0x01, {}, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ProtocolBench bench;
        auto instrument = bench.AttachInstrument(sim::InstrumentBuilder().FirmwareState(1));
        bench.SetInstrumentPresent(row.instrumentPresent);
        row.faults(instrument->Faults());
        EXPECT_EQ(bench.memory.WriteByte(0x3FF, 0x88), row.result);
        EXPECT_EQ(instrument->MemoryByte(0x3FF), row.memoryAfter);
        EXPECT_EQ(bench.Timeline(), row.timeline);
        if (row.instrumentPresent) {
            EXPECT_EQ(SentReport(*instrument, 0), Report19({{1, 0x03}, {2, 0xFF}, {3, 0x88}, {18, 20}}));
        }
    }
}

}  // namespace
}  // namespace zrflash::protocol::test
