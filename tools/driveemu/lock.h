// A plain lock for the emulated library's completion threads. Windows builds
// use a critical section: their compiler's thread model has no std::mutex,
// and the one that has brings a threads library that needs Vista or later.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace driveemu {

#ifdef _WIN32
class Lock {
 public:
  Lock() { InitializeCriticalSection(&m_section); }
  ~Lock() { DeleteCriticalSection(&m_section); }
  void lock() { EnterCriticalSection(&m_section); }
  void unlock() { LeaveCriticalSection(&m_section); }

 private:
  Lock(const Lock&);
  Lock& operator=(const Lock&);
  CRITICAL_SECTION m_section;
};
#else
typedef std::mutex Lock;
#endif

// Holds a lock for the life of a scope.
class LockHold {
 public:
  explicit LockHold(Lock& lock) : m_lock(lock) { m_lock.lock(); }
  ~LockHold() { m_lock.unlock(); }

 private:
  LockHold(const LockHold&);
  LockHold& operator=(const LockHold&);
  Lock& m_lock;
};

}  // namespace driveemu
