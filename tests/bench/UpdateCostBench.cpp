// What a whole firmware update (backup, upload, finalisation) costs in virtual time with the
// instrument taking 1 ms per transfer, against the least the protocol allows, and beside it the
// same update paced by a plain 15.6 ms timer. Exits with 1 when the update costs more than 2 %
// above that floor.
#include <cstdio>
#include <numeric>
#include <string>

#include "app/Program.h"
#include "platform/headless/HeadlessGui.h"
#include "platform/headless/HeadlessSystem.h"
#include "sim/InstrumentBuilder.h"
#include "sim/SimHidSystem.h"
#include "sim/VirtualHidBus.h"
#include "tests/bench/CoarseTimerGui.h"

namespace zrflash::bench {
namespace {

constexpr int kLatencyMs = 1;
constexpr int kUploadIntervalMs = 2;
constexpr int kFinishIntervalMs = 1;
constexpr std::uint8_t kWriteChunk = 23;
constexpr double kAllowance = 1.02;

struct UpdateCost {
    bool completed = false;
    std::int64_t elapsedMs = 0;
    // The floor: every transfer's latency, every pause the protocol asks for, every timer interval.
    std::int64_t transfers = 0;
    std::int64_t pausesMs = 0;
    std::int64_t uploadTicks = 0;
    std::int64_t FloorMs() const { return transfers * kLatencyMs + pausesMs + uploadTicks * kUploadIntervalMs + kFinishIntervalMs; }
};

UpdateCost MeasureUpdate(bool coarseTimers) {
    platform::headless::VirtualClock clock;
    platform::headless::HeadlessMachine machine;
    platform::headless::HeadlessGui gui(clock);
    platform::headless::HeadlessSystem system(clock, machine);
    auto instrument = sim::InstrumentBuilder().Model12().LatencyMilliseconds(kLatencyMs).Build();
    sim::VirtualHidBus bus([&](std::function<void()> work) { gui.Post(std::move(work)); },
                           [&](int milliseconds) { clock.Advance(milliseconds); });
    sim::SimHidSystem hidSystem(bus);
    CoarseTimerGui coarseGui(gui);
    UpdateCost cost;
    {
        app::Program program(coarseTimers ? static_cast<platform::Gui&>(coarseGui) : gui, system, hidSystem);
        bus.Plug(*instrument);
        if (!program.Start()) return cost;
        gui.RunFor(1100);
        auto& form = *program.Form();
        if (!form.B1->Enabled()) return cost;

        const std::int64_t start = clock.NowMs();
        const int exchangesBefore = instrument->ExchangeCount();
        const std::size_t pausesBefore = system.Sleeps().size();
        const std::size_t traceBefore = instrument->Trace().size();
        const std::u16string success = u"Процесс завершен успешно !!";
        gui.MainWindow()->Click("B1");
        cost.completed = gui.RunUntil(
            [&] { return form.LB->Count() > 0 && form.LB->Line(form.LB->Count() - 1) == success; }, 3'600'000);
        cost.elapsedMs = clock.NowMs() - start;
        cost.transfers = instrument->ExchangeCount() - exchangesBefore;
        const auto& pauses = system.Sleeps();
        cost.pausesMs = std::accumulate(pauses.begin() + static_cast<std::ptrdiff_t>(pausesBefore), pauses.end(), std::int64_t{0});
        const auto& trace = instrument->Trace();
        for (std::size_t i = traceBefore; i < trace.size(); ++i) {
            if (trace[i].direction == sim::TransferDirection::SetFeature && trace[i].command == kWriteChunk) ++cost.uploadTicks;
        }
        // The last tick of the upload sends nothing and hands over to the finalisation.
        ++cost.uploadTicks;
    }
    return cost;
}

int Run() {
    const UpdateCost precise = MeasureUpdate(false);
    const UpdateCost coarse = MeasureUpdate(true);
    if (!precise.completed || !coarse.completed) {
        std::printf("the update did not complete\n");
        return 1;
    }
    const double floor = precise.FloorMs() / 1000.0;
    const double ratio = static_cast<double>(precise.elapsedMs) / static_cast<double>(precise.FloorMs());
    std::printf("Full update of model 12, 1 ms per transfer, in virtual time\n");
    std::printf("  floor: %lld transfers x %d ms + %lld ms of pauses + %lld upload ticks x %d ms + %d ms = %.3f s\n",
                static_cast<long long>(precise.transfers), kLatencyMs, static_cast<long long>(precise.pausesMs),
                static_cast<long long>(precise.uploadTicks), kUploadIntervalMs, kFinishIntervalMs, floor);
    std::printf("  2 ms timer (as built):     %.3f s  (%.4f x floor, allowed %.2f)\n", precise.elapsedMs / 1000.0, ratio,
                kAllowance);
    std::printf("  15.6 ms timer (SetTimer):  %.3f s  (%.2f x floor)\n", coarse.elapsedMs / 1000.0,
                static_cast<double>(coarse.elapsedMs) / static_cast<double>(precise.FloorMs()));
    return ratio <= kAllowance ? 0 : 1;
}

}  // namespace
}  // namespace zrflash::bench

int main() { return zrflash::bench::Run(); }
