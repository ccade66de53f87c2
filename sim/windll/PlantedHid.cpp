// A HID.dll that is no HID library at all (it exports nothing the program needs), planted
// beside the program to show that the program never loads HID.dll from its own folder; loaded,
// it leaves a marker file beside itself.
#include <windows.h>

#include "sim/windll/PlantedMarker.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) zrflash::sim::windll::LeaveMarker(instance);
    return TRUE;
}

extern "C" void WINAPI HidD_Hello() {}
