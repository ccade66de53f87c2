// What a scripted instrument presents and holds before the program touches it.
#include "sim/InstrumentBuilder.h"

#include <gtest/gtest.h>

#include <string>

namespace zrflash::sim::test {
namespace {

std::string VersionText(const SimInstrument& instrument) {
    return std::string(instrument.Memory().begin() + 0x340, instrument.Memory().begin() + 0x345);
}

TEST(InstrumentBuilderTest, ModelsPresentTheirIdentityAndVersion) {
    const struct {
        std::shared_ptr<SimInstrument> instrument;
        int model;
        std::uint16_t productId;
        std::string version;
    } cases[] = {
        {InstrumentBuilder().Build(), 12, 0xF542, "C1.28"},
        {InstrumentBuilder().Model12(kModel12OtherProductId).Build(), 12, 0xF541, "C1.28"},
        {InstrumentBuilder().Model14().Build(), 14, 0xF538, "D1.13"},
        {InstrumentBuilder().Version("D1.05").Model14().Build(), 14, 0xF538, "D1.05"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.version);
        const SimDeviceIdentity identity = each.instrument->Identity();
        EXPECT_EQ(identity.vendorId, 0xFF4D);
        EXPECT_EQ(identity.productId, each.productId);
        EXPECT_EQ(identity.featureReportLength, 19);
        EXPECT_EQ(each.instrument->ModelCode(), each.model);
        EXPECT_EQ(VersionText(*each.instrument), each.version);
    }
}

TEST(InstrumentBuilderTest, CellsHoldWhatWasScripted) {
    const auto instrument = InstrumentBuilder()
                                .Version("C1.1")
                                .FirmwareState(0x88)
                                .Option(InstrumentOption::AutoSave, true)
                                .Option(InstrumentOption::RcldSwap, true)
                                .Option(InstrumentOption::MenuSwap, true)
                                .BatteryScale(1.0f)
                                .Number(0x308, 0.902f)
                                .MemoryByte(0x800, 0x99)  // past the memory: dropped
                                .Build();
    const auto memory = instrument->Memory();
    EXPECT_EQ(VersionText(*instrument), std::string("C1.1\0", 5));
    EXPECT_EQ(memory[0x3FF], 0x88);
    EXPECT_EQ(memory[0x3B3], 1);
    EXPECT_EQ(memory[0x3CD], 4);
    EXPECT_EQ(memory[0x3CE], 1);
    EXPECT_EQ(memory[0x3FE], 1);
    const std::array<std::uint8_t, 4> one{0x00, 0x00, 0x80, 0x3F};
    const std::array<std::uint8_t, 4> coefficient{0x79, 0xE9, 0x66, 0x3F};
    EXPECT_TRUE(std::equal(one.begin(), one.end(), memory.begin() + 0x3D0));
    EXPECT_TRUE(std::equal(coefficient.begin(), coefficient.end(), memory.begin() + 0x308));
}

TEST(InstrumentBuilderTest, OptionsOffAndDefaultsAreThoseThePollExpects) {
    const auto instrument = InstrumentBuilder().Build();
    const auto memory = instrument->Memory();
    EXPECT_EQ(memory[0x3FF], 1);
    EXPECT_EQ(memory[0x3B3], 0);
    EXPECT_EQ(memory[0x3CD], 1);
    EXPECT_EQ(memory[0x3CE], 4);
    EXPECT_EQ(memory[0x3FE], 0);
    EXPECT_EQ(instrument->SpaceByte(29, 0x0093), 2);
    EXPECT_TRUE(std::all_of(instrument->Flash().begin(), instrument->Flash().end(),
                            [](std::uint8_t byte) { return byte == kErasedByte; }));
    // The filler differs from neighbour to neighbour, so a shifted backup line shows.
    EXPECT_NE(memory[0x10], memory[0x11]);
    EXPECT_NE(memory[0x7FE], memory[0x7FF]);
}

TEST(InstrumentBuilderTest, EachBuildIsAnInstrumentOfItsOwn) {
    InstrumentBuilder builder;
    const auto first = builder.Build();
    const auto second = builder.Build();
    first->SetMemoryByte(0x3FF, 0x88);
    EXPECT_EQ(second->MemoryByte(0x3FF), 1);
}

}  // namespace
}  // namespace zrflash::sim::test
