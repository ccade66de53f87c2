// errno values translated into the Windows error codes the program's layers react to.
#include "platform/linux/PlatformErrorCode.h"

#include <cerrno>

namespace zrflash::platform::linux_port {

std::uint32_t PlatformErrorCode(int error) {
    switch (error) {
        case 0: return 0;
        case ENOENT: return 2;          // ERROR_FILE_NOT_FOUND
        case EACCES:
        case EPERM: return 5;           // ERROR_ACCESS_DENIED
        case EBADF: return 6;           // ERROR_INVALID_HANDLE
        case ENOMEM: return 8;          // ERROR_NOT_ENOUGH_MEMORY
        case EROFS: return 19;          // ERROR_WRITE_PROTECT
        case EIO:
        case EPIPE:
        case EPROTO: return 31;         // ERROR_GEN_FAILURE
        case EBUSY: return 170;         // ERROR_BUSY
        case EOPNOTSUPP:
        case ENOTTY:
        case ENOSYS: return 50;         // ERROR_NOT_SUPPORTED
        case EINVAL: return 87;         // ERROR_INVALID_PARAMETER
        case ENOSPC: return 112;        // ERROR_DISK_FULL
        case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
        case EEXIST: return 183;        // ERROR_ALREADY_EXISTS
        case ENOTDIR: return 267;       // ERROR_DIRECTORY
        case ETIMEDOUT: return 1460;    // ERROR_TIMEOUT
        case ENODEV:
        case ENXIO: return 1167;        // ERROR_DEVICE_NOT_CONNECTED
        default: return 0x20000000u | static_cast<std::uint32_t>(error);
    }
}

std::uint32_t PathErrorCode(int error) { return error == ENOENT ? 3 : PlatformErrorCode(error); }

}  // namespace zrflash::platform::linux_port
