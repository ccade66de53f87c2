// errno values translated into the Windows error codes the program's layers react to.
#pragma once

#include <cstdint>

namespace zrflash::platform::linux_port {

// Codes with a Windows counterpart map to it (EEXIST to 183, ENOENT to 2, EACCES to 5, ENODEV
// to 1167, ...); any other errno is kept, marked with the customer bit 0x20000000 so it can never
// be mistaken for a Windows code.
std::uint32_t PlatformErrorCode(int error);
// The code for a missing parent folder: Windows says "path not found" (3), not "file not found".
std::uint32_t PathErrorCode(int error);

}  // namespace zrflash::platform::linux_port
