// The simulated instrument's answers to each command, driven report by report.
#include "sim/InstrumentBuilder.h"
#include "tests/sim/InstrumentTestHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace zrflash::sim::test {
namespace {

class InstrumentCommandsTest : public ::testing::Test {
protected:
    void Use(std::shared_ptr<SimInstrument> built) {
        instrument = std::move(built);
        instrument->AttachHost(&host);
    }

    void SetUp() override { Use(InstrumentBuilder().Build()); }

    std::uint8_t ReadMemory(std::uint16_t address) {
        return Exchange(*instrument, Request(command::ReadByte, {HighByte(address), LowByte(address)}))[1];
    }

    static std::uint8_t HighByte(std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); }
    static std::uint8_t LowByte(std::uint16_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

    static InstrumentReport Chunk(std::uint8_t offset, const std::array<std::uint8_t, 16>& data) {
        InstrumentReport request = Request(command::WriteChunk, {offset});
        std::copy(data.begin(), data.end(), request.begin() + 2);
        return request;
    }

    InstrumentTestHost host;
    std::shared_ptr<SimInstrument> instrument;
};

TEST_F(InstrumentCommandsTest, WriteByteStoresTheValueAndEchoesTheRequest) {
    const InstrumentReport request =
        Request(command::WriteByte, {0x03, 0xFF, 0x88, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
    const InstrumentReport answer = Exchange(*instrument, request);

    EXPECT_EQ(instrument->MemoryByte(0x3FF), 0x88);
    EXPECT_TRUE(std::equal(request.begin() + 1, request.begin() + 18, answer.begin() + 1));
    EXPECT_EQ(answer[kStatusByte], 0);
}

TEST_F(InstrumentCommandsTest, ReadByteAnswersTheValueToEveryFetchUntilTheNextCommand) {
    instrument->SetMemoryByte(0x7FF, 0xA5);
    ASSERT_TRUE(instrument->SetFeature(Request(command::ReadByte, {0x07, 0xFF})));
    for (int fetch = 0; fetch < 2; ++fetch) {
        InstrumentReport answer{};
        ASSERT_TRUE(instrument->GetFeature(answer));
        EXPECT_EQ(answer[1], 0xA5);
        EXPECT_EQ(answer[kStatusByte], 0);
    }
}

TEST_F(InstrumentCommandsTest, AddressesOutsideTheSettingsMemoryWriteNothingAndReadZero) {
    const std::vector<std::uint8_t> before(instrument->Memory().begin(), instrument->Memory().end());
    for (const std::uint16_t address : {0x0800, 0x0FFF, 0x8000, 0xFFFF}) {
        SCOPED_TRACE(address);
        const InstrumentReport answer =
            Exchange(*instrument, Request(command::WriteByte, {HighByte(address), LowByte(address), 0x42}));
        EXPECT_EQ(answer[3], 0x42);
        EXPECT_EQ(ReadMemory(address), 0);
    }
    EXPECT_TRUE(std::equal(before.begin(), before.end(), instrument->Memory().begin()));
}

TEST_F(InstrumentCommandsTest, IdentificationSpacesAnswerTheirOwnBytes) {
    Use(InstrumentBuilder().Ident(24, 0x0800, 0x77).Ident(28, 0x0800, 0x88).Build());
    const struct {
        std::uint8_t space;
        std::uint16_t address;
        std::uint8_t expected;
    } cases[] = {
        {24, 0x0800, 0x77}, {28, 0x0800, 0x88}, {29, 0x0800, 0},  // the same address in three spaces
        {29, 0x0093, 2},    {29, 0x01D0, 0x54}, {30, 0x1118, 0x5A},
        {24, 0x1500, 0x89}, {28, 0x0500, 0x32}, {24, 0x1100, 0},  // 0x1100 is never read, so unset
        {30, 0xFFFF, 0},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(testing::Message() << int{each.space} << " @ " << each.address);
        const InstrumentReport answer = Exchange(
            *instrument, Request(each.space, {HighByte(each.address), LowByte(each.address)}));
        EXPECT_EQ(answer[1], each.expected);
        EXPECT_EQ(answer[kStatusByte], 0);
    }
}

TEST_F(InstrumentCommandsTest, BatteryMeasurementAnswersTheRawValueHighByteFirst) {
    Use(InstrumentBuilder().BatteryRaw(0x1234).Build());
    InstrumentReport answer = Exchange(*instrument, Request(command::MeasureBattery, {0x20, 0x01, 0x02}));
    EXPECT_EQ(answer[1], 0x12);
    EXPECT_EQ(answer[2], 0x34);

    answer = Exchange(*instrument, Request(command::MeasureBattery, {0x20, 0x01, 0x03}));
    EXPECT_EQ(answer[1], 0);
    EXPECT_EQ(answer[2], 0);
}

TEST_F(InstrumentCommandsTest, ChunkAnswersTheSumOfItsOperandsLowByteFirstAndEchoesTheData) {
    const struct {
        std::uint8_t offset;
        std::uint8_t fill;
        std::uint16_t sum;
    } cases[] = {{0x20, 0xFF, 0x1010}, {0x00, 0x00, 0x0000}, {0xF0, 0xFF, 0x10E0}, {0x10, 0x01, 0x0020}};
    for (const auto& each : cases) {
        SCOPED_TRACE(testing::Message() << "offset " << int{each.offset});
        std::array<std::uint8_t, 16> data;
        data.fill(each.fill);
        const InstrumentReport request = Chunk(each.offset, data);
        const InstrumentReport answer = Exchange(*instrument, request);
        EXPECT_EQ(answer[1], each.sum & 0xFF);
        EXPECT_EQ(answer[2], each.sum >> 8);
        EXPECT_TRUE(std::equal(request.begin() + 3, request.begin() + 18, answer.begin() + 3));
        EXPECT_TRUE(std::equal(data.begin(), data.end(), instrument->PageBuffer().begin() + each.offset));
    }
}

TEST_F(InstrumentCommandsTest, ChunkRunningPastThePageEndKeepsOnlyWhatFits) {
    Use(InstrumentBuilder().BatteryRaw(0x1234).Build());
    std::array<std::uint8_t, 16> data;
    std::iota(data.begin(), data.end(), 1);
    const InstrumentReport answer = Exchange(*instrument, Chunk(0xF8, data));

    EXPECT_EQ(answer[1] + 256 * answer[2], 0xF8 + 136);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 8, instrument->PageBuffer().begin() + 0xF8));
    EXPECT_TRUE(std::all_of(instrument->PageBuffer().begin(), instrument->PageBuffer().begin() + 0xF8,
                            [](std::uint8_t byte) { return byte == kErasedByte; }));
    // Nothing beyond the page buffer was overwritten by the bytes that did not fit.
    const InstrumentReport battery = Exchange(*instrument, Request(command::MeasureBattery, {0x20, 0x01, 0x02}));
    EXPECT_EQ(battery[1] * 256 + battery[2], 0x1234);
    EXPECT_EQ(instrument->CommittedPages(), 0);
    EXPECT_EQ(instrument->RefusedCommits(), 0);
}

TEST_F(InstrumentCommandsTest, CommitWritesThePageBufferToItsFlashPageAndStartsAFreshBuffer) {
    std::vector<std::uint8_t> page(kFlashPageSize);
    for (std::size_t index = 0; index < page.size(); ++index) {
        page[index] = static_cast<std::uint8_t>(index * 3 + 1);
    }
    for (std::size_t offset = 0; offset < kFlashPageSize; offset += 16) {
        std::array<std::uint8_t, 16> data;
        std::copy_n(page.begin() + static_cast<std::ptrdiff_t>(offset), 16, data.begin());
        Exchange(*instrument, Chunk(static_cast<std::uint8_t>(offset), data));
    }
    const InstrumentReport answer = Exchange(*instrument, Request(command::CommitPage, {3, kModel12CommitByte}));

    EXPECT_EQ(answer[kStatusByte], 0);
    const auto flash = instrument->Flash();
    EXPECT_TRUE(std::equal(page.begin(), page.end(), flash.begin() + 0x300));
    EXPECT_EQ(std::count(flash.begin(), flash.end(), kErasedByte),
              static_cast<std::ptrdiff_t>(kFlashSize - kFlashPageSize) + std::count(page.begin(), page.end(), 0xFF));
    EXPECT_TRUE(std::all_of(instrument->PageBuffer().begin(), instrument->PageBuffer().end(),
                            [](std::uint8_t byte) { return byte == kErasedByte; }));
    EXPECT_EQ(instrument->CommittedPages(), 1);
}

// A bootloader takes only its own model's firmware.
TEST_F(InstrumentCommandsTest, CommitWithAnotherModelsByteIsRefused) {
    const struct {
        bool model14;
        std::uint8_t modelByte;
        bool written;
    } cases[] = {{false, 45, true}, {false, 14, false}, {false, 0, false},
                 {true, 14, true},  {true, 45, false},  {true, 12, false}};
    for (const auto& each : cases) {
        SCOPED_TRACE(testing::Message() << "model14 " << each.model14 << ", byte " << int{each.modelByte});
        InstrumentBuilder builder;
        if (each.model14) {
            builder.Model14();
        }
        Use(builder.Build());
        std::array<std::uint8_t, 16> zeros{};
        Exchange(*instrument, Chunk(0, zeros));
        const InstrumentReport answer = Exchange(*instrument, Request(command::CommitPage, {255, each.modelByte}));

        EXPECT_EQ(answer[kStatusByte], 0);
        EXPECT_EQ(instrument->Flash()[0xFF00] == 0, each.written);
        EXPECT_EQ(instrument->RefusedCommits(), each.written ? 0 : 1);
        EXPECT_EQ(instrument->PageBuffer()[0] == 0, !each.written);
    }
}

TEST_F(InstrumentCommandsTest, FirmwareCheckAnswersTheSumOfTheUploadedRangeLowByteFirst) {
    InstrumentReport answer = Exchange(*instrument, Request(command::CheckFirmware));
    // Erased flash: 57,344 × 0xFF.
    EXPECT_EQ(answer[1], 0x00);
    EXPECT_EQ(answer[2], 0x20);
    EXPECT_EQ(answer[3], 0xDF);

    std::vector<std::uint8_t> image(kFlashSize);
    for (std::size_t index = 0; index < image.size(); ++index) {
        image[index] = static_cast<std::uint8_t>(index % 251);
    }
    Use(InstrumentBuilder().Flash(image).Build());
    const std::uint32_t expected =
        std::accumulate(image.begin(), image.begin() + kCheckedFlashSize, 0u) & 0xFFFFFF;
    answer = Exchange(*instrument, Request(command::CheckFirmware));
    EXPECT_EQ(answer[1] + 256u * answer[2] + 65536u * answer[3], expected);
    EXPECT_EQ(instrument->FirmwareChecksum(), expected);
}

TEST_F(InstrumentCommandsTest, UnknownCommandsAnswerDoneWithZeros) {
    const std::vector<std::uint8_t> before(instrument->Memory().begin(), instrument->Memory().end());
    for (const std::uint8_t code : {0, 19, 26, 31, 255}) {
        SCOPED_TRACE(int{code});
        Exchange(*instrument, Request(command::ReadByte, {0x03, 0x40}));
        const InstrumentReport answer = Exchange(*instrument, Request(code, {0x03, 0xFF, 0x55}));
        EXPECT_EQ(answer, InstrumentReport{});
    }
    EXPECT_TRUE(std::equal(before.begin(), before.end(), instrument->Memory().begin()));
}

TEST_F(InstrumentCommandsTest, ShortReportsNeverCarryTheStatusByte) {
    Use(InstrumentBuilder().ReportLength(17).Build());
    ASSERT_TRUE(instrument->SetFeature(Request(command::ReadByte, {0x03, 0x40})));
    InstrumentReport answer{};
    answer[17] = 0x11;
    answer[kStatusByte] = 2;
    ASSERT_TRUE(instrument->GetFeature(answer));
    EXPECT_EQ(answer[1], 0) << "byte 18 never arrived, so the request was no read";
    EXPECT_EQ(answer[17], 0x11);
    EXPECT_EQ(answer[kStatusByte], 2);
    EXPECT_EQ(instrument->Trace().back().bytes.size(), 17u);
}

TEST_F(InstrumentCommandsTest, LongReportsCarryTheAnswerAndZerosBeyondIt) {
    Use(InstrumentBuilder().ReportLength(20).Build());
    EXPECT_EQ(instrument->Identity().featureReportLength, 20);
    ASSERT_TRUE(instrument->SetFeature(Request(command::ReadByte, {0x03, 0xFF})));
    std::array<std::uint8_t, 20> answer;
    answer.fill(0x33);
    answer[0] = 0;
    ASSERT_TRUE(instrument->GetFeature(answer));
    EXPECT_EQ(answer[1], 1);
    EXPECT_EQ(answer[kStatusByte], 0);
    EXPECT_EQ(answer[19], 0);
}

TEST_F(InstrumentCommandsTest, ReportsWithAnotherReportIdOrNoBytesFail) {
    InstrumentReport request = Request(command::WriteByte, {0x03, 0xFF, 0x55});
    request[0] = 1;
    EXPECT_FALSE(instrument->SetFeature(request));
    EXPECT_FALSE(instrument->SetFeature({}));
    EXPECT_NE(instrument->MemoryByte(0x3FF), 0x55);
    InstrumentReport answer{};
    answer[0] = 1;
    EXPECT_FALSE(instrument->GetFeature(answer));
    EXPECT_FALSE(instrument->GetFeature({}));
}

}  // namespace
}  // namespace zrflash::sim::test
