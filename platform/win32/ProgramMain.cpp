// Entry point of the Windows program: the Win32 GUI and system around the program's run.
#include <windows.h>

#include "app/Program.h"
#include "platform/win32/ProgramHidSystem.h"
#include "platform/win32/Win32Gui.h"
#include "platform/win32/Win32System.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    zrflash::platform::win32::Win32Gui gui(instance);
    zrflash::platform::win32::Win32System system;
    auto hidSystem = zrflash::platform::win32::MakeProgramHidSystem(gui, system);
    const int exitCode = zrflash::app::RunProgram(gui, system, hidSystem->System());
    // A window that could not even be created is a failed start, not a normal end.
    return gui.WindowFailed() ? 1 : exitCode;
}
