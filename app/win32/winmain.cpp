// The entry point of Vexa.exe: the real winmm behind the MIDI layer, then
// the start-up with the program's own operation runner. The GUI tests run
// the same start-up with their own choices.
#include <windows.h>

#include "app/win32/startup.h"
#include "midi/winmm_table.h"
#include "transfer/transfer.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    SetWinmm(&RealWinmm());
    return RunVexa(instance, showCommand, RunTransferJob, commandLine);
}
