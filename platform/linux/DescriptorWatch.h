// Watching a file descriptor from the GUI loop, for the hot-plug monitor of the HID port.
#pragma once

#include <functional>
#include <memory>

namespace zrflash::platform::linux_port {

// Watching stops when the object is destroyed.
class DescriptorWatch {
public:
    virtual ~DescriptorWatch() = default;
};

// Calls onReadable on the GUI thread, from the loop, whenever the descriptor has data to read.
using WatchDescriptorFunction =
    std::function<std::unique_ptr<DescriptorWatch>(int descriptor, std::function<void()> onReadable)>;

}  // namespace zrflash::platform::linux_port
