// Starts a program and prints the milliseconds from its start until a window
// with the given title is mapped on the X display, watched through X events
// rather than by polling; then ends the program and prints, second, the
// processor time it had used (user and system, all its threads): the
// program's own work, which other processes on a busy machine disturb far
// less than the elapsed time.
// Usage: map_wait <title> <program> [arguments...]
// Exits 1 when no such window appears within 30 seconds.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

bool Titled(Display* display, Window window, const char* title) {
  XTextProperty name{};
  if (!XGetWMName(display, window, &name) || !name.value) return false;
  const bool same = std::strcmp(reinterpret_cast<const char*>(name.value), title) == 0;
  XFree(name.value);
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: map_wait <title> <program> [arguments...]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "map_wait: no X display\n");
    return 2;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  if (posix_spawnp(&child, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
    std::perror("map_wait: cannot start the program");
    return 2;
  }
  pollfd events{ConnectionNumber(display), POLLIN, 0};
  double milliseconds = -1;
  while (milliseconds < 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && Titled(display, event.xmap.window, argv[1])) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        milliseconds = std::chrono::duration<double, std::milli>(elapsed).count();
        break;
      }
    }
    if (milliseconds < 0) poll(&events, 1, 100);
  }
  kill(child, SIGKILL);
  rusage usage{};
  wait4(child, nullptr, 0, &usage);
  if (milliseconds < 0) return 1;
  const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  std::printf("%.1f %.1f\n", milliseconds, ms(usage.ru_utime) + ms(usage.ru_stime));
  return 0;
}
