// Side-by-side figures: each pair of bench/pairs.h timed in interleaved
// rounds in one run, printed as the ratio of cRegistry's time to the raw
// calls' time with its interval, against its target. Natively on the
// in-memory registry, on Windows (and Wine) on advapi32. The figures are
// printed, never asserted.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "cregistry/memory_registry.h"
#include "pairs.h"
#include "stats.h"
#ifdef _WIN32
#include "cregistry/win32_registry.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work, long iterations) {
  const auto start = Clock::now();
  for (long i = 0; i < iterations; ++i) work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Rounds alternate which side goes first; each round times both sides over
// the same number of iterations, so a disturbance hits both.
bench::Comparison Measure(const std::function<void()>& ours, const std::function<void()>& raw,
                          int rounds) {
  long iterations = 1;
  while (Seconds(raw, iterations) < 0.005 && iterations < (1L << 24)) iterations *= 2;
  std::vector<double> a, b;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      a.push_back(Seconds(ours, iterations) / static_cast<double>(iterations));
      b.push_back(Seconds(raw, iterations) / static_cast<double>(iterations));
    } else {
      b.push_back(Seconds(raw, iterations) / static_cast<double>(iterations));
      a.push_back(Seconds(ours, iterations) / static_cast<double>(iterations));
    }
  }
  return bench::Compare(a, b);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = std::max(21, argc > 1 ? std::atoi(argv[1]) : 21);
#ifdef _WIN32
  cregistry::Win32Registry service;
  const char* backend = "advapi32";
  const double target = 1.05;
#else
  cregistry::MemoryRegistry service;
  const char* backend = "in-memory registry";
  const double target = 1.5;
#endif
  const std::string base = "Software\\ResetParametriVelto-bench";
  std::printf("cRegistry against raw service calls, on the %s, %d interleaved rounds:\n", backend,
              rounds);
  bench::PrintHeading("cRegistry", "raw calls");
  int missed = 0, inconclusive = 0;
  const auto count = [&](const std::string& verdict) {
    missed += verdict == "missed";
    inconclusive += verdict == "inconclusive";
  };
  for (const auto& pair : bench::MakePairs(service, base, 1000, target)) {
    count(bench::PrintComparison(pair.name.c_str(), Measure(pair.ours, pair.raw, rounds),
                                 pair.target, 1e6, "us"));
  }
#ifndef _WIN32
  // Growth: a listing ten times as long takes at most eleven times as long.
  const auto small = bench::MakePairs(service, base + "1000", 1000, target);
  const auto large = bench::MakePairs(service, base + "10000", 10000, target);
  count(bench::PrintComparison("EnumerateValues 10000/1000",
                               Measure(large[6].ours, small[6].ours, rounds), 11, 1e6, "us"));
  // The same growth of the raw calls: what the registry service itself costs.
  bench::PrintComparison("raw listing 10000/1000", Measure(large[6].raw, small[6].raw, rounds), 11,
                         1e6, "us");
  bench::Clean(service, base + "1000");
  bench::Clean(service, base + "10000");
#endif
  bench::Clean(service, base);
  std::printf("%d figure(s) missed their target, %d inconclusive\n", missed, inconclusive);
  return 0;
}
