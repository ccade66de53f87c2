// The protocol layer against a device that answers anything: arbitrary bytes, lengths, failures
// and unplugging, from fixed seeds so that a failure can be replayed.
#include <gtest/gtest.h>

#include "tests/protocol/ProtocolExercise.h"

namespace zrflash::protocol::test {
namespace {

TEST(RandomAnswers, EveryOperationEndsAndReportsWhatItDid) {
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        SeededSource source(seed);
        const std::string violation = ExerciseProtocol(source, 150);
        ASSERT_EQ(violation, "") << "seed " << seed;
    }
}

}  // namespace
}  // namespace zrflash::protocol::test
