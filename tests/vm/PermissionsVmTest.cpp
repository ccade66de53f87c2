// Who may open the instrument's hidraw node on a real kernel: a user without the udev rule is
// refused, and the HID system reports the refusal once per plugging.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <deque>

#include "UhidRig.h"
#include "platform/linux/LinuxHidSystem.h"
#include "platform/linux/UdevHidDriver.h"
#include "sim/InstrumentBuilder.h"

namespace zrflash::test {
namespace {

using namespace zrflash::hid;
using platform::linux_port::DescriptorWatch;
using platform::linux_port::HidrawNode;
using platform::linux_port::LinuxHidSystem;
using platform::linux_port::UdevHidDriver;

constexpr uid_t kNobody = 65534;

// Runs check as the unprivileged user in a child process; its exit code (0: every check held).
int AsNobody(const std::function<int()>& check) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0) {
            ::_exit(100);
        }
        ::_exit(check());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(Permissions, AUserWithoutTheRuleIsRefusedAndToldOncePerPlugging) {
    UhidRig rig(sim::InstrumentBuilder().Model12().Build());
    const auto node = rig.PlugInstrument();
    ASSERT_TRUE(node);
    const std::u16string path(node->devnode.begin(), node->devnode.end());

    const int result = AsNobody([&] {
        UdevHidDriver driver;
        if (driver.Open(node->devnode, platform::linux_port::HidrawOpenMode::ReadWrite) != -EACCES) return 1;
        std::deque<std::function<void()>> posted;
        LinuxHidSystem system(
            driver, [&](std::function<void()> work) { posted.push_back(std::move(work)); },
            [](int, std::function<void()>) { return std::make_unique<DescriptorWatch>(); });
        std::vector<std::string> denied;
        system.SetOpenDeniedHandler([&](const HidrawNode& refused) { denied.push_back(refused.devnode); });
        // Two scans and opens, as two poll ticks would make.
        for (int tick = 0; tick < 2; ++tick) {
            if (!system.EnumerateInterfaces(kDefaultHidGuid)) return 2;
            if (system.Open(path, HidAccess::ReadWrite) != HidHandle::None) return 3;
        }
        return denied == std::vector<std::string>{node->devnode} ? 0 : 4;
    });
    EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace zrflash::test
