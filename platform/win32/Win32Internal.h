// Pieces shared by the Win32 platform files.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace platform {
namespace win32 {

// A small set of numbers (thread ids, port numbers) shared between threads.
class LockedSet {
public:
    LockedSet() { InitializeCriticalSection(&m_lock); }
    LockedSet(const LockedSet&) = delete;
    LockedSet& operator=(const LockedSet&) = delete;

    // Adds n; false if it was there already.
    bool Insert(unsigned long n) {
        EnterCriticalSection(&m_lock);
        const bool added = std::find(m_items.begin(), m_items.end(), n) == m_items.end();
        if (added) m_items.push_back(n);
        LeaveCriticalSection(&m_lock);
        return added;
    }
    // Removes one n.
    void Erase(unsigned long n) {
        EnterCriticalSection(&m_lock);
        auto it = std::find(m_items.begin(), m_items.end(), n);
        if (it != m_items.end()) m_items.erase(it);
        LeaveCriticalSection(&m_lock);
    }
    bool Contains(unsigned long n) {
        EnterCriticalSection(&m_lock);
        const bool found = std::find(m_items.begin(), m_items.end(), n) != m_items.end();
        LeaveCriticalSection(&m_lock);
        return found;
    }

private:
    CRITICAL_SECTION m_lock;
    std::vector<unsigned long> m_items;
};

// True while that thread is inside SendMessageA to a host window.
bool IsSendingToHost(unsigned long threadId);

}  // namespace win32
}  // namespace platform
