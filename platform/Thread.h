// Threads, as the serial port's watch thread needs them.
#pragma once

namespace platform {

struct Thread;
// Starts fn(arg) at once; null if the thread cannot be created.
Thread* ThreadStart(void (*fn)(void*), void* arg);
// Ends the thread for certain and frees the record. POSIX joins it (the
// caller has already asked it to stop); on the thread itself it detaches.
void ThreadEnd(Thread* t);
// Frees the record and lets the thread run to its end on its own.
void ThreadDetach(Thread* t);
bool ThreadIsCurrent(const Thread* t);
unsigned long ThreadDebugId(const Thread* t);

}  // namespace platform
