// The operating-system services the program needs, on Windows (kernel32, shell32).
#include "platform/win32/Win32System.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "platform/win32/WideText.h"

namespace zrflash::platform::win32 {
namespace {

class Win32Semaphore final : public Semaphore {
public:
    explicit Win32Semaphore(HANDLE handle) : handle_(handle) {}
    ~Win32Semaphore() override { CloseHandle(handle_); }
    Win32Semaphore(const Win32Semaphore&) = delete;
    Win32Semaphore& operator=(const Win32Semaphore&) = delete;

    bool Wait(int milliseconds) override {
        return WaitForSingleObject(handle_, static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds)) == WAIT_OBJECT_0;
    }
    bool Release(int count) override { return ReleaseSemaphore(handle_, count, nullptr) != FALSE; }

private:
    HANDLE handle_;
};

class Win32File final : public OutputFile {
public:
    explicit Win32File(HANDLE handle) : handle_(handle) {}
    ~Win32File() override { Close(); }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    bool Write(std::string_view bytes) override {
        if (handle_ == INVALID_HANDLE_VALUE) return false;
        // WriteFile may take fewer bytes than asked (a full disk); what it refuses is a failure.
        while (!bytes.empty()) {
            const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
            DWORD written = 0;
            if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
            bytes.remove_prefix(written);
        }
        return true;
    }
    bool Close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return false;
        const bool closed = CloseHandle(handle_) != FALSE;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

}  // namespace

std::u16string Win32System::ModulePath(std::size_t capacity) {
    if (capacity == 0) return {};
    std::wstring buffer(capacity, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(capacity));
    if (length == 0) return {};
    // A path that does not fit is cut; the last place belongs to the terminating zero.
    buffer.resize(length < capacity ? length : capacity - 1);
    return Utf16(buffer);
}

std::unique_ptr<Semaphore> Win32System::OpenNamedSemaphore(std::u16string_view name) {
    const std::wstring wideName = Wide(name);
    HANDLE handle = CreateSemaphoreW(nullptr, 1, 1, wideName.c_str());
    if (handle == nullptr) return nullptr;
    return std::make_unique<Win32Semaphore>(handle);
}

void Win32System::StartHidden(std::u16string_view commandLine) {
    // WinExec takes the command line in the ANSI code page; a line that cannot be converted is
    // not started, like any other failure of a command nobody looks at.
    const std::wstring wide = Wide(commandLine);
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::string ansi(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi.data(), size, nullptr, nullptr) <= 0) return;
    WinExec(ansi.c_str(), SW_HIDE);
}

void Win32System::Sleep(int milliseconds) { ::Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds)); }

std::u16string Win32System::DocumentsFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, CSIDL_PERSONAL, TRUE)) return {};
    std::wstring folder(buffer);
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return Utf16(folder);
}

std::uint32_t Win32System::MakeDirectory(std::u16string_view path) {
    const std::wstring widePath = Wide(path);
    if (CreateDirectoryW(widePath.c_str(), nullptr)) return kDirectoryCreated;
    return GetLastError();
}

NewOutputFile Win32System::CreateNewOutputFile(std::u16string_view path) {
    const std::wstring widePath = Wide(path);
    HANDLE handle = CreateFileW(widePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return {nullptr, error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS};
    }
    return {std::make_unique<Win32File>(handle), false};
}

bool Win32System::RemoveFile(std::u16string_view path) {
    const std::wstring widePath = Wide(path);
    return DeleteFileW(widePath.c_str()) != FALSE;
}

LocalTime Win32System::Now() {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

}  // namespace zrflash::platform::win32
