// A device's input reader: reads input reports on its own thread and hands them to the GUI
// thread. Only the device creates one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "hid/HidSystem.h"

namespace zrflash::hid {

class THidDevice;

class THidDeviceReadThread {
public:
    THidDeviceReadThread(const THidDeviceReadThread&) = delete;
    THidDeviceReadThread& operator=(const THidDeviceReadThread&) = delete;
    ~THidDeviceReadThread();

    // Tells the thread to stop, cancels a pending read and waits for the thread to end.
    void Stop();
    std::uint32_t LastErrorCode() const { return FErr; }

private:
    friend class THidDevice;
    // The read handle is the device's overlapped read handle, opened before the start.
    THidDeviceReadThread(THidDevice& device, std::size_t reportLength);

    void Execute();
    // Sleeps, waking early when told to stop; false once told to stop.
    bool Pause(int milliseconds);
    void PostData(std::size_t count);
    void PostError();

    std::atomic<std::uint32_t> FErr{0};
    THidDevice& Device;
    HidSystem& FSystem;
    HidHandle FReadHandle;
    std::weak_ptr<THidDevice*> FDeviceAlive;
    std::uint32_t NumBytesRead = 0;
    std::vector<std::uint8_t> Report;
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FStop = false;
    std::thread FThread;
};

}  // namespace zrflash::hid
