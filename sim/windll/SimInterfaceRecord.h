// What the test-double HID.dll tells the test-double SetupApi.dll about one present interface.
#pragma once

#include <windows.h>

namespace zrflash::sim::windll {

struct SimInterfaceRecord {
    DWORD instance;
    WORD vendorId;
    WORD productId;
    wchar_t path[160];
    wchar_t product[64];
    wchar_t manufacturer[64];
    wchar_t className[32];
};

}  // namespace zrflash::sim::windll

// Exported by the test-double HID.dll (hid.def) for its SetupApi.dll.
extern "C" {
// Copies up to capacity present interfaces; the count present, or -1 when enumeration is made
// to fail.
int WINAPI ZrSimPresentInterfaces(zrflash::sim::windll::SimInterfaceRecord* records, int capacity);
// The bus mutex (recursive), which every entry point of both DLLs holds.
void WINAPI ZrSimLock();
void WINAPI ZrSimUnlock();
}
