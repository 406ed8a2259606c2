// The lock of what the package's objects share between threads, for the
// package's own parts (never installed). A registry call holds it for well
// under a microsecond, so a caller that finds it held spins a little before
// it sleeps: on Windows a critical section with a spin count (MinGW-w64's
// win32 thread model has no std::mutex, and Windows XP no slim lock); here
// an atomic flag that spins, gives its turn away, and only then waits. (A
// std::mutex, which sleeps at once, made a call from 2 threads 5 times as
// long as from one; this lock, 1.4 times: bench/threads.cpp.)
#pragma once

#include <utility>

#ifndef _WIN32
#include <atomic>
#include <thread>
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
class Mutex {
 public:
  // A call holds the lock for a moment: a caller that finds it held tries
  // again a little, then gives its turn away a few times, and only then
  // sleeps until the lock is let go (being woken costs far more).
  void lock() {
    for (int tries = 0; locked_.test_and_set(std::memory_order_acquire); ++tries) {
      if (tries < 64) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
      } else if (tries < 96) {
        std::this_thread::yield();
      } else {
        sleepers_.fetch_add(1, std::memory_order_seq_cst);
        locked_.wait(true, std::memory_order_seq_cst);
        sleepers_.fetch_sub(1, std::memory_order_relaxed);
      }
    }
  }
  void unlock() {
    locked_.clear(std::memory_order_seq_cst);
    if (sleepers_.load(std::memory_order_seq_cst) != 0) locked_.notify_one();
  }

 private:
  std::atomic_flag locked_;
  std::atomic<int> sleepers_{0};
};
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
