// The costs that grow with the work: deleting a key's values one by one,
// and listing its sub-keys by index from the first and from the last (the
// usual way to delete while listing). Natively on the in-memory registry, on
// Windows (and Wine) on advapi32, below HKCU\Software\ResetParametriVelto-bench.
// Prints one line per figure, "<work> <entries> <seconds>", the setting up
// left out; bench/scaling.sh sets the two side by side. Usage:
// bench_scaling [largest number of values, 100000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cregistry/key_handle.h"
#include "registry_tree.h"
#ifdef _WIN32
#include "cregistry/win32_registry.h"
#else
#include "cregistry/memory_registry.h"
#endif

namespace {

using cregistry::KeyHandle;
using cregistry::OwnedKey;
using Clock = std::chrono::steady_clock;
namespace access = cregistry::access;

const KeyHandle kHkcu = cregistry::RootHandle(INT32_MIN + 1);
constexpr char kBase[] = "Software\\ResetParametriVelto-bench\\Scaling";

std::string Name(int i) { return "Entry" + std::to_string(100000 + i); }

template <typename Work>
double Seconds(Work&& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void DeleteValues(cregistry::RegistryService& service, int entries) {
  OwnedKey key(service);
  service.CreateKey(kHkcu, kBase, access::kAllValueAndKeyRights, key.Receive());
  const std::uint8_t data[4] = {1, 0, 0, 0};
  for (int i = 0; i < entries; ++i) service.SetValue(key.get(), Name(i), 4, data, 4);
  const double seconds = Seconds([&] {
    for (int i = 0; i < entries; ++i) service.DeleteValue(key.get(), Name(i));
  });
  std::printf("delete-values %d %.6f\n", entries, seconds);
}

void ListKeys(cregistry::RegistryService& service, int entries) {
  OwnedKey key(service);
  service.CreateKey(kHkcu, kBase, access::kAllValueAndKeyRights, key.Receive());
  for (int i = 0; i < entries; ++i) {
    OwnedKey child(service);
    service.CreateKey(key.get(), Name(i), access::kAllValueAndKeyRights, child.Receive());
  }
  char name[256];
  int listed = 0;
  const double forwards = Seconds([&] {
    for (int i = 0; i < entries; ++i) listed += service.EnumKey(key.get(), i, name, 256) == 0;
  });
  const double backwards = Seconds([&] {
    for (int i = entries - 1; i >= 0; --i) listed += service.EnumKey(key.get(), i, name, 256) == 0;
  });
  if (listed != 2 * entries) std::fprintf(stderr, "listed %d of %d\n", listed, 2 * entries);
  std::printf("list-forwards %d %.6f\nlist-backwards %d %.6f\n", entries, forwards, entries,
              backwards);
}

}  // namespace

int main(int argc, char** argv) {
  const int largest = argc > 1 ? std::atoi(argv[1]) : 100000;
#ifdef _WIN32
  cregistry::Win32Registry service;
#else
  cregistry::MemoryRegistry service;
#endif
  for (int entries = 1000; entries <= largest; entries *= 10) {
    testing_support::DeleteTree(service, kHkcu, kBase);
    DeleteValues(service, entries);
    testing_support::DeleteTree(service, kHkcu, kBase);
    // Half as many sub-keys as values at the largest size.
    ListKeys(service, entries == largest ? entries / 2 : entries);
  }
  testing_support::DeleteTree(service, kHkcu, kBase);
  service.DeleteKey(kHkcu, "Software\\ResetParametriVelto-bench");  // when no other figure's
  return 0;
}
