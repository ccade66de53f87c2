// What the program needs from the operating system besides the GUI and the HID bus.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zrflash::platform {

// A named semaphore; the handle closes with the object.
class Semaphore {
public:
    virtual ~Semaphore() = default;
    // True when one unit was taken within the time-out.
    virtual bool Wait(int milliseconds) = 0;
    virtual bool Release(int count) = 0;
};

// A file being written. Each call reports whether the operating system took the bytes.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool Write(std::string_view bytes) = 0;
    virtual bool Close() = 0;
};

struct LocalTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;   // 0..23
    int minute = 0;
    int second = 0;
};

// What CreateNewOutputFile found.
struct NewOutputFile {
    std::unique_ptr<OutputFile> file;  // nullptr when no file was created
    bool alreadyExists = false;        // the name is taken; the file there was left untouched
};

// Result codes of MakeDirectory, as Windows gives them. (Names avoid the Win32 A/W macros.)
inline constexpr std::uint32_t kDirectoryCreated = 0;
inline constexpr std::uint32_t kAlreadyExists = 183;

class System {
public:
    virtual ~System() = default;
    // Full path of the running executable, at most capacity - 1 characters, as the platform
    // reports it (backslashes on Windows).
    virtual std::u16string ModulePath(std::size_t capacity) = 0;
    // Creates or opens the semaphore of that name (initial and maximum count 1); nullptr on failure.
    virtual std::unique_ptr<Semaphore> OpenNamedSemaphore(std::u16string_view name) = 0;
    // Starts a command line with its window hidden; neither waits nor reports.
    virtual void StartHidden(std::u16string_view commandLine) = 0;
    // Blocks the GUI thread; nothing is dispatched meanwhile.
    virtual void Sleep(int milliseconds) = 0;
    // The user's documents folder without a trailing separator, created if missing; empty on failure.
    virtual std::u16string DocumentsFolder() = 0;
    // Creates one directory; 0, 183 (already there) or another platform error code.
    virtual std::uint32_t MakeDirectory(std::u16string_view path) = 0;
    // Creates a file that does not exist yet, for writing, shared for reading. A file (or a link)
    // already there under that name is never opened.
    virtual NewOutputFile CreateNewOutputFile(std::u16string_view path) = 0;
    virtual bool RemoveFile(std::u16string_view path) = 0;
    virtual LocalTime Now() = 0;
    // The separator the platform uses between path components.
    virtual char16_t PathSeparator() const = 0;
};

}  // namespace zrflash::platform
