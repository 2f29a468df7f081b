// Threads on Win32, and how a watch thread is ended.
#include <windows.h>

#include <cstdint>
#include <new>

#include "platform/Thread.h"
#include "platform/win32/Win32Internal.h"

namespace platform {
namespace {

unsigned long Id(HANDLE h) { return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(h)); }

}  // namespace

struct Thread {
    HANDLE handle = nullptr;
    DWORD id = 0;
    void (*fn)(void*) = nullptr;
    void* arg = nullptr;
};

namespace {

DWORD WINAPI Trampoline(LPVOID raw) {
    const Thread* t = static_cast<const Thread*>(raw);
    void (*fn)(void*) = t->fn;  // the record may go while fn runs
    void* arg = t->arg;
    fn(arg);
    return 0;
}

// How long a woken watch thread gets to finish before it is ended by force.
constexpr DWORD kEndWaitMs = 1000;

}  // namespace

Thread* ThreadStart(void (*fn)(void*), void* arg) {
    Thread* t = new (std::nothrow) Thread;
    if (!t) return nullptr;
    t->fn = fn;
    t->arg = arg;
    t->handle = CreateThread(nullptr, 0, &Trampoline, t, 0, &t->id);
    if (!t->handle) {
        delete t;
        return nullptr;
    }
    return t;
}

// The caller has woken the thread (cleared the mask and its run flag).
// Waiting keeps incoming sent messages flowing: a watch thread may be in
// SendMessageA to a window of this very thread. When this thread is at that
// moment handling the watch thread's own message (a host that closes the
// port from its WM_COPYDATA handler), the message is answered first so that
// the thread can return. TerminateThread stays the last resort, for a
// thread stuck in a window procedure that never returns.
void ThreadEnd(Thread* t) {
    if (!t) return;
    if (GetCurrentThreadId() == t->id) {
        CloseHandle(t->handle);
        delete t;
        return;
    }
    if (InSendMessage() && win32::IsSendingToHost(t->id)) ReplyMessage(TRUE);
    bool ended = false;
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; !ended && waited < kEndWaitMs; waited = GetTickCount() - start) {
        const DWORD r = MsgWaitForMultipleObjects(1, &t->handle, FALSE, kEndWaitMs - waited, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) {
            ended = true;
        } else if (r == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // runs sent messages only
        } else if (r != WAIT_TIMEOUT) {
            break;
        }
    }
    if (!ended) {
        TerminateThread(t->handle, 0);
        WaitForSingleObject(t->handle, INFINITE);
    }
    CloseHandle(t->handle);
    delete t;
}

void ThreadDetach(Thread* t) {
    if (!t) return;
    CloseHandle(t->handle);
    delete t;
}

bool ThreadIsCurrent(const Thread* t) { return t && GetCurrentThreadId() == t->id; }

unsigned long ThreadDebugId(const Thread* t) { return t ? Id(t->handle) : 0; }

}  // namespace platform
