// The same pairs under Google Benchmark, on the in-memory registry:
// BM_<work>/cRegistry beside BM_<work>/raw.
#include <benchmark/benchmark.h>

#include "cregistry/memory_registry.h"
#include "pairs.h"

int main(int argc, char** argv) {
  cregistry::MemoryRegistry service;
  const auto pairs = bench::MakePairs(service, "Software\\ResetParametriVelto-bench", 1000, 1.5);
  for (const auto& pair : pairs) {
    for (const bool ours : {true, false}) {
      const auto work = ours ? pair.ours : pair.raw;
      benchmark::RegisterBenchmark((pair.name + (ours ? "/cRegistry" : "/raw")).c_str(),
                                   [work](benchmark::State& state) {
                                     for (auto _ : state) work();
                                   });
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
