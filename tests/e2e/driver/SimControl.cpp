// The driver's side of the test-double HID.dll's control channel.
#include "tests/e2e/driver/SimControl.h"

#include <windows.h>

#include "sim/windll/WholeFile.h"

namespace zrflash::e2e {
namespace {

std::wstring Folder() {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(L"ZRSIM_CONTROL_DIR", value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

}  // namespace

std::string SimCommand(const std::string& command, int timeoutMs) {
    const std::wstring folder = Folder();
    if (folder.empty()) return {};
    const std::wstring reply = folder + L"\\reply.txt";
    DeleteFileW(reply.c_str());
    // Written aside and renamed into place, so the channel never reads half a command.
    const std::wstring pending = folder + L"\\command.tmp";
    if (!sim::windll::WriteWholeFile(pending, command + "\n") ||
        !MoveFileExW(pending.c_str(), (folder + L"\\command.txt").c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return {};
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (GetTickCount64() < deadline) {
        std::string text;
        if (sim::windll::ReadWholeFile(reply, text)) {
            DeleteFileW(reply.c_str());
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            return text;
        }
        Sleep(10);
    }
    return {};
}

}  // namespace zrflash::e2e
