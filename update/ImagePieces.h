// The four pieces of a firmware image and their restore from stored order into sending order.
#pragma once

#include "update/FirmwareImage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zrflash::update {

// A piece by its first and last offset. The carried images hold each piece reversed within its
// bounds; both models use the same pieces.
struct ImagePiece {
    std::size_t first = 0;
    std::size_t last = 0;
};

inline constexpr std::array<ImagePiece, 4> ImagePieces{{
    {0, 436},
    {437, 8644},
    {8645, 46547},
    {46548, 65535},
}};

using StoredImageView = std::span<const std::uint8_t, FirmwareImageSize>;
using UploadImageView = std::span<std::uint8_t, FirmwareImageSize>;

// Writes the piece of uploadImage from the same piece of storedImage, reversed. Reads only
// storedImage and writes only uploadImage (two distinct buffers), so repeating it changes nothing.
void RestorePiece(const ImagePiece& piece, StoredImageView storedImage, UploadImageView uploadImage);

// Pieces 2 and 3: the identification poll brings them into sending order on every tick.
void RestoreMiddlePieces(StoredImageView storedImage, UploadImageView uploadImage);

// Pieces 1 and 4: restored when an update starts.
void RestoreOuterPieces(StoredImageView storedImage, UploadImageView uploadImage);

// All four pieces, so that the upload image comes from one stored image only.
void RestoreAllPieces(StoredImageView storedImage, UploadImageView uploadImage);

}  // namespace zrflash::update
