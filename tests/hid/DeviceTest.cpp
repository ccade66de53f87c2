// A device's open condition, its kept report description, feature transfers and strings.
#include <gtest/gtest.h>

#include "tests/hid/HidBench.h"

namespace zrflash::hid::test {
namespace {

class OneInstrument : public ::testing::Test {
protected:
    void SetUp() override {
        bench.bus.Plug(instrument);
        bench.Start();
        device = &bench.controller->Device(0);
    }

    FeatureDevice instrument;
    HidBench bench;
    THidDevice* device = nullptr;
    std::vector<std::uint8_t> report = std::vector<std::uint8_t>(19);
};

TEST_F(OneInstrument, UnclaimedDeviceIsNeverOpened) {
    const int opens = bench.system.Statistics().opens;
    EXPECT_FALSE(device->SetFeature(report, 19));
    EXPECT_FALSE(device->GetFeature(report, 19));
    EXPECT_FALSE(device->OpenFile());
    EXPECT_EQ(device->VendorName(), u"");
    EXPECT_EQ(device->Caps().FeatureReportByteLength, 0);
    EXPECT_EQ(device->GetUsages({}, *std::make_unique<std::uint32_t>(0), {}), kHidpStatusNull);
    EXPECT_EQ(bench.system.Statistics().opens, opens);
    EXPECT_TRUE(instrument.setSizes.empty());
    EXPECT_TRUE(instrument.getSizes.empty());
}

TEST_F(OneInstrument, CapsAreFetchedOnceAndKeptAfterUnplug) {
    ASSERT_TRUE(device->CheckOut());
    const int fetches = bench.system.Statistics().preparsedDataFetches;
    EXPECT_EQ(device->Caps().FeatureReportByteLength, 19);
    EXPECT_EQ(device->HidFileHandle(), HidHandle::None) << "reading the description closes the handle again";
    EXPECT_EQ(device->Caps().FeatureReportByteLength, 19);
    EXPECT_EQ(bench.system.Statistics().preparsedDataFetches, fetches + 1);

    ASSERT_TRUE(device->SetFeature(report, 19));
    bench.bus.Unplug(instrument);
    bench.Run();
    const int opens = bench.system.Statistics().opens;
    EXPECT_EQ(device->Caps().FeatureReportByteLength, 19);
    EXPECT_FALSE(device->SetFeature(report, 19));
    EXPECT_FALSE(device->GetFeature(report, 19));
    EXPECT_EQ(bench.system.Statistics().opens, opens) << "an unplugged device is never opened again";
    EXPECT_EQ(instrument.setSizes.size(), 1u);
}

struct TransferCase {
    const char* name;
    std::size_t buffer;
    int size;
    bool sent;
};

class FeatureSizeTest : public OneInstrument, public ::testing::WithParamInterface<TransferCase> {};

// Whatever length the device claims, no transfer reaches past the caller's buffer.
TEST_P(FeatureSizeTest, SizeBeyondTheBufferIsRefusedWithoutDeviceAccess) {
    const TransferCase& c = GetParam();
    ASSERT_TRUE(device->CheckOut());
    std::vector<std::uint8_t> buffer(c.buffer, 0xEE);
    EXPECT_EQ(device->SetFeature(buffer, c.size), c.sent);
    EXPECT_EQ(device->GetFeature(buffer, c.size), c.sent);
    if (c.sent) {
        EXPECT_EQ(instrument.setSizes, std::vector<std::size_t>{static_cast<std::size_t>(c.size)});
        EXPECT_EQ(instrument.getSizes, std::vector<std::size_t>{static_cast<std::size_t>(c.size)});
    } else {
        EXPECT_TRUE(instrument.setSizes.empty());
        EXPECT_TRUE(instrument.getSizes.empty());
        EXPECT_EQ(buffer, std::vector<std::uint8_t>(c.buffer, 0xEE));
    }
}

INSTANTIATE_TEST_SUITE_P(Device, FeatureSizeTest,
                         ::testing::Values(TransferCase{"Exact", 19, 19, true}, TransferCase{"Shorter", 19, 9, true},
                                           TransferCase{"DeviceLongerThanBuffer", 8, 19, false},
                                           TransferCase{"Negative", 19, -1, false},
                                           TransferCase{"ZeroLength", 19, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OneInstrument, HandleStaysOpenBetweenTransfersAndClosesAtCheckIn) {
    THidDevice* claimed = nullptr;
    ASSERT_TRUE(bench.controller->CheckOut(claimed));
    ASSERT_TRUE(claimed->SetFeature(report, 19));
    const int opens = bench.system.Statistics().opens;
    ASSERT_TRUE(claimed->GetFeature(report, 19));
    EXPECT_EQ(report[5], 5);
    EXPECT_EQ(bench.system.Statistics().opens, opens);
    EXPECT_EQ(bench.system.OpenHandleCount(), 1);
    bench.controller->CheckIn(claimed);
    EXPECT_EQ(bench.system.OpenHandleCount(), 0);
}

TEST_F(OneInstrument, StringsAreReadWhileClaimedAndKept) {
    ASSERT_TRUE(device->CheckOut());
    EXPECT_EQ(device->VendorName(), u"Maker");
    EXPECT_EQ(device->ProductName(), u"Tweezers");
    EXPECT_EQ(device->SerialNumber(), u"SN0001");
    EXPECT_EQ(device->LanguageStrings(), std::vector<std::u16string>{u"English (United States)"});
    EXPECT_EQ(bench.system.OpenHandleCount(), 0) << "the name readers close the handle";
    EXPECT_EQ(device->GetDeviceString(0), u"");
    EXPECT_TRUE(device->PhysicalDescriptor().empty());
    EXPECT_EQ(device->GetExtendedAttributes(0, {}, *std::make_unique<std::uint32_t>(0)), kHidpStatusNotImplemented);
    bench.bus.Unplug(instrument);
    bench.Run();
    EXPECT_EQ(device->ProductName(), u"Tweezers");
}

TEST_F(OneInstrument, TimingAcceptsOnlyItsRange) {
    struct Case {
        int value;
        int polling;
        int sleep;
    };
    const Case cases[] = {{-1, 0, 100}, {5, 5, 100}, {10, 10, 10}, {10000, 10000, 10000}, {10001, 10000, 10000}};
    for (const Case& c : cases) {
        device->SetPollingDelayTime(c.value);
        device->SetThreadSleepTime(c.value);
        EXPECT_EQ(device->PollingDelayTime(), c.polling) << c.value;
        EXPECT_EQ(device->ThreadSleepTime(), c.sleep) << c.value;
    }
}

}  // namespace
}  // namespace zrflash::hid::test
