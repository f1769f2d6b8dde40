// The entry point of Vexa.exe: the start-up with the program's own
// operation runner.
#include <windows.h>

#include "app/win32/startup.h"
#include "transfer/transfer.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return RunVexa(instance, showCommand, RunOperation);
}
