// The instrument's firmware checksum: what its firmware check (command 25) reports for an image.
#pragma once

#include "update/FirmwareImage.h"

#include <cstdint>
#include <span>

namespace zrflash::update {

// What the model-14 instrument reports after the image this program carries has been uploaded.
inline constexpr std::uint32_t Model14FirmwareChecksum = 0x5D0B5F;

// The sum, modulo 2^24, of the uploaded bytes (0 to 57,343) of an image in sending order.
constexpr std::uint32_t FirmwareChecksum(std::span<const std::uint8_t, FirmwareImageSize> image)
{
    std::uint32_t sum = 0;
    for (std::size_t offset = 0; offset < UploadEnd; ++offset) {
        sum += image[offset];
    }
    return sum & 0xFFFFFFu;
}

}  // namespace zrflash::update
