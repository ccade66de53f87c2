// Restoring the pieces of a firmware image from stored order into sending order.
#include "update/ImagePieces.h"

#include <algorithm>

namespace zrflash::update {

void RestorePiece(const ImagePiece& piece, StoredImageView storedImage, UploadImageView uploadImage)
{
    const auto source = storedImage.subspan(piece.first, piece.last - piece.first + 1);
    std::reverse_copy(source.begin(), source.end(), uploadImage.begin() + piece.first);
}

void RestoreMiddlePieces(StoredImageView storedImage, UploadImageView uploadImage)
{
    RestorePiece(ImagePieces[1], storedImage, uploadImage);
    RestorePiece(ImagePieces[2], storedImage, uploadImage);
}

void RestoreOuterPieces(StoredImageView storedImage, UploadImageView uploadImage)
{
    RestorePiece(ImagePieces[0], storedImage, uploadImage);
    RestorePiece(ImagePieces[3], storedImage, uploadImage);
}

void RestoreAllPieces(StoredImageView storedImage, UploadImageView uploadImage)
{
    RestoreMiddlePieces(storedImage, uploadImage);
    RestoreOuterPieces(storedImage, uploadImage);
}

}  // namespace zrflash::update
