// Random operations of the protocol layer against a device that answers anything, with the
// checks that must hold whatever it answers.
#pragma once

#include <string>

#include "tests/protocol/RandomDevice.h"

namespace zrflash::protocol::test {

// Attaches a RandomDevice drawn from the source and runs that many random transactions, byte
// and number operations and checksum read-outs on it. Returns the first broken rule, described,
// or an empty text.
std::string ExerciseProtocol(ByteSource& source, int operations);

}  // namespace zrflash::protocol::test
