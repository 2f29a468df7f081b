// Threads on POSIX: pthreads.
#include <pthread.h>

#include <cstring>
#include <new>

#include "platform/Thread.h"

namespace platform {

struct Thread {
    pthread_t id;
};

namespace {

struct Start {
    void (*fn)(void*);
    void* arg;
};

void* Trampoline(void* raw) {
    Start start = *static_cast<Start*>(raw);
    delete static_cast<Start*>(raw);
    start.fn(start.arg);
    return nullptr;
}

}  // namespace

Thread* ThreadStart(void (*fn)(void*), void* arg) {
    Thread* t = new (std::nothrow) Thread;
    Start* start = new (std::nothrow) Start{fn, arg};
    if (!t || !start || pthread_create(&t->id, nullptr, &Trampoline, start) != 0) {
        delete t;
        delete start;
        return nullptr;
    }
    return t;
}

void ThreadDetach(Thread* t) {
    if (!t) return;
    pthread_detach(t->id);
    delete t;
}

void ThreadEnd(Thread* t) {
    if (!t) return;
    if (pthread_equal(t->id, pthread_self()))
        pthread_detach(t->id);
    else
        pthread_join(t->id, nullptr);
    delete t;
}

bool ThreadIsCurrent(const Thread* t) { return t && pthread_equal(t->id, pthread_self()); }

unsigned long ThreadDebugId(const Thread* t) {
    unsigned long id = 0;
    if (t) std::memcpy(&id, &t->id, sizeof id < sizeof t->id ? sizeof id : sizeof t->id);
    return id;
}

}  // namespace platform
