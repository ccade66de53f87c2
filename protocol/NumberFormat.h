// The instrument's 4-byte number format: conversion between a double and the bytes in memory.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace zrflash::protocol {

// The four bytes of a number in address order: a, a+1, a+2, a+3.
using DeviceFloatBytes = std::array<std::uint8_t, 4>;

// The value the instrument means by these bytes. Every pattern decodes to a finite value; four
// zero bytes are 0.
double DecodeDeviceFloat(const DeviceFloatBytes& bytes);

// The bytes of the nearest number of the format (a tie goes to the smaller magnitude); -0.0 gives
// four zero bytes. A value the format cannot hold (NaN, an infinity, a magnitude that is not 0 and
// lies outside the format's range) gives nothing, so that nothing is written.
std::optional<DeviceFloatBytes> EncodeDeviceFloat(double value);

// The addresses of a number at address in the order they are written: sign and exponent first,
// then the fraction from its lowest byte.
std::array<std::uint16_t, 4> DeviceFloatWriteOrder(std::uint16_t address);

struct DeviceByteWrite {
    std::uint16_t address;
    std::uint8_t value;
};
// The four byte writes that store a value at address, in the order they are made; nothing for a
// value the format cannot hold. Addresses run on modulo 2^16.
std::optional<std::array<DeviceByteWrite, 4>> DeviceFloatWrites(std::uint16_t address, double value);

}  // namespace zrflash::protocol
