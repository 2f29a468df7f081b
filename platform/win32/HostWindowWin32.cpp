// Received bytes go to the host's top-level window by title, as WM_COPYDATA.
#include "platform/win32/HostWindowWin32.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/Platform.h"

namespace platform {
namespace {

// The threads blocked in SendMessageA right now, so that a port closed from
// the window procedure can release its own watch thread (see ThreadEnd).
struct Senders {
    Senders() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    std::vector<DWORD> ids;
};

Senders& TheSenders() {
    static Senders s;
    return s;
}

class Sending {
public:
    Sending() : m_id(GetCurrentThreadId()) {
        Senders& s = TheSenders();
        EnterCriticalSection(&s.lock);
        s.ids.push_back(m_id);
        LeaveCriticalSection(&s.lock);
    }
    ~Sending() {
        Senders& s = TheSenders();
        EnterCriticalSection(&s.lock);
        auto it = std::find(s.ids.begin(), s.ids.end(), m_id);
        if (it != s.ids.end()) s.ids.erase(it);
        LeaveCriticalSection(&s.lock);
    }

private:
    DWORD m_id;
};

}  // namespace

namespace win32 {

bool IsSendingToHost(unsigned long threadId) {
    Senders& s = TheSenders();
    EnterCriticalSection(&s.lock);
    const bool found = std::find(s.ids.begin(), s.ids.end(), threadId) != s.ids.end();
    LeaveCriticalSection(&s.lock);
    return found;
}

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
    Sending sending;
    SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
    return true;
}

}  // namespace platform
