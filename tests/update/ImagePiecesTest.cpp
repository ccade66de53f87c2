// Restoring the four pieces of a firmware image from stored order into sending order.
#include "update/ImagePieces.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace zrflash::update {
namespace {

struct Bounds {
    std::size_t first;
    std::size_t last;
};

// The pieces as the instrument's firmware layout has them.
constexpr Bounds Piece1{0, 436};
constexpr Bounds Piece2{437, 8644};
constexpr Bounds Piece3{8645, 46547};
constexpr Bounds Piece4{46548, 65535};

class ImagePiecesTest : public testing::Test {
protected:
    ImagePiecesTest()
    {
        // Bytes that differ from their neighbours, so any shifted or unreversed byte shows.
        std::uint32_t state = 0x12345678u;
        for (auto& byte : *stored) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(state >> 24);
        }
        upload->fill(0);
    }

    void ExpectRestored(Bounds piece) const
    {
        for (std::size_t offset = piece.first; offset <= piece.last; ++offset) {
            ASSERT_EQ((*upload)[offset], (*stored)[piece.first + piece.last - offset])
                << "offset " << offset;
        }
    }

    void ExpectUntouched(Bounds piece) const
    {
        for (std::size_t offset = piece.first; offset <= piece.last; ++offset) {
            ASSERT_EQ((*upload)[offset], 0) << "offset " << offset;
        }
    }

    std::unique_ptr<FirmwareImage> stored = std::make_unique<FirmwareImage>();
    std::unique_ptr<FirmwareImage> upload = std::make_unique<FirmwareImage>();
};

TEST_F(ImagePiecesTest, PieceTableTilesTheImage)
{
    const Bounds expected[] = {Piece1, Piece2, Piece3, Piece4};
    for (std::size_t index = 0; index < ImagePieces.size(); ++index) {
        EXPECT_EQ(ImagePieces[index].first, expected[index].first) << "piece " << index + 1;
        EXPECT_EQ(ImagePieces[index].last, expected[index].last) << "piece " << index + 1;
    }
}

TEST_F(ImagePiecesTest, MiddlePiecesLeaveTheOuterOnesAlone)
{
    RestoreMiddlePieces(*stored, *upload);
    ExpectUntouched(Piece1);
    ExpectRestored(Piece2);
    ExpectRestored(Piece3);
    ExpectUntouched(Piece4);
}

TEST_F(ImagePiecesTest, OuterPiecesLeaveTheMiddleOnesAlone)
{
    RestoreOuterPieces(*stored, *upload);
    ExpectRestored(Piece1);
    ExpectUntouched(Piece2);
    ExpectUntouched(Piece3);
    ExpectRestored(Piece4);
}

TEST_F(ImagePiecesTest, EachPieceEndsWhereItsStoredCounterpartStarts)
{
    RestoreAllPieces(*stored, *upload);
    for (const Bounds piece : {Piece1, Piece2, Piece3, Piece4}) {
        EXPECT_EQ((*upload)[piece.first], (*stored)[piece.last]) << "piece at " << piece.first;
        EXPECT_EQ((*upload)[piece.last], (*stored)[piece.first]) << "piece at " << piece.first;
    }
    EXPECT_EQ((*upload)[0], (*stored)[436]);
    EXPECT_EQ((*upload)[46548], (*stored)[65535]);
    EXPECT_EQ((*upload)[65535], (*stored)[46548]);
}

TEST_F(ImagePiecesTest, RestoringAgainChangesNothing)
{
    const FirmwareImage original = *stored;
    RestoreMiddlePieces(*stored, *upload);
    RestoreOuterPieces(*stored, *upload);
    const FirmwareImage once = *upload;
    RestoreMiddlePieces(*stored, *upload);
    RestoreMiddlePieces(*stored, *upload);
    RestoreOuterPieces(*stored, *upload);
    EXPECT_EQ(*upload, once);
    EXPECT_EQ(*stored, original);
}

// A new stored image (another instrument attached) must replace every piece, or the upload
// would mix two images.
TEST_F(ImagePiecesTest, AllPiecesReplaceWhatAnEarlierImageLeft)
{
    RestoreAllPieces(*stored, *upload);
    const FirmwareImage first = *upload;
    for (auto& byte : *stored) {
        byte = static_cast<std::uint8_t>(byte ^ 0x5A);
    }
    RestoreAllPieces(*stored, *upload);
    for (std::size_t offset = 0; offset < FirmwareImageSize; ++offset) {
        ASSERT_EQ((*upload)[offset], first[offset] ^ 0x5A) << "offset " << offset;
    }
}

}  // namespace
}  // namespace zrflash::update
