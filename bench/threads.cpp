// The in-memory registry's calls from 1, 2 and 4 threads, and what its lock
// costs: the same calls on the registry without it (the model alone, which
// one thread at a time may use) beside it, in interleaved rounds. Figures,
// not tests. Usage: bench_threads [rounds, at least 21]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "cregistry/memory_registry.h"
#include "model.h"
#include "stats.h"

namespace {

using cregistry::KeyHandle;
using Clock = std::chrono::steady_clock;
const KeyHandle kHkcu = cregistry::RootHandle(INT32_MIN + 1);
constexpr char kKey[] = "Software\\ResetParametriVelto-bench\\Threads";

// One round of work: a read (open, probe, fetch, close), a store and a
// listing step, as registry code makes them.
template <typename Registry>
void Calls(Registry& registry, long iterations) {
  for (long i = 0; i < iterations; ++i) {
    KeyHandle key = 0;
    registry.OpenKey(kHkcu, kKey, cregistry::access::kAllValueAndKeyRights, key);
    std::uint32_t type = 0, size = 0, data = 0;
    registry.QueryValue(key, "number", &type, nullptr, &size);
    registry.QueryValue(key, "number", &type, reinterpret_cast<std::uint8_t*>(&data), &size);
    const std::uint8_t stored[4] = {static_cast<std::uint8_t>(i), 0, 0, 0};
    registry.SetValue(key, "written", 4, stored, 4);
    char name[256];
    registry.EnumKey(key, static_cast<std::uint32_t>(i % 16), name, sizeof name);
    registry.CloseKey(key);
  }
}

template <typename Registry>
void Lay(Registry& registry) {
  KeyHandle key = 0;
  registry.CreateKey(kHkcu, kKey, cregistry::access::kAllValueAndKeyRights, key);
  const std::uint8_t number[4] = {42, 0, 0, 0};
  registry.SetValue(key, "number", 4, number, 4);
  for (int i = 0; i < 16; ++i) {
    KeyHandle child = 0;
    registry.CreateKey(key, "Child" + std::to_string(i), cregistry::access::kAllValueAndKeyRights,
                       child);
    registry.CloseKey(child);
  }
  registry.CloseKey(key);
}

// Seconds per round of calls: each of the threads makes the iterations.
template <typename Registry>
double PerCall(Registry& registry, int threads, long iterations) {
  const auto start = Clock::now();
  if (threads == 1) {
    Calls(registry, iterations);
  } else {
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t) running.emplace_back([&] { Calls(registry, iterations); });
    for (auto& thread : running) thread.join();
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return seconds / static_cast<double>(threads * iterations);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = std::max(21, argc > 1 ? std::atoi(argv[1]) : 21);
  cregistry::MemoryRegistry locked;
  cregistry::memory::Model bare(1252, cregistry::MemoryRegistry::Program::kOn32BitWindows);
  Lay(locked);
  Lay(bare);
  long iterations = 1;
  while (PerCall(bare, 1, iterations) * static_cast<double>(iterations) < 0.005) iterations *= 2;
  std::printf(
      "The in-memory registry's calls (a read, a store, a listing step), %d interleaved rounds:\n",
      rounds);
  bench::PrintHeading("with its lock", "without");
  {
    std::vector<double> with, without;
    for (int round = 0; round < rounds; ++round) {
      if (round % 2 == 0) with.push_back(PerCall(locked, 1, iterations));
      without.push_back(PerCall(bare, 1, iterations));
      if (round % 2 != 0) with.push_back(PerCall(locked, 1, iterations));
    }
    bench::PrintComparison("1 thread: what the lock costs", bench::Compare(with, without), 1.10,
                           1e6, "us");
  }
  // From more threads, each round of calls per call, beside one thread's.
  bench::PrintHeading("n threads", "1 thread");
  for (const int threads : {2, 4}) {
    std::vector<double> many, one;
    for (int round = 0; round < rounds; ++round) {
      if (round % 2 == 0) many.push_back(PerCall(locked, threads, iterations));
      one.push_back(PerCall(locked, 1, iterations));
      if (round % 2 != 0) many.push_back(PerCall(locked, threads, iterations));
    }
    const std::string what = std::to_string(threads) + " threads: time per call";
    bench::PrintComparison(what.c_str(), bench::Compare(many, one), 1.5, 1e6, "us");
  }
  std::printf(
      "(targets: the lock adds at most 10%% to a call; from more threads, which take turns, a "
      "call\n"
      "takes at most half as long again as from one)\n");
  return 0;
}
