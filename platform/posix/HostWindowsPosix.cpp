// Named host windows: the POSIX stand-in for FindWindowA + SendMessageA.
// A receiver runs synchronously on the port's watch thread, like a window
// procedure handling WM_COPYDATA sent from another thread.
#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "trevalo_host.h"

namespace {

struct Receiver {
    TrevaloHostReceiver fn;
    void* context;
};

struct Call {
    std::string title;
    std::thread::id thread;
};

// No lock is held while a receiver runs: receivers of different ports run
// side by side, and one may close another's port. Unregistering waits for
// the calls of that title on other threads instead.
struct Registry {
    std::mutex lock;
    std::condition_variable callEnded;
    std::map<std::string, Receiver> windows;
    std::vector<Call> calls;

    bool Calling(const std::string& title) const {
        const std::thread::id self = std::this_thread::get_id();
        return std::any_of(calls.begin(), calls.end(),
                           [&](const Call& c) { return c.title == title && c.thread != self; });
    }
};

// Never destroyed: watch threads may still deliver while the process's
// exit handlers run.
Registry& Windows() {
    static Registry* r = new Registry;
    return *r;
}

}  // namespace

namespace platform {

bool SendToHostWindow(const char* title, unsigned long dwData, const void* data, unsigned count) {
    Registry& reg = Windows();
    const std::string name = title ? title : "";
    Receiver r;
    {
        std::lock_guard<std::mutex> guard(reg.lock);
        auto it = reg.windows.find(name);
        if (it == reg.windows.end()) return false;
        r = it->second;
        reg.calls.push_back(Call{name, std::this_thread::get_id()});
    }
    r.fn(r.context, dwData, static_cast<const unsigned char*>(data), count);
    {
        std::lock_guard<std::mutex> guard(reg.lock);
        const std::thread::id self = std::this_thread::get_id();
        auto it = std::find_if(reg.calls.begin(), reg.calls.end(),
                               [&](const Call& c) { return c.title == name && c.thread == self; });
        if (it != reg.calls.end()) reg.calls.erase(it);
    }
    reg.callEnded.notify_all();
    return true;
}

}  // namespace platform

extern "C" {

TREVALO_API int TREVALO_CALL TrevaloRegisterHostWindow(const char* title, TrevaloHostReceiver receiver,
                                                       void* context) {
    if (!title || !receiver) return 0;
    Registry& reg = Windows();
    std::lock_guard<std::mutex> guard(reg.lock);
    reg.windows[title] = Receiver{receiver, context};
    return 1;
}

TREVALO_API void TREVALO_CALL TrevaloUnregisterHostWindow(const char* title) {
    if (!title) return;
    Registry& reg = Windows();
    std::unique_lock<std::mutex> guard(reg.lock);
    reg.windows.erase(title);
    const std::string name = title;
    reg.callEnded.wait(guard, [&] { return !reg.Calling(name); });
}

}  // extern "C"
