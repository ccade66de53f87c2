// Scripted faults of the simulated instrument, its trace, counters, latency and unplugging.
#include "sim/InstrumentBuilder.h"
#include "tests/sim/InstrumentTestHost.h"

#include <gtest/gtest.h>

#include <vector>

namespace zrflash::sim::test {
namespace {

class InstrumentFaultsTest : public ::testing::Test {
protected:
    void SetUp() override { instrument->AttachHost(&host); }

    // Status bytes of `count` fetches after one SetFeature of the request.
    std::vector<int> Statuses(const InstrumentReport& request, int count) {
        EXPECT_TRUE(instrument->SetFeature(request));
        std::vector<int> statuses;
        for (int fetch = 0; fetch < count; ++fetch) {
            InstrumentReport answer{};
            answer[kStatusByte] = 0xEE;
            instrument->GetFeature(answer);
            statuses.push_back(answer[kStatusByte]);
        }
        return statuses;
    }

    static InstrumentReport Write(std::uint8_t value) { return Request(command::WriteByte, {0x03, 0xFF, value}); }
    static InstrumentReport Read() { return Request(command::ReadByte, {0x03, 0xFF}); }

    InstrumentTestHost host;
    std::shared_ptr<SimInstrument> instrument = InstrumentBuilder().Build();
};

TEST_F(InstrumentFaultsTest, TransfersFailWhileOffTheBus) {
    const auto unattached = InstrumentBuilder().Build();
    InstrumentReport answer{};
    EXPECT_FALSE(unattached->SetFeature(Write(0x55)));
    EXPECT_FALSE(unattached->GetFeature(answer));

    instrument->AttachHost(nullptr);
    EXPECT_FALSE(instrument->SetFeature(Write(0x55)));
    EXPECT_NE(instrument->MemoryByte(0x3FF), 0x55);

    instrument->AttachHost(&host);
    EXPECT_TRUE(instrument->SetFeature(Write(0x55)));
    EXPECT_EQ(instrument->MemoryByte(0x3FF), 0x55);
}

TEST_F(InstrumentFaultsTest, FailedSendsAreNotCarriedOut) {
    instrument->Faults().FailSetFeatureAt(2);
    instrument->Faults().FailSetFeatureAt(5);
    instrument->Faults().FailNextSetFeatures(1);
    std::vector<bool> results;
    for (std::uint8_t value = 10; value < 16; ++value) {
        results.push_back(instrument->SetFeature(Write(value)));
        if (results.back()) {
            EXPECT_EQ(instrument->MemoryByte(0x3FF), value);
        } else {
            EXPECT_NE(instrument->MemoryByte(0x3FF), value);
        }
    }
    EXPECT_EQ(results, (std::vector<bool>{false, false, true, true, false, true}));
}

TEST_F(InstrumentFaultsTest, FailedFetchesLeaveTheBufferAndTheBusyCountAlone) {
    instrument->Faults().FailNextGetFeatures(2);
    instrument->Faults().FailGetFeatureAt(4);
    instrument->Faults().BusyAnswers(command::ReadByte, 1);
    ASSERT_TRUE(instrument->SetFeature(Read()));
    std::vector<int> statuses;
    for (int fetch = 0; fetch < 5; ++fetch) {
        InstrumentReport answer{};
        answer[kStatusByte] = 0xEE;
        const bool fetched = instrument->GetFeature(answer);
        statuses.push_back(fetched ? answer[kStatusByte] : -1);
        if (!fetched) {
            EXPECT_EQ(answer[kStatusByte], 0xEE);
        }
    }
    EXPECT_EQ(statuses, (std::vector<int>{-1, -1, 1, -1, 0}));
}

TEST_F(InstrumentFaultsTest, BusyAnswersFollowTheCommandRules) {
    instrument->Faults().BusyAnswers(command::ReadByte, 2);
    instrument->Faults().BusyAnswers(command::WriteByte, 1, 1);
    EXPECT_EQ(Statuses(Read(), 3), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(Statuses(Read(), 3), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(Statuses(Write(7), 2), (std::vector<int>{1, 0}));
    EXPECT_EQ(Statuses(Write(8), 2), (std::vector<int>{0, 0}));
    EXPECT_EQ(Statuses(Request(command::CheckFirmware), 1), (std::vector<int>{0}));

    // A busy answer carries no data; the answer follows once the instrument is done.
    ASSERT_TRUE(instrument->SetFeature(Read()));
    InstrumentReport answer{};
    ASSERT_TRUE(instrument->GetFeature(answer));
    EXPECT_EQ(answer, (InstrumentReport{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    ASSERT_TRUE(instrument->GetFeature(answer));
    ASSERT_TRUE(instrument->GetFeature(answer));
    EXPECT_EQ(answer[1], 8);
}

TEST_F(InstrumentFaultsTest, BusyStormCoversItsExchangesWhateverTheCommand) {
    instrument->Faults().BusyStorm(3, 5);
    // Exchanges: 1 send, 2 fetch, 3 send, 4 fetch, 5 fetch, 6 fetch.
    EXPECT_EQ(Statuses(Read(), 1), (std::vector<int>{0}));
    EXPECT_EQ(Statuses(Request(command::CheckFirmware), 3), (std::vector<int>{1, 1, 0}));

    // The command's own busy answers run on through a storm: exchanges 7 send, 8..11 fetch.
    instrument->Faults().BusyStorm(8, 9);
    instrument->Faults().BusyAnswers(command::ReadByte, 3);
    EXPECT_EQ(Statuses(Read(), 4), (std::vector<int>{1, 1, 1, 0}));
}

TEST_F(InstrumentFaultsTest, CorruptedEchoInvertsTheChosenByteForTheChosenCommand) {
    instrument->Faults().CorruptEcho(17, 2, command::WriteByte);
    const InstrumentReport request = Write(0x42);
    for (int attempt = 0; attempt < 3; ++attempt) {
        SCOPED_TRACE(attempt);
        Exchange(*instrument, Read());
        const InstrumentReport answer = Exchange(*instrument, request);
        EXPECT_EQ(answer[17], attempt < 2 ? 0xFF : 0x00);
        EXPECT_TRUE(std::equal(request.begin() + 1, request.begin() + 17, answer.begin() + 1));
    }
}

TEST_F(InstrumentFaultsTest, CorruptedChecksumInvertsOneByteOfTheChunkAnswer) {
    const struct {
        ChecksumByte byte;
        std::uint8_t low;
        std::uint8_t high;
    } cases[] = {{ChecksumByte::Low, 0xEF, 0x10}, {ChecksumByte::High, 0x10, 0xEF}};
    InstrumentReport chunk = Request(command::WriteChunk, {0x20});
    std::fill(chunk.begin() + 2, chunk.begin() + 18, 0xFF);
    for (const auto& each : cases) {
        instrument->Faults().CorruptChecksum(each.byte, 1);
        InstrumentReport answer = Exchange(*instrument, chunk);
        EXPECT_EQ(answer[1], each.low);
        EXPECT_EQ(answer[2], each.high);
        EXPECT_EQ(answer[3], 0xFF);
        answer = Exchange(*instrument, chunk);
        EXPECT_EQ(answer[1] + 256 * answer[2], 0x1010);
    }
}

TEST_F(InstrumentFaultsTest, LostCommitIsAnsweredDoneButWritesNothing) {
    instrument->Faults().LoseCommits(1);
    InstrumentReport chunk = Request(command::WriteChunk, {0x00});
    std::fill(chunk.begin() + 2, chunk.begin() + 18, 0x00);
    Exchange(*instrument, chunk);

    const InstrumentReport answer = Exchange(*instrument, Request(command::CommitPage, {0, kModel12CommitByte}));
    EXPECT_EQ(answer[kStatusByte], 0);
    EXPECT_EQ(instrument->Flash()[0], kErasedByte);

    Exchange(*instrument, Request(command::CommitPage, {0, kModel12CommitByte}));
    EXPECT_EQ(instrument->Flash()[0], 0);
    EXPECT_EQ(instrument->CommittedPages(), 1);
}

TEST_F(InstrumentFaultsTest, UnplugAtAnExchangeFailsItAndEveryLaterTransfer) {
    host.detachOnUnplug = false;  // the instrument leaves the bus by itself
    instrument->Faults().UnplugAt(3);
    EXPECT_EQ(Statuses(Read(), 1), (std::vector<int>{0}));
    EXPECT_FALSE(instrument->SetFeature(Write(0x55)));
    EXPECT_EQ(host.unplugs, 1);
    EXPECT_EQ(host.unpluggedDevice, instrument.get());
    EXPECT_FALSE(instrument->IsAttached());
    EXPECT_NE(instrument->MemoryByte(0x3FF), 0x55);
    InstrumentReport answer{};
    EXPECT_FALSE(instrument->GetFeature(answer));
    EXPECT_FALSE(instrument->SetFeature(Write(0x55)));
    EXPECT_EQ(host.unplugs, 1);

    instrument->AttachHost(&host);  // plugged in again
    EXPECT_TRUE(instrument->SetFeature(Write(0x55)));
    EXPECT_EQ(instrument->MemoryByte(0x3FF), 0x55);
}

TEST_F(InstrumentFaultsTest, LatencyLetsTimePassForEveryTransfer) {
    instrument->Faults().Latency(1);
    Exchange(*instrument, Read());
    instrument->Faults().FailNextGetFeatures(1);
    Exchange(*instrument, Read());
    EXPECT_EQ(host.elapsed, 4);
}

TEST_F(InstrumentFaultsTest, TraceHoldsEveryTransferAsItWent) {
    instrument->Faults().FailGetFeatureAt(2);
    const InstrumentReport request = Write(0x88);
    ASSERT_TRUE(instrument->SetFeature(request));
    std::array<std::uint8_t, 19> answer{};
    ASSERT_TRUE(instrument->GetFeature(answer));
    ASSERT_FALSE(instrument->GetFeature(answer));
    const std::array<std::uint8_t, 17> shortRequest{0, 0x03, 0xFF};
    ASSERT_TRUE(instrument->SetFeature(shortRequest));

    const auto& trace = instrument->Trace();
    ASSERT_EQ(trace.size(), 4u);
    const std::vector<std::uint8_t> sent(request.begin(), request.end());
    const std::vector<std::uint8_t> received(answer.begin(), answer.end());
    const struct {
        TransferDirection direction;
        std::uint8_t command;
        std::vector<std::uint8_t> bytes;
        bool succeeded;
    } expected[] = {
        {TransferDirection::SetFeature, 20, sent, true},
        {TransferDirection::GetFeature, 20, received, true},
        {TransferDirection::GetFeature, 20, {}, false},
        {TransferDirection::SetFeature, 0, {shortRequest.begin(), shortRequest.end()}, true},
    };
    for (std::size_t index = 0; index < trace.size(); ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(trace[index].exchange, static_cast<int>(index) + 1);
        EXPECT_EQ(trace[index].direction, expected[index].direction);
        EXPECT_EQ(trace[index].command, expected[index].command);
        EXPECT_EQ(trace[index].bytes, expected[index].bytes);
        EXPECT_EQ(trace[index].succeeded, expected[index].succeeded);
    }
    EXPECT_EQ(received[3], 0x88);
    EXPECT_EQ(instrument->SetFeatureCount(), 2);
    EXPECT_EQ(instrument->GetFeatureCount(), 2);
    EXPECT_EQ(instrument->ExchangeCount(), 4);

    instrument->ClearTrace();
    EXPECT_TRUE(instrument->Trace().empty());
    EXPECT_EQ(instrument->ExchangeCount(), 4);
}

}  // namespace
}  // namespace zrflash::sim::test
