// A WINMM.dll planted beside the program: it exports the functions a program would import from the
// real one (each doing nothing), so that a program that imported them would start with it; loaded,
// it leaves a marker file beside itself.
#include <windows.h>

#include "sim/windll/PlantedMarker.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) zrflash::sim::windll::LeaveMarker(instance);
    return TRUE;
}

// Every export is this function (see the .def files); 0 is "nothing" or "no error" for all of them.
extern "C" UINT_PTR WINAPI PlantedNothing() { return 0; }
