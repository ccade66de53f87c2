// The Qt port offscreen: a long handler that keeps the window responsive gets it painted, while
// the program's timers, posted work, device notifications and the window's close wait for the loop.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <thread>

#include "app/MainWindowDefinition.h"
#include "platform/linux/QtGui.h"
#include "platform/linux/QtWindow.h"
#include "platform/linux/testing/QtWindowProbe.h"

namespace zrflash::test {
namespace {

using namespace platform::linux_port;
using platform::linux_port::testing::PaintRecorder;
using platform::linux_port::testing::QtWindowProbe;
using platform::linux_port::testing::RunLoopFor;
using platform::linux_port::testing::RunLoopUntil;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class QtKeepResponsiveTest : public ::testing::Test {
protected:
    QtKeepResponsiveTest() {
        EnsureQtApplication();
        gui = std::make_unique<QtGui>();
        window = gui->CreateMainWindow(app::MainWindowDefinition());
        qtWindow = static_cast<QtWindow*>(window.get());
        probe = std::make_unique<QtWindowProbe>(*qtWindow);
        window->Show();
        RunLoopFor(50);  // shown and painted once
    }

    // Posts the handler, as a click reaches the program from the loop, and runs the loop until
    // it has returned. Inside, it blocks for that long, keeping the window responsive every 5 ms.
    void RunBlockingHandler(const std::function<void()>& before, const std::function<void()>& after, int blockMs) {
        bool returned = false;
        gui->Post([&] {
            before();
            const auto start = Clock::now();
            while (Clock::now() - start < milliseconds(blockMs)) {
                gui->KeepResponsive();
                std::this_thread::sleep_for(milliseconds(5));
            }
            after();
            returnedAt = Clock::now();
            returned = true;
        });
        ASSERT_TRUE(RunLoopUntil([&] { return returned; }, 5000));
    }

    std::unique_ptr<QtGui> gui;
    std::unique_ptr<platform::Window> window;
    QtWindow* qtWindow = nullptr;
    std::unique_ptr<QtWindowProbe> probe;
    Clock::time_point returnedAt;
};

TEST_F(QtKeepResponsiveTest, PaintsTheProgressButHoldsTimersAndPostedWorkUntilTheHandlerReturns) {
    auto& bar = window->Get<platform::ProgressBar>("Pr1");
    PaintRecorder painted(*qtWindow, "Pr1");
    // A 1 ms timer falls due a hundred times while held and owes one tick; it stops itself on it.
    auto fast = gui->CreateTimer();
    int fastTicks = 0;
    fast->SetInterval(1);
    fast->SetOnTimer([&] {
        ++fastTicks;
        fast->SetEnabled(false);
    });
    // A 100 ms timer falls due once while held; its tick comes when the handler returns, well
    // before its next period would bring one.
    auto slow = gui->CreateTimer();
    std::optional<Clock::time_point> slowTickAt;
    slow->SetInterval(100);
    slow->SetOnTimer([&] {
        if (!slowTickAt) slowTickAt = Clock::now();
    });
    bool workRan = false;
    int ticksInside = -1;
    bool workRanInside = true;
    int paintsBefore = 0;
    int paintsInside = 0;
    int valuePaintedInside = -1;

    RunBlockingHandler(
        [&] {
            fast->SetEnabled(true);
            slow->SetEnabled(true);
            gui->Post([&] { workRan = true; });
            bar.SetPosition(64);
            paintsBefore = painted.Paints();
        },
        [&] {
            ticksInside = fastTicks + (slowTickAt ? 1 : 0);
            workRanInside = workRan;
            paintsInside = painted.Paints() - paintsBefore;
            valuePaintedInside = painted.LastPaintedValue();
        },
        120);

    EXPECT_EQ(ticksInside, 0);
    EXPECT_FALSE(workRanInside);
    EXPECT_GT(paintsInside, 0);
    EXPECT_EQ(valuePaintedInside, 64);

    ASSERT_TRUE(RunLoopUntil([&] { return workRan && fastTicks > 0 && slowTickAt; }, 2000));
    EXPECT_LT(*slowTickAt - returnedAt, milliseconds(40));
    RunLoopFor(30);
    EXPECT_EQ(fastTicks, 1);
}

TEST_F(QtKeepResponsiveTest, ADeviceNotificationWaitsForTheLoop) {
    int pipeEnds[2];
    ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK), 0);
    int notifications = 0;
    auto watch = gui->WatchDescriptor(pipeEnds[0], [&] {
        char byte = 0;
        while (read(pipeEnds[0], &byte, 1) == 1) {
        }
        ++notifications;
    });
    int notificationsInside = -1;

    RunBlockingHandler([&] { ASSERT_EQ(write(pipeEnds[1], "x", 1), 1); },
                       [&] { notificationsInside = notifications; }, 60);

    EXPECT_EQ(notificationsInside, 0);
    EXPECT_TRUE(RunLoopUntil([&] { return notifications == 1; }, 2000));
    watch.reset();
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

TEST_F(QtKeepResponsiveTest, ACloseDuringTheHandlerIsCarriedOutAfterIt) {
    bool handlerRunning = false;
    int closeHandlerRuns = 0;
    bool closeHandlerRanInside = false;
    window->SetOnClose([&] {
        ++closeHandlerRuns;
        closeHandlerRanInside = closeHandlerRanInside || handlerRunning;
    });
    bool closedInside = true;

    RunBlockingHandler(
        [&] {
            handlerRunning = true;
            probe->CloseAfter(0);
        },
        [&] {
            closedInside = qtWindow->Closed();
            handlerRunning = false;
        },
        60);

    EXPECT_FALSE(closedInside);
    EXPECT_TRUE(RunLoopUntil([&] { return qtWindow->Closed(); }, 2000));
    EXPECT_EQ(closeHandlerRuns, 1);
    EXPECT_FALSE(closeHandlerRanInside);
}

}  // namespace
}  // namespace zrflash::test
