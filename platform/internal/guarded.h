// The lock of what the package's objects share between threads, for the
// package's own parts (never installed): std::mutex where the C++ runtime
// has one, a critical section on Windows, where MinGW-w64's win32 thread
// model has none (and Windows XP has no slim lock).
#pragma once

#include <utility>

#ifndef _WIN32
#include <mutex>
#endif

namespace cregistry {

#ifdef _WIN32
class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  void lock();
  void unlock();

 private:
  // A CRITICAL_SECTION, without <windows.h> here.
  alignas(void*) unsigned char section_[sizeof(void*) == 8 ? 40 : 24];
};
#else
using Mutex = std::mutex;
#endif

// Holds the mutex from its making to the end of its scope.
class MutexLock {
 public:
  explicit MutexLock(Mutex& mutex) : mutex_(mutex) { mutex_.lock(); }
  ~MutexLock() { mutex_.unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex& mutex_;
};

// A value that only the holder of its lock can reach: Lock() hands it out
// with the lock held until the handle goes.
template <typename T>
class Guarded {
 public:
  template <typename... Args>
  explicit Guarded(Args&&... args) : value_(std::forward<Args>(args)...) {}

  class Locked {
   public:
    explicit Locked(Guarded& guarded) : lock_(guarded.mutex_), value_(guarded.value_) {}
    T* operator->() const { return &value_; }
    T& operator*() const { return value_; }

   private:
    MutexLock lock_;
    T& value_;
  };
  Locked Lock() { return Locked(*this); }

 private:
  Mutex mutex_;
  T value_;
};

}  // namespace cregistry
