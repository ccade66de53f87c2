// A device that answers feature reports with whatever its byte source says: failures, busy
// answers, echoes, random bytes of random length, an unplug now and then.
#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "sim/SimDevice.h"

namespace zrflash::protocol::test {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint8_t Next() = 0;
    // A value 0..limit-1.
    unsigned Below(unsigned limit) { return limit == 0 ? 0 : (Next() | Next() << 8) % limit; }
};

class SeededSource final : public ByteSource {
public:
    explicit SeededSource(std::uint32_t seed) : engine_(seed) {}
    std::uint8_t Next() override { return static_cast<std::uint8_t>(engine_()); }

private:
    std::mt19937 engine_;
};

class RandomDevice final : public sim::SimDevice {
public:
    // The reported feature report length is drawn once: mostly 19, sometimes shorter or longer.
    explicit RandomDevice(ByteSource& source);

    sim::SimDeviceIdentity Identity() const override { return identity_; }
    void AttachHost(sim::SimDeviceHost* host) override { host_ = host; }
    bool SetFeature(std::span<const std::uint8_t> report) override;
    bool GetFeature(std::span<std::uint8_t> report) override;

    int SetCalls() const { return setCalls_; }
    int GetCalls() const { return getCalls_; }
    // The largest buffer any transfer passed to the device.
    std::size_t LargestTransfer() const { return largest_; }

private:
    bool Reachable();

    ByteSource& source_;
    sim::SimDeviceIdentity identity_;
    sim::SimDeviceHost* host_ = nullptr;
    std::vector<std::uint8_t> lastRequest_;
    int setCalls_ = 0;
    int getCalls_ = 0;
    std::size_t largest_ = 0;
};

}  // namespace zrflash::protocol::test
