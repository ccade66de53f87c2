// The headless message loop keeps the rules of the real one: coalesced ticks, blocking sleeps,
// restart of a re-enabled timer, and a modal box that dispatches while it is open.
#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/HeadlessGui.h"
#include "platform/headless/HeadlessSystem.h"

namespace zrflash::platform::headless {
namespace {

struct Loop {
    VirtualClock clock;
    HeadlessMachine machine;
    HeadlessGui gui{clock};
    HeadlessSystem system{clock, machine};
};

TEST(HeadlessLoop, TicksThatFellDueDuringALongHandlerAreDeliveredOnce) {
    Loop loop;
    auto timer = loop.gui.CreateTimer();
    std::vector<std::int64_t> ticks;
    timer->SetInterval(2);
    timer->SetOnTimer([&] {
        ticks.push_back(loop.clock.NowMs());
        if (ticks.size() == 1) loop.system.Sleep(9);  // blocks: four periods pass undispatched
    });
    timer->SetEnabled(true);
    loop.gui.RunFor(14);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{2, 11, 12, 14}));
}

TEST(HeadlessLoop, ReenablingATimerStartsItsPeriodAfresh) {
    Loop loop;
    auto timer = loop.gui.CreateTimer();
    std::vector<std::int64_t> ticks;
    timer->SetInterval(2);
    timer->SetOnTimer([&] {
        ticks.push_back(loop.clock.NowMs());
        timer->SetEnabled(false);
        loop.system.Sleep(3);
        timer->SetEnabled(true);
    });
    timer->SetEnabled(true);
    loop.gui.RunFor(12);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{2, 7, 12}));
}

TEST(HeadlessLoop, MessageBoxRunsANestedLoopForItsDwellTime) {
    Loop loop;
    auto timer = loop.gui.CreateTimer();
    int ticksInsideBox = 0;
    bool boxOpen = false;
    bool posted = false;
    timer->SetInterval(10);
    timer->SetOnTimer([&] {
        if (boxOpen) ++ticksInsideBox;
    });
    timer->SetEnabled(true);
    loop.gui.SetMessageBoxDwellMs(35);
    loop.gui.Post([&] { posted = true; });
    boxOpen = true;
    loop.gui.ShowMessageBox(u"Ошибка записи", u"", MessageBoxIcon::None);
    boxOpen = false;
    EXPECT_TRUE(posted);
    EXPECT_EQ(ticksInsideBox, 3);
    EXPECT_EQ(loop.clock.NowMs(), 35);
    ASSERT_EQ(loop.gui.MessageBoxes().size(), 1u);
    EXPECT_EQ(loop.gui.MessageBoxes()[0].text, u"Ошибка записи");
}

TEST(HeadlessLoop, PostedWorkRunsBeforeDueTimersAndSleepsDispatchNothing) {
    Loop loop;
    auto timer = loop.gui.CreateTimer();
    std::vector<std::string> order;
    timer->SetInterval(1);
    timer->SetOnTimer([&] {
        order.push_back("tick");
        timer->SetEnabled(false);
    });
    timer->SetEnabled(true);
    loop.gui.Post([&] {
        loop.system.Sleep(5);  // the timer falls due, but a sleep does not dispatch it
        order.push_back("posted");
    });
    loop.gui.RunFor(10);
    EXPECT_EQ(order, (std::vector<std::string>{"posted", "tick"}));
    EXPECT_EQ(loop.system.Sleeps(), std::vector<int>{5});
}

}  // namespace
}  // namespace zrflash::platform::headless
