// qeloLaunch: no window of its own; the whole flow runs once and exits.
#include "Velmoor.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    return RunLauncher(instance, commandLine ? commandLine : L"");
}
