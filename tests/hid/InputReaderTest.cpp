// The input reader: it runs only for a claimed read-write device with a data handler, delivers
// reports on the GUI thread and stops at check-in.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim/SimKeyboard.h"
#include "tests/hid/HidBench.h"

namespace zrflash::hid::test {
namespace {

struct Received {
    std::uint8_t reportId;
    std::vector<std::uint8_t> data;
};

// Lets the loop run until a report arrived or half a second passed.
bool RunUntil(HidBench& bench, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        bench.queue.RunPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

TEST(InputReader, DeliversReportsUntilCheckIn) {
    FeatureDevice sensor{0x0001, 0x1234, 0, 5};
    HidBench bench;
    bench.bus.Plug(sensor);
    bench.Start();
    std::vector<Received> received;
    THidDevice* device = nullptr;
    ASSERT_TRUE(bench.controller->CheckOut(device));
    device->SetThreadSleepTime(10);
    device->SetOnData([&](THidDevice&, std::uint8_t ReportID, const std::uint8_t* Data, std::uint16_t Size) {
        received.push_back({ReportID, std::vector<std::uint8_t>(Data, Data + Size)});
    });
    EXPECT_NE(device->HidOverlappedRead(), HidHandle::None);

    const std::uint8_t report[] = {0, 1, 2, 3, 4};
    ASSERT_TRUE(bench.bus.SendInputReport(sensor, report));
    ASSERT_TRUE(RunUntil(bench, [&] { return !received.empty(); }));
    EXPECT_EQ(received[0].reportId, 0);
    EXPECT_EQ(received[0].data, (std::vector<std::uint8_t>{1, 2, 3, 4}));

    bench.controller->CheckIn(device);
    EXPECT_EQ(bench.system.OpenHandleCount(), 0);
    ASSERT_TRUE(bench.bus.SendInputReport(sensor, report));
    EXPECT_FALSE(RunUntil(bench, [&] { return received.size() > 1; })) << "the reader stopped";
}

TEST(InputReader, ControllerDefaultHandlerStartsTheReaderAtCheckOut) {
    FeatureDevice sensor{0x0001, 0x1234, 0, 3};
    HidBench bench;
    bench.bus.Plug(sensor);
    int reports = 0;
    THidControllerProperties properties;
    properties.DevThreadSleepTime = 10;
    properties.OnDeviceData = [&](THidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t Size) {
        EXPECT_EQ(Size, 2);
        ++reports;
    };
    bench.Start(std::move(properties));
    THidDevice* device = nullptr;
    ASSERT_TRUE(bench.controller->CheckOut(device));
    const std::uint8_t report[] = {0, 7, 8};
    ASSERT_TRUE(bench.bus.SendInputReport(sensor, report));
    ASSERT_TRUE(RunUntil(bench, [&] { return reports == 1; }));

    // Unplugging stops the reader before the handles close.
    bench.bus.Unplug(sensor);
    bench.Run();
    EXPECT_EQ(bench.system.OpenHandleCount(), 0);
}

TEST(InputReader, QueryOnlyDeviceGetsNoReader) {
    sim::SimKeyboard keyboard;
    HidBench bench;
    bench.bus.Plug(keyboard, sim::SimKeyboard::BusOptions());
    bench.Start();
    THidDevice* device = nullptr;
    ASSERT_TRUE(bench.controller->CheckOut(device));
    device->SetOnData([](THidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
    EXPECT_EQ(device->HidOverlappedRead(), HidHandle::None);
    EXPECT_EQ(bench.system.OpenHandleCount(), 0);
}

}  // namespace
}  // namespace zrflash::hid::test
