// The operating-system services the program needs, on Windows (kernel32, shell32).
#include "platform/win32/Win32System.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "platform/win32/Win32SystemFiles.h"
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

// The program a command line starts, by its full path: the first word (or the quoted first part),
// from the system directory when it names no folder, ".exe" added when it has no extension.
// Empty when there is none.
std::wstring ProgramOf(std::wstring_view line) {
    std::size_t start = line.find_first_not_of(L" \t");
    if (start == std::wstring_view::npos) return {};
    std::size_t end = 0;
    if (line[start] == L'"') {
        ++start;
        end = line.find(L'"', start);
    } else {
        end = line.find_first_of(L" \t", start);
    }
    std::wstring name(line.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
    if (name.empty()) return {};
    const std::size_t folderEnd = name.find_last_of(L"\\/:");
    const std::size_t fileStart = folderEnd == std::wstring::npos ? 0 : folderEnd + 1;
    if (name.find(L'.', fileStart) == std::wstring::npos) name += L".exe";
    return folderEnd == std::wstring::npos ? SystemFilePath(name) : name;
}

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

// WinExec would look for the command's program in the program's folder and the current one
// before the system directory, so a planted TASKKILL.exe would run at every start. A program named
// without a folder is taken from the system directory by its full path instead; the command line
// goes to it as written. Hidden, not awaited, its result not looked at, as WinExec with SW_HIDE.
void Win32System::StartHidden(std::u16string_view commandLine) {
    std::wstring line = Wide(commandLine);
    const std::wstring program = ProgramOf(line);
    if (program.empty()) return;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
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
