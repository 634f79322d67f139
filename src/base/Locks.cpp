#include "base/Locks.h"

#include <cstdio>
#include <cstring>

namespace Locks {

LockException::LockException(int err) : m_err(err), m_msg(std::string("LockException: ") + strerror(err)) {}

Mutex::Mutex() {
    int rc = pthread_mutex_init(&m_mutex, nullptr);
    if (rc != 0) throw LockException(rc);
}

Mutex::~Mutex() { pthread_mutex_destroy(&m_mutex); }

void Mutex::Lock() {
    int rc = pthread_mutex_lock(&m_mutex);
    if (rc != 0) throw LockException(rc);
}

int Mutex::Unlock() { return pthread_mutex_unlock(&m_mutex); }

ScopedLock::ScopedLock(Mutex& m) : m_mutex(&m) { m_mutex->Lock(); }

ScopedLock::~ScopedLock() {
    int rc = m_mutex->Unlock();
    if (rc != 0) fprintf(stderr, "failed to mutex unlock: %s", strerror(rc));
}

}  // namespace Locks
