// Process-wide mutexes of the library: thin pthread wrappers whose failures surface as exceptions.
#pragma once

#include <pthread.h>

#include <exception>
#include <string>

#include "kestfw/kestfw_types.h"

namespace Locks {

class KESTFW_API LockException : public std::exception {
public:
    explicit LockException(int err);
    const char* what() const noexcept override { return m_msg.c_str(); }
    int error() const noexcept { return m_err; }

private:
    int m_err;
    std::string m_msg;
};

class KESTFW_API Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void Lock();
    int Unlock();

private:
    pthread_mutex_t m_mutex;
};

// Holds the mutex for its scope. Unlocking cannot raise from a destructor without ending the process,
// so a failed unlock is written to standard error instead.
class KESTFW_API ScopedLock {
public:
    explicit ScopedLock(Mutex& m);
    ~ScopedLock();
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    Mutex* m_mutex;
};

}  // namespace Locks
