// Named host windows: the POSIX stand-in for FindWindowA + SendMessageA.
// A receiver runs synchronously on the port's watch thread, like a window
// procedure handling WM_COPYDATA sent from another thread.
#include <map>
#include <mutex>
#include <string>

#include "platform/Platform.h"
#include "trevalo_host.h"

namespace {

struct Receiver {
    TrevaloHostReceiver fn;
    void* context;
};

// Recursive, so that a receiver may unregister itself; held during the
// call so that unregistering waits for a running receiver.
std::recursive_mutex& Lock() {
    static std::recursive_mutex m;
    return m;
}

std::map<std::string, Receiver>& Windows() {
    static std::map<std::string, Receiver> w;
    return w;
}

}  // namespace

namespace platform {

bool SendToHostWindow(const char* title, unsigned long dwData, const void* data, unsigned count) {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    auto it = Windows().find(title ? title : "");
    if (it == Windows().end()) return false;
    Receiver r = it->second;
    r.fn(r.context, dwData, static_cast<const unsigned char*>(data), count);
    return true;
}

}  // namespace platform

extern "C" {

TREVALO_API int TREVALO_CALL TrevaloRegisterHostWindow(const char* title, TrevaloHostReceiver receiver,
                                                       void* context) {
    if (!title || !receiver) return 0;
    std::lock_guard<std::recursive_mutex> guard(Lock());
    Windows()[title] = Receiver{receiver, context};
    return 1;
}

TREVALO_API void TREVALO_CALL TrevaloUnregisterHostWindow(const char* title) {
    if (!title) return;
    std::lock_guard<std::recursive_mutex> guard(Lock());
    Windows().erase(title);
}

}  // extern "C"
