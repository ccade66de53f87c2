// One running copy per executable file: a semaphore named after the program's own path.
#include "app/SingleInstance.h"

#include <algorithm>

#include "app/AppTexts.h"

namespace zrflash::app {
namespace {

// Room for 255 characters and the terminating zero, as the name buffer holds.
constexpr std::size_t kInstanceNameCapacity = 256;
constexpr int kWaitMs = 50;

}  // namespace

bool SingleInstance::IsAnotherInstanceRunning() {
    InstanceReleaseCount = 0;
    InstanceName = system_.ModulePath(kInstanceNameCapacity);
    std::replace(InstanceName.begin(), InstanceName.end(), u'\\', u'/');
    InstanceSemaphore = system_.OpenNamedSemaphore(InstanceName);
    if (!InstanceSemaphore) return true;
    // A copy that holds the only unit makes the wait time out; a failed wait counts the same.
    if (!InstanceSemaphore->Wait(kWaitMs)) return true;
    InstanceReleaseCount = 1;
    return false;
}

void SingleInstance::ShowSecondInstanceMessage(platform::Gui& gui) const {
    gui.ShowMessageBox(texts::kSecondInstance, InstanceName, platform::MessageBoxIcon::Error);
}

void SingleInstance::Finalize() {
    if (!InstanceSemaphore) return;
    if (InstanceReleaseCount == 1) InstanceSemaphore->Release(1);
    InstanceReleaseCount = 0;
    InstanceSemaphore.reset();
}

}  // namespace zrflash::app
