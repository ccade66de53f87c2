// The control channel's files and its polling thread.
#include "sim/windll/ControlChannel.h"

#include <windows.h>

#include <sstream>
#include <vector>

#include "sim/windll/WholeFile.h"
#include "sim/windll/WindowsBus.h"

namespace zrflash::sim::windll {
namespace {

constexpr DWORD kPollMilliseconds = 20;

std::string RunLines(WindowsBus& bus, const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    std::string reply;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::lock_guard lock(WindowsBus::Mutex());
        reply += ExecuteCommand(bus, line) + "\n";
    }
    return reply;
}

DWORD WINAPI Poll(void* parameter) {
    auto& bus = *static_cast<WindowsBus*>(parameter);
    const std::wstring folder = bus.ControlFolder();
    const std::wstring command = folder + L"\\command.txt";
    const std::wstring taken = folder + L"\\command.taken";
    const std::wstring reply = folder + L"\\reply.tmp";
    const std::wstring answered = folder + L"\\reply.txt";
    for (;;) {
        ::Sleep(kPollMilliseconds);
        // Renamed away first, so a command is never run twice or half-written.
        if (!MoveFileExW(command.c_str(), taken.c_str(), MOVEFILE_REPLACE_EXISTING)) continue;
        std::string text;
        if (!ReadWholeFile(taken, text)) continue;
        DeleteFileW(taken.c_str());
        if (WriteWholeFile(reply, RunLines(bus, text))) MoveFileExW(reply.c_str(), answered.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

}  // namespace

bool RunStartupCommands(WindowsBus& bus) {
    if (bus.ControlFolder().empty()) return false;
    std::string text;
    if (!ReadWholeFile(bus.ControlFolder() + L"\\startup.txt", text)) return false;
    const std::string reply = RunLines(bus, text);
    WriteWholeFile(bus.ControlFolder() + L"\\startup-reply.txt", reply);
    return true;
}

void StartControlChannel(WindowsBus& bus) {
    if (bus.ControlFolder().empty()) return;
    // The thread runs this DLL's code until the process ends, so the DLL must never be unloaded
    // under it (the program frees HID.dll when it shuts down).
    static const int anchor = 0;
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                            reinterpret_cast<LPCWSTR>(&anchor), &self)) {
        return;
    }
    HANDLE thread = CreateThread(nullptr, 0, Poll, &bus, 0, nullptr);
    if (thread != nullptr) CloseHandle(thread);
}

}  // namespace zrflash::sim::windll
