// The driver's side of the test-double HID.dll's control channel.
#include "tests/e2e/driver/SimControl.h"

#include <windows.h>

namespace zrflash::e2e {
namespace {

std::wstring Folder() {
    wchar_t value[1024] = {};
    const DWORD length = GetEnvironmentVariableW(L"ZRSIM_CONTROL_DIR", value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

bool WriteText(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool done = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                      written == text.size();
    CloseHandle(file);
    return done;
}

bool ReadText(const std::wstring& path, std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD count = 0;
    text.clear();
    while (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) text.append(buffer, count);
    CloseHandle(file);
    return true;
}

}  // namespace

std::string SimCommand(const std::string& command, int timeoutMs) {
    const std::wstring folder = Folder();
    if (folder.empty()) return {};
    const std::wstring reply = folder + L"\\reply.txt";
    DeleteFileW(reply.c_str());
    // Written aside and renamed into place, so the channel never reads half a command.
    const std::wstring pending = folder + L"\\command.tmp";
    if (!WriteText(pending, command + "\n") ||
        !MoveFileExW(pending.c_str(), (folder + L"\\command.txt").c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return {};
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (GetTickCount64() < deadline) {
        std::string text;
        if (ReadText(reply, text)) {
            DeleteFileW(reply.c_str());
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            return text;
        }
        Sleep(10);
    }
    return {};
}

}  // namespace zrflash::e2e
