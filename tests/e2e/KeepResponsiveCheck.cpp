// Checks the Win32 port's KeepResponsive under Wine: inside a long click handler that calls it,
// another thread's messages are answered and paint goes on, but no program handler runs: a sent
// click on a button or a check box is dropped, a close waits for the loop, and so do timer ticks
// and posted work. Exit code 0 when all of that held.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/win32/Win32Gui.h"
#include "platform/win32/Win32Names.h"
#include "platform/win32/Win32Window.h"

namespace {

using zrflash::platform::ControlDefinition;
using zrflash::platform::ControlKind;
using zrflash::platform::win32::Win32Gui;

constexpr int kHandlerMs = 1500;
constexpr int kStepMs = 10;

int failures = 0;

void Expect(bool holds, const std::string& what) {
    std::printf("%s %s\n", holds ? "ok" : "FAIL", what.c_str());
    if (!holds) ++failures;
}

HWND Child(HWND window, std::size_t index) { return GetDlgItem(window, zrflash::platform::win32::ControlId(index)); }

}  // namespace

int main() {
    Win32Gui gui(GetModuleHandleW(nullptr));
    zrflash::platform::WindowDefinition definition;
    definition.caption = u"keep responsive";
    definition.clientWidth = 300;
    definition.clientHeight = 120;
    definition.controls = {
        ControlDefinition{.name = "B", .kind = ControlKind::PushButton, .left = 8, .top = 8, .width = 80, .height = 24, .text = u"B"},
        ControlDefinition{.name = "C", .kind = ControlKind::CheckBox, .left = 100, .top = 8, .width = 80, .height = 24, .text = u"C"},
        ControlDefinition{.name = "P", .kind = ControlKind::ProgressBar, .left = 8, .top = 48, .width = 280, .height = 16,
                          .rangeMin = 0, .rangeMax = 1000},
    };
    auto window = gui.CreateMainWindow(definition);
    HWND handle = static_cast<zrflash::platform::win32::Win32Window&>(*window).Handle();
    HWND buttonHandle = Child(handle, 0);
    HWND checkHandle = Child(handle, 1);
    HWND barHandle = Child(handle, 2);
    if (handle == nullptr || buttonHandle == nullptr || checkHandle == nullptr || barHandle == nullptr) {
        std::printf("FAIL the window could not be made\n");
        return 1;
    }
    auto& button = window->Get<zrflash::platform::PushButton>("B");
    auto& check = window->Get<zrflash::platform::CheckBox>("C");
    auto& bar = window->Get<zrflash::platform::ProgressBar>("P");
    auto timer = gui.CreateTimer();

    bool inHandler = false;
    int clicks = 0, clicksInside = 0, checkClicksInside = 0, ticksInside = 0, postedInside = 0;
    int postedAfter = 0, closesInside = 0, closes = 0;
    long firstRead = -1, lastRead = -1;
    std::atomic<bool> probing{true};

    // Another thread as a user and an observer would be: it reads the bar, clicks both buttons,
    // posts work and closes the window, all while the handler below is still running.
    std::thread other;
    button.SetOnClick([&] {
        ++clicks;
        if (inHandler) return (void)++clicksInside;
        if (other.joinable()) return;  // a click that came late, after the handler
        inHandler = true;
        timer->SetInterval(1);
        timer->SetEnabled(true);
        other = std::thread([&] {
            Sleep(200);
            for (int i = 0; i < 20; ++i) {
                DWORD_PTR position = 0;
                if (SendMessageTimeoutW(barHandle, PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position)) {
                    if (firstRead < 0) firstRead = static_cast<long>(position);
                    lastRead = static_cast<long>(position);
                }
                Sleep(20);
            }
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(buttonHandle, BM_CLICK, 0, 0, SMTO_NORMAL, 1000, &ignored);
            SendMessageTimeoutW(checkHandle, BM_CLICK, 0, 0, SMTO_NORMAL, 1000, &ignored);
            gui.Post([&] { inHandler ? ++postedInside : ++postedAfter; });
            SendMessageTimeoutW(handle, WM_CLOSE, 0, 0, SMTO_NORMAL, 1000, &ignored);
            probing = false;
        });
        for (int waited = 0; waited < kHandlerMs && (waited < kHandlerMs / 2 || probing); waited += kStepMs) {
            Sleep(kStepMs);
            bar.SetPosition(waited * 1000 / kHandlerMs);
            gui.KeepResponsive();
        }
        inHandler = false;
    });
    check.SetOnClick([&] {
        if (inHandler) ++checkClicksInside;
    });
    timer->SetOnTimer([&] {
        if (inHandler) ++ticksInside;
    });
    window->SetOnClose([&] {
        ++closes;
        if (inHandler) ++closesInside;
    });
    window->Show();
    if (!PostMessageW(buttonHandle, BM_CLICK, 0, 0)) {
        std::printf("FAIL the click could not be posted\n");
        return 1;
    }
    gui.RunMessageLoop();
    if (other.joinable()) other.join();

    Expect(firstRead > 0 && lastRead > firstRead,
           "the other thread read the bar moving: " + std::to_string(firstRead) + " .. " + std::to_string(lastRead));
    Expect(clicks == 1 && clicksInside == 0, "the button's handler ran once, the sent click inside it was dropped");
    Expect(checkClicksInside == 0 && !check.Checked(), "the check box's sent click was dropped, the box stays clear");
    Expect(ticksInside == 0, "no timer tick inside the handler (" + std::to_string(ticksInside) + ")");
    Expect(postedInside == 0 && postedAfter == 1, "the posted work ran once, after the handler");
    Expect(closes == 1 && closesInside == 0, "the close came once, after the handler, and ended the loop");
    return failures == 0 ? 0 : 1;
}
