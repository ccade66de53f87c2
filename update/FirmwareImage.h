// The size of a firmware image and of the part of it that is uploaded, for both models.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zrflash::update {

inline constexpr std::size_t FirmwareImageSize = 65536;

// The upload sends bytes 0 to 57,343 (224 pages of 256 bytes); the 8 KiB above stay untouched.
inline constexpr std::size_t UploadEnd = 57344;

using FirmwareImage = std::array<std::uint8_t, FirmwareImageSize>;

}  // namespace zrflash::update
