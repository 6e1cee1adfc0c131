// A critical section with scope locking.
#pragma once

#include <windows.h>

namespace ui {

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    class Lock {
    public:
        explicit Lock(CriticalSection& c) : c_(c) { EnterCriticalSection(&c_.cs_); }
        ~Lock() { LeaveCriticalSection(&c_.cs_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        CriticalSection& c_;
    };

private:
    CRITICAL_SECTION cs_;
};

}  // namespace ui
