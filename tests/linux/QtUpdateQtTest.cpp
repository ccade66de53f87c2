// A whole firmware update on the Qt port in real time, driven through the widgets, with the
// simulated instrument on a virtual bus and the real system services in a scratch home.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "app/Program.h"
#include "platform/linux/PosixSystem.h"
#include "platform/linux/QtGui.h"
#include "platform/linux/QtWindow.h"
#include "platform/linux/testing/QtWindowProbe.h"
#include "sim/InstrumentBuilder.h"
#include "sim/SimHidSystem.h"
#include "sim/VirtualHidBus.h"
#include "update/FirmwareImages.h"
#include "update/ImagePieces.h"

namespace zrflash::test {
namespace {

namespace fs = std::filesystem;
using namespace platform::linux_port;
using platform::linux_port::testing::QtWindowProbe;
using platform::linux_port::testing::RunLoopUntil;

TEST(QtUpdate, UpdatesTheInstrumentThroughTheWidgets) {
    EnsureQtApplication();
    const fs::path home = fs::temp_directory_path() /
                          ("zrflash-qt-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(home);
    {
        QtGui gui;
        PosixSystem system([home](const char* name) {
            const std::string variable = name;
            return variable == "HOME" || variable == "XDG_RUNTIME_DIR" ? home.string() : std::string();
        });
        // Before the bus: the bus detaches its plugged devices when it goes.
        auto instrument = sim::InstrumentBuilder().Model12().Version("C1.28").Build();
        sim::VirtualHidBus bus([&gui](std::function<void()> work) { gui.Post(std::move(work)); },
                               [&system](int milliseconds) { system.Sleep(milliseconds); });
        sim::SimHidSystem hidSystem(bus);
        bus.Plug(*instrument);
        app::Program program(gui, system, hidSystem);
        ASSERT_TRUE(program.Start());
        auto& form = *program.Form();
        QtWindowProbe probe(*gui.MainWindow());
        auto log = [&] {
            std::vector<std::u16string> lines;
            for (int i = 0; i < form.LB->Count(); ++i) lines.push_back(form.LB->Line(i));
            return lines;
        };

        ASSERT_TRUE(RunLoopUntil([&] { return form.B1->Enabled(); }, 5000));
        EXPECT_EQ(log(), std::vector<std::u16string>{u"Пинцет ЖР-12 подключен"});
        EXPECT_EQ(form.Window().Caption(), u"Прошивка версии C1.31 для пинцет ЖР-12");

        ASSERT_TRUE(probe.Click("B1"));
        ASSERT_TRUE(RunLoopUntil([&] { return !log().empty() && log().back() == u"Процесс завершен успешно !!"; },
                                 120'000));
        update::FirmwareImage sending{};
        update::RestoreAllPieces(*update::FirmwareImageOfModel(12), sending);
        EXPECT_TRUE(std::equal(sending.begin(), sending.begin() + update::UploadEnd, instrument->Flash().begin()));
        std::vector<fs::path> backups;
        for (const auto& entry : fs::directory_iterator(home / "Documents" / "zr12_01")) backups.push_back(entry.path());
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_EQ(fs::file_size(backups[0]), 4352u);

        ASSERT_TRUE(RunLoopUntil([&] { return form.Label1->Text() == u"Текущая версия прошивки C1.31"; }, 3000));
        EXPECT_TRUE(probe.Facts("Label1")->textFits);
        program.Shutdown();
    }
    std::error_code error;
    fs::remove_all(home, error);
}

}  // namespace
}  // namespace zrflash::test
