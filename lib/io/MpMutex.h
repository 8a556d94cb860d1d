// MpMutex: the critical section of an I/O object, and MpMutexGuard, the scope guard that holds
// it for the duration of one lock operation and leaves it on every exit, exceptions included.
#pragma once

#include <mutex>

class MpMutex {
public:
    MpMutex() = default;
    MpMutex(const MpMutex&) = delete;
    MpMutex& operator=(const MpMutex&) = delete;

    void Enter() { m_mutex.lock(); }
    void Leave() { m_mutex.unlock(); }

private:
    std::mutex m_mutex;
};

class MpMutexGuard {
public:
    explicit MpMutexGuard(MpMutex& mutex) : m_mutex(mutex) { m_mutex.Enter(); }
    ~MpMutexGuard() { m_mutex.Leave(); }
    MpMutexGuard(const MpMutexGuard&) = delete;
    MpMutexGuard& operator=(const MpMutexGuard&) = delete;

private:
    MpMutex& m_mutex;
};
