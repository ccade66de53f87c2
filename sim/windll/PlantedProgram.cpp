// A TASKKILL.exe planted beside the program or in its current folder: run, it only leaves a
// marker file beside itself.
#include <windows.h>

#include "sim/windll/PlantedMarker.h"

int main() {
    zrflash::sim::windll::LeaveMarker(nullptr);
    return 0;
}
