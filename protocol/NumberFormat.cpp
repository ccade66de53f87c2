// The instrument's 4-byte number format, computed with the instrument's own arithmetic.
#include "protocol/NumberFormat.h"

#include <cmath>

namespace zrflash::protocol {

namespace {

// 4^exponent, built by repeated exact multiplication (a reciprocal for a negative exponent).
double PowerOfFour(int exponent)
{
    double power = 1.0;
    for (int count = exponent < 0 ? -exponent : exponent; count > 0; --count) {
        power *= 4.0;
    }
    return exponent < 0 ? 1.0 / power : power;
}

// The format holds magnitudes 4^-64 * 2 = 2^-127 up to just below 4^63 * 8 = 2^129.
constexpr double SmallestMagnitude = 0x1p-127;
constexpr double MagnitudeLimit = 0x1p129;

}  // namespace

double DecodeDeviceFloat(const DeviceFloatBytes& bytes)
{
    if (bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0) {
        return 0.0;
    }
    std::uint32_t word = bytes[0] + 256u * bytes[1] + 65536u * bytes[2];
    const bool octave = (word & 0x800000u) != 0;
    const int exponent = (bytes[3] & 0x7F) - 64;

    double mantissa = 2.0;
    double step = 2.0;
    for (int bit = 0; bit < 24; ++bit) {
        step /= 2.0;
        if ((word & 0x400000u) != 0) {
            mantissa += step;
        }
        word <<= 1;
    }

    double value = PowerOfFour(exponent) * mantissa * (octave ? 2.0 : 1.0);
    if ((bytes[3] & 0x80) != 0) {
        value = -value;
    }
    return value;
}

std::optional<DeviceFloatBytes> EncodeDeviceFloat(double value)
{
    if (value == 0.0) {
        return DeviceFloatBytes{0, 0, 0, 0};
    }
    // The steps below would loop for ever on an infinity, and outside the range the exponent
    // byte would run into the sign bit: the instrument would read back a wildly different value.
    if (!std::isfinite(value) || std::fabs(value) < SmallestMagnitude ||
        std::fabs(value) >= MagnitudeLimit) {
        return std::nullopt;
    }

    const bool negative = value < 0.0;
    if (negative) {
        value = -value;
    }

    int exponent = 0;
    while (value >= 8.0) {
        value /= 4.0;
        ++exponent;
    }
    while (value < 2.0) {
        value *= 4.0;
        --exponent;
    }

    std::uint32_t octaveWord = 0;
    if (value >= 4.0) {
        octaveWord = 0x800000u;
        value /= 2.0;
    }

    // The greedy loop stops one step short on an exact value (strict comparison) and the
    // rounding step adds it back; a remainder of exactly half a step stays down.
    double remainder = value - 2.0;
    std::uint32_t fraction = 0;
    double step = 1.0;
    for (int bit = 0; bit < 23; ++bit) {
        fraction *= 2;
        if (remainder - step > 0.0) {
            remainder -= step;
            fraction += 1;
        }
        step /= 2.0;
    }
    if (remainder - step > 0.0) {
        fraction += 1;
    }

    std::uint32_t word = fraction + octaveWord;
    int exponentField = 64 + exponent;  // the exponent byte without the sign bit
    if (word >= 0x1000000u) {
        word = 0;
        ++exponentField;
    }

    // Rounding up from just below 2^129 would carry the exponent into the sign bit.
    if (exponentField > 0x7F) {
        return std::nullopt;
    }
    // A positive 2^-127 would be four zero bytes, which the instrument reads as 0.
    if (!negative && exponentField == 0 && word == 0) {
        return std::nullopt;
    }

    const auto exponentByte = static_cast<std::uint8_t>((negative ? 0x80 : 0x00) + exponentField);
    return DeviceFloatBytes{static_cast<std::uint8_t>(word & 0xFF),
                            static_cast<std::uint8_t>((word >> 8) & 0xFF),
                            static_cast<std::uint8_t>((word >> 16) & 0xFF), exponentByte};
}

std::array<std::uint16_t, 4> DeviceFloatWriteOrder(std::uint16_t address)
{
    return {static_cast<std::uint16_t>(address + 3), address,
            static_cast<std::uint16_t>(address + 1), static_cast<std::uint16_t>(address + 2)};
}

std::optional<std::array<DeviceByteWrite, 4>> DeviceFloatWrites(std::uint16_t address, double value)
{
    const auto bytes = EncodeDeviceFloat(value);
    if (!bytes) return std::nullopt;
    std::array<DeviceByteWrite, 4> writes{};
    const auto order = DeviceFloatWriteOrder(address);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const auto offset = static_cast<std::uint16_t>(order[i] - address);
        writes[i] = {order[i], (*bytes)[offset]};
    }
    return writes;
}

}  // namespace zrflash::protocol
