// Threads for the tests, where the C++ runtime may have no std::thread
// (MinGW-w64's win32 thread model): Windows' own threads there, POSIX
// threads elsewhere.
#pragma once

#include <cstddef>
#include <functional>

namespace testing_support {

// Runs work(0) to work(count - 1) at once, each on a thread of its own with
// a stack of stackBytes (0: the platform's default), and returns when all
// have ended. What a thread throws is thrown again here.
// Note: a 32-bit Wine program under qemu-i386 (the emulated i686 route,
// tools/i686-route) does not survive two threads at once: there the threads
// run one after another, and say so.
void RunThreads(int count, const std::function<void(int)>& work, std::size_t stackBytes = 0);

// Whether this is a 32-bit Windows program under qemu-i386, the emulated
// i686 route (tools/i686-route).
bool OnEmulatedI686();

// A Windows main thread's stack: 1 MB.
constexpr std::size_t kWindowsStack = std::size_t{1} << 20;

}  // namespace testing_support
