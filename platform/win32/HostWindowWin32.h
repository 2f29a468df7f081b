// What the Win32 thread code needs to know about messages to the host window.
#pragma once

namespace platform {
namespace win32 {

// True while that thread is inside SendMessageA to a host window.
bool IsSendingToHost(unsigned long threadId);

}  // namespace win32
}  // namespace platform
