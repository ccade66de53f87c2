// A HID.dll that is no HID library at all (it exports nothing the program needs), planted
// beside the program to show that the program never loads HID.dll from its own folder.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

extern "C" void WINAPI HidD_Hello() {}
