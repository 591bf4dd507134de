// The Windows entry point: start-up, then one run of the launcher on the
// executable's own path; its result is the process's exit code.
#include <windows.h>

#include "launcher/launcher_main.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    platform::StartUp();
    return LauncherMain(platform::ExecutablePath());
}
