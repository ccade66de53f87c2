// 4-byte numbers in the simulated instrument's memory: the order of the byte reads and writes,
// the bytes that land, refused values, and round trips.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "protocol/NumberFormat.h"
#include "sim/SimInstrument.h"
#include "tests/protocol/ProtocolBench.h"

namespace zrflash::protocol::test {
namespace {

std::vector<SentCommand> Commands(std::initializer_list<std::uint16_t> addresses, std::uint8_t command) {
    std::vector<SentCommand> commands;
    for (auto address : addresses) commands.push_back({address, command});
    return commands;
}

DeviceFloatBytes MemoryAt(const sim::SimInstrument& instrument, std::uint16_t address) {
    DeviceFloatBytes bytes{};
    for (std::uint16_t i = 0; i < 4; ++i) bytes[i] = instrument.MemoryByte(static_cast<std::uint16_t>(address + i));
    return bytes;
}

TEST(DeviceNumbers, ReadTakesTheFourBytesInAscendingOrder) {
    ProtocolBench bench;
    auto instrument = bench.AttachInstrument(sim::InstrumentBuilder().Number(0x3D0, 0.902f));
    EXPECT_EQ(bench.memory.ReadDeviceFloat(0x3D0), static_cast<double>(0.902f));
    EXPECT_EQ(SentCommands(*instrument), Commands({0x3D0, 0x3D1, 0x3D2, 0x3D3}, 21));
}

// Sign and exponent change first, then the fraction from its lowest byte.
TEST(DeviceNumbers, WriteStartsWithTheExponentByte) {
    ProtocolBench bench;
    auto instrument = bench.AttachInstrument(sim::InstrumentBuilder());
    EXPECT_TRUE(bench.memory.WriteDeviceFloat(0x308, 0.902));
    EXPECT_EQ(SentCommands(*instrument), Commands({0x30B, 0x308, 0x309, 0x30A}, 20));
    std::vector<std::uint8_t> values;
    for (std::size_t i = 0; i < 4; ++i) values.push_back(SentReport(*instrument, i).at(3));
    EXPECT_EQ(values, (std::vector<std::uint8_t>{0x3F, 0x79, 0xE9, 0x66}));
    EXPECT_EQ(bench.Sleeps(), (std::vector<int>{5, 5, 5, 5}));
}

TEST(DeviceNumbers, CalibrationTableLandsInMemory) {
    struct Coefficient {
        std::uint16_t address;
        double value;
        DeviceFloatBytes bytes;
    };
    const std::vector<Coefficient> table = {
        {0x308, 0.902, {0x79, 0xE9, 0x66, 0x3F}},   {0x30C, -0.0115, {0x7F, 0x6A, 0x3C, 0xBC}},
        {0x310, 0.7581, {0xD7, 0x12, 0x42, 0x3F}},  {0x314, -0.0051, {0xE7, 0x1D, 0xA7, 0xBB}},
        {0x318, 0.0, {0x00, 0x00, 0x00, 0x00}},     {0x31C, 0.40577, {0x16, 0xC1, 0xCF, 0x3E}},
        {0x320, 0.0197, {0xE5, 0x61, 0xA1, 0x3C}},  {0x324, 0.052, {0xF4, 0xFD, 0x54, 0x3D}},
    };
    ProtocolBench bench;
    auto instrument = bench.AttachInstrument(sim::InstrumentBuilder());
    for (const auto& coefficient : table) EXPECT_TRUE(bench.memory.WriteDeviceFloat(coefficient.address, coefficient.value));
    for (const auto& coefficient : table) {
        EXPECT_EQ(MemoryAt(*instrument, coefficient.address), coefficient.bytes) << coefficient.value;
    }
    EXPECT_TRUE(bench.Log().empty());
}

TEST(DeviceNumbers, RefusedValuesWriteNothing) {
    ProtocolBench bench;
    auto instrument = bench.AttachInstrument(sim::InstrumentBuilder());
    const auto before = MemoryAt(*instrument, 0x308);
    for (double value : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300}) {
        EXPECT_FALSE(bench.memory.WriteDeviceFloat(0x308, value)) << value;
    }
    EXPECT_TRUE(bench.Timeline().empty());
    EXPECT_EQ(MemoryAt(*instrument, 0x308), before);
}

TEST(DeviceNumbers, AFailedByteWriteMakesTheNumberWriteFalse) {
    ProtocolBench bench;
    auto instrument = bench.AttachInstrument(sim::InstrumentBuilder());
    instrument->Faults().CorruptEcho(3, 4, 20);
    EXPECT_FALSE(bench.memory.WriteDeviceFloat(0x308, 0.902));
    EXPECT_EQ(bench.MessageBoxCount(), 1u);
    // The other three bytes are still written.
    EXPECT_EQ(SentCommands(*instrument).size(), 7u);
    EXPECT_EQ(MemoryAt(*instrument, 0x308), (DeviceFloatBytes{0x79, 0xE9, 0x66, 0x3F}));
}

TEST(DeviceNumbers, RoundTripThroughTheInstrument) {
    ProtocolBench bench;
    bench.AttachInstrument(sim::InstrumentBuilder());
    for (double value : {1.0, -0.01, 100.0, 0.0, -0.0, 3e-30, -1.5e38, 2.0 - 0x1p-24}) {
        ASSERT_TRUE(bench.memory.WriteDeviceFloat(0x3D0, value)) << value;
        EXPECT_EQ(bench.memory.ReadDeviceFloat(0x3D0), DecodeDeviceFloat(*EncodeDeviceFloat(value))) << value;
        EXPECT_NEAR(bench.memory.ReadDeviceFloat(0x3D0), value, std::fabs(value) * 1e-7) << value;
    }
}

// A number at the top of the address range runs on at address 0, for reads and writes alike.
TEST(DeviceNumbers, AddressesWrapAtTheTopOfTheRange) {
    ProtocolBench bench;
    auto instrument = bench.AttachInstrument(sim::InstrumentBuilder());
    EXPECT_TRUE(bench.memory.WriteDeviceFloat(0xFFFE, 1.0));
    EXPECT_EQ(SentCommands(*instrument), Commands({0x0001, 0xFFFE, 0xFFFF, 0x0000}, 20));
    std::vector<std::uint8_t> values;
    for (std::size_t i = 0; i < 4; ++i) values.push_back(SentReport(*instrument, i).at(3));
    EXPECT_EQ(values, (std::vector<std::uint8_t>{0x3F, 0x00, 0x00, 0x80}));

    bench.Forget();
    bench.memory.ReadDeviceFloat(0xFFFE);
    EXPECT_EQ(SentCommands(*instrument), Commands({0xFFFE, 0xFFFF, 0x0000, 0x0001}, 21));
}

}  // namespace
}  // namespace zrflash::protocol::test
