// Measures the Win32 loop's 2 ms timer: mean and 95th percentile of the periods over 400 ticks,
// first in the program's own loop, then inside a modal message box (the coarser nested-loop path).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/win32/Win32Gui.h"
#include "platform/win32/Win32Names.h"
#include "platform/win32/Win32Window.h"

namespace {

constexpr int kTicks = 400;
constexpr int kIntervalMs = 2;

void Report(const char* where, const std::vector<std::int64_t>& stamps) {
    std::vector<double> periods;
    for (std::size_t index = 1; index < stamps.size(); ++index) periods.push_back((stamps[index] - stamps[index - 1]) / 1000.0);
    if (periods.empty()) return (void)std::printf("%s: no ticks\n", where);
    double sum = 0;
    for (double period : periods) sum += period;
    std::sort(periods.begin(), periods.end());
    const double p95 = periods[periods.size() * 95 / 100];
    std::printf("%s: %zu periods of a %d ms timer: mean %.3f ms, p95 %.3f ms, max %.3f ms\n", where, periods.size(),
                kIntervalMs, sum / periods.size(), p95, periods.back());
}

}  // namespace

int main() {
    using zrflash::platform::win32::Win32Gui;
    Win32Gui gui(GetModuleHandleW(nullptr));
    zrflash::platform::WindowDefinition definition;
    definition.caption = u"timer bench";
    definition.clientWidth = 200;
    definition.clientHeight = 100;
    auto window = gui.CreateMainWindow(definition);
    HWND handle = static_cast<zrflash::platform::win32::Win32Window&>(*window).Handle();
    auto timer = gui.CreateTimer();
    std::vector<std::int64_t> loopStamps;
    std::vector<std::int64_t> boxStamps;
    bool inBox = false;
    std::atomic<int> boxTicks{0};
    timer->SetInterval(kIntervalMs);
    timer->SetOnTimer([&] {
        auto& stamps = inBox ? boxStamps : loopStamps;
        stamps.push_back(Win32Gui::NowMicroseconds());
        if (inBox) ++boxTicks;
        if (!inBox && loopStamps.size() == kTicks + 1) {
            inBox = true;
            // Someone presses OK once enough ticks have come through the box's own loop.
            std::thread presser([&boxTicks] {
                for (int waited = 0; waited < 20'000 && boxTicks < 101; waited += 10) Sleep(10);
                HWND box = FindWindowW(L"#32770", L"bench");
                if (box != nullptr) PostMessageW(box, WM_COMMAND, IDOK, 0);
            });
            gui.ShowMessageBox(u"timer inside a message box", u"bench", zrflash::platform::MessageBoxIcon::None);
            presser.join();
            timer->SetEnabled(false);
            PostMessageW(handle, WM_CLOSE, 0, 0);
        }
    });
    window->Show();
    timer->SetEnabled(true);
    gui.RunMessageLoop();
    Report("program loop", loopStamps);
    Report("message box", boxStamps);
    return loopStamps.size() > kTicks ? 0 : 1;
}
