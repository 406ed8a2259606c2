// Side-by-side figures: each pair of bench/pairs.h timed in alternating
// rounds in one run, printed as the ratio of cRegistry's time to the raw
// calls' time, against its target. Natively on the in-memory registry, on
// Windows (and Wine) on advapi32. The figures are printed, never asserted.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "bench/pairs.h"
#include "platform/memory_registry.h"
#ifdef _WIN32
#include "platform/win32_registry.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work, long iterations) {
  const auto start = Clock::now();
  for (long i = 0; i < iterations; ++i) work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Figures {
  double ours, raw;  // seconds per iteration, medians
};

// Rounds alternate which side goes first; each side's median is kept.
Figures Compare(const std::function<void()>& ours, const std::function<void()>& raw, int rounds) {
  long iterations = 1;
  while (Seconds(raw, iterations) < 0.005 && iterations < (1L << 24)) iterations *= 2;
  std::vector<double> a, b;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      a.push_back(Seconds(ours, iterations));
      b.push_back(Seconds(raw, iterations));
    } else {
      b.push_back(Seconds(raw, iterations));
      a.push_back(Seconds(ours, iterations));
    }
  }
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return {a[a.size() / 2] / static_cast<double>(iterations),
          b[b.size() / 2] / static_cast<double>(iterations)};
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 11;
#ifdef _WIN32
  platform::Win32Registry service;
  const char* backend = "advapi32";
  const double target = 1.05;
#else
  platform::MemoryRegistry service;
  const char* backend = "in-memory registry";
  const double target = 1.5;
#endif
  const std::string base = "Software\\ResetParametriVelto-bench";
  std::printf("cRegistry against raw service calls, on the %s (%d rounds)\n", backend, rounds);
  std::printf("%-28s %12s %12s %7s %7s\n", "work", "cRegistry", "raw calls", "ratio", "target");
  int missed = 0;
  for (const auto& pair : bench::MakePairs(service, base, 1000, target)) {
    const auto f = Compare(pair.ours, pair.raw, rounds);
    const double ratio = f.ours / f.raw;
    const bool met = ratio <= pair.target;
    missed += met ? 0 : 1;
    std::printf("%-28s %9.2f us %9.2f us %7.3f %7.2f %s\n", pair.name.c_str(), f.ours * 1e6,
                f.raw * 1e6, ratio, pair.target, met ? "" : "MISSED");
  }
#ifndef _WIN32
  // Growth: a listing ten times as long takes at most eleven times as long.
  const auto small = bench::MakePairs(service, base + "1000", 1000, target);
  const auto large = bench::MakePairs(service, base + "10000", 10000, target);
  const auto f = Compare(large[6].ours, small[6].ours, rounds);
  const double growth = f.ours / f.raw;
  missed += growth <= 11 ? 0 : 1;
  std::printf("%-28s %9.2f us %9.2f us %7.3f %7.2f %s\n", "EnumerateValues 10000/1000",
              f.ours * 1e6, f.raw * 1e6, growth, 11.0, growth <= 11 ? "" : "MISSED");
  // The same growth of the raw calls: what the registry service itself costs.
  const auto r = Compare(large[6].raw, small[6].raw, rounds);
  std::printf("%-28s %9.2f us %9.2f us %7.3f %7s (raw calls, for reference)\n",
              "raw listing 10000/1000", r.ours * 1e6, r.raw * 1e6, r.ours / r.raw, "");
  bench::Clean(service, base + "1000");
  bench::Clean(service, base + "10000");
#endif
  bench::Clean(service, base);
  std::printf("%d figure(s) missed their target\n", missed);
  return 0;
}
