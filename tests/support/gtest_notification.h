// GoogleTest's Notification, for a standard library without std::mutex (the
// win32 thread model of MinGW-w64's GCC 12), where GoogleTest's own is built
// on it. Only GoogleTest's own tests wait on one; these tests run on one
// thread. Included before GoogleTest by the compiler.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  void Notify() { notified_ = true; }
  void WaitForNotification() {
    while (!notified_) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
