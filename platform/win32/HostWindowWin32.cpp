// Received bytes go to the host's top-level window by title, as WM_COPYDATA.
#include <windows.h>

#include "platform/Platform.h"
#include "platform/win32/Win32Internal.h"

namespace platform {
namespace {

// The threads blocked in SendMessageA right now, so that a port closed from
// the window procedure can release its own watch thread (see ThreadEnd).
// A thread sends one message at a time, so its id is there at most once.
win32::LockedSet& Senders() {
    static win32::LockedSet s;
    return s;
}

}  // namespace

namespace win32 {

bool IsSendingToHost(unsigned long threadId) { return Senders().Contains(threadId); }

}  // namespace win32

// SendMessageA returns once the window procedure has handled the message,
// so the data may live on the caller's stack.
bool SendToHostWindow(const char* title, unsigned long dwData, const void* data, unsigned count) {
    HWND window = FindWindowA(nullptr, title);
    if (!window) return false;
    COPYDATASTRUCT cds;
    cds.dwData = dwData;
    cds.cbData = count;
    cds.lpData = const_cast<void*>(data);
    const DWORD self = GetCurrentThreadId();
    Senders().Insert(self);
    SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    Senders().Erase(self);
    return true;
}

}  // namespace platform
