// Stands in for the framework's DLL start-up: the application object's
// InitInstance at process attach, ExitInstance at detach.
#include <windows.h>

#include "platform/Module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            platform::OnModuleLoad();
            break;
        case DLL_PROCESS_DETACH:
            platform::OnModuleUnload();
            break;
        default:
            break;
    }
    return TRUE;
}
