// Received bytes go to the host's top-level window by title, as WM_COPYDATA.
#include <windows.h>

#include "platform/Platform.h"

namespace platform {

// SendMessageA returns once the window procedure has handled the message,
// so the data may live on the caller's stack.
bool SendToHostWindow(const char* title, unsigned long dwData, const void* data, unsigned count) {
    HWND window = FindWindowA(nullptr, title);
    if (!window) return false;
    COPYDATASTRUCT cds;
    cds.dwData = dwData;
    cds.cbData = count;
    cds.lpData = const_cast<void*>(data);
    SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    return true;
}

}  // namespace platform
