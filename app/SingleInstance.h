// One running copy per executable file: a semaphore named after the program's own path.
#pragma once

#include <memory>
#include <string>

#include "platform/Gui.h"
#include "platform/System.h"

namespace zrflash::app {

class SingleInstance {
public:
    explicit SingleInstance(platform::System& system) : system_(system) {}
    ~SingleInstance() { Finalize(); }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the semaphore's only unit; true when another copy holds it or it cannot be had.
    bool IsAnotherInstanceRunning();
    void ShowSecondInstanceMessage(platform::Gui& gui) const;
    // Gives the unit back (when this copy took it) so that a later copy can start, and closes the handle.
    void Finalize();

    // The executable path with backslashes turned into slashes: the semaphore's name and the box title.
    std::u16string InstanceName;
    std::unique_ptr<platform::Semaphore> InstanceSemaphore;
    int InstanceReleaseCount = 0;

private:
    platform::System& system_;
};

}  // namespace zrflash::app
