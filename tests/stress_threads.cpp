// A stress run bounded in time: four threads, each with its own cRegistry,
// on one in-memory registry, bare, behind the hooks, and as a 32-bit and a
// 64-bit program on one computer of 64-bit Windows, make random
// calls of every kind (the class's members, the service's calls, the direct
// access, .reg snapshots, the hooks' own members) on a few names that
// collide, for the seconds given (2 unless told). Nothing may crash or throw
// anything but a RegistryError or a RegFileError, no handle may stay open,
// and what is left writes out, reads back and writes out the same. Built
// with ThreadSanitizer, tools/test runs it longer.
// Usage: stress_threads [seconds]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

#include "cregistry/cregistry.h"
#include "cregistry/hooked_service.h"
#include "cregistry/memory_registry.h"
#include "cregistry/reg_file_error.h"
#include "threads.h"

using namespace cregistry;

namespace {

using Clock = std::chrono::steady_clock;
const KeyHandle kUser = RootHandle(HKEY_CURRENT_USER);
constexpr char kBase[] = "Software\\Stress";

// One thread's calls until the deadline; how many it made.
long Work(int thread, RegistryService& service, MemoryRegistry& memory, HookedService* hooks,
          Clock::time_point deadline) {
  std::mt19937 random(static_cast<unsigned>(thread) * 7919u + 1u);
  const auto pick = [&random](int n) {
    return static_cast<int>(random() % static_cast<unsigned>(n));
  };
  const auto path = [&]() {
    std::string below = kBase;
    for (int level = pick(4); level >= 0; --level) below += "\\K" + std::to_string(pick(3));
    return below;
  };
  cRegistry reg(service);
  NameList names;
  std::int32_t count = 0;
  long calls = 0;
  for (; Clock::now() < deadline; ++calls) {
    const std::string where = path();
    const Text section = FromUtf8(where);
    const Text value = u"v" + FromUtf8(std::to_string(pick(4)));
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(section);
    reg.ValueKey(value);
    try {
      switch (pick(16)) {
        case 0:
          reg.ValueEx(HKEY_CURRENT_USER, section, value, REG_DWORD, Variant(), Variant(pick(100)));
          break;
        case 1:
          reg.ValueEx(HKEY_CURRENT_USER, section, value, REG_SZ, Variant(),
                      Variant(Text(static_cast<std::size_t>(pick(3000)), u'x')));
          break;
        case 2:
          reg.Value();
          break;
        case 3:
          reg.CreateKey();
          break;
        case 4:
          reg.DeleteKey();
          break;
        case 5:
          reg.DeleteTree();
          break;
        case 6:
          reg.EnumerateSections(names, count);
          break;
        case 7:
          reg.EnumerateValues(names, count);
          break;
        case 8:
          reg.DeleteValue();
          break;
        case 9:
          reg.KeyExists();
          break;
        case 10:
          memory.Store(kUser, where, "s", REG_BINARY, std::vector<std::uint8_t>(pick(64), 7));
          break;
        case 11:
          memory.Remove(kUser, where);
          break;
        case 12:
          memory.Dump();
          break;
        case 13:
          memory.ImportReg(memory.ExportReg(kUser, kBase));
          break;
        case 14:
          if (hooks) {
            hooks->InjectFault(pick(2) ? Operation::kQueryValue : Operation::kCloseKey,
                               status::kAccessDenied, pick(3));
            if (pick(4) == 0) hooks->ClearFaults();
            hooks->Calls();
            if (pick(8) == 0) hooks->ClearCalls();
          }
          break;
        default: {
          KeyHandle key = 0;
          if (service.OpenKey(kUser, where, access::kAllValueAndKeyRights, key) == 0) {
            char name[256];
            service.EnumKey(key, static_cast<std::uint32_t>(pick(4)), name, sizeof name);
            service.CloseKey(key);
          }
          break;
        }
      }
    } catch (const RegistryError&) {
    } catch (const RegFileError&) {  // the key was not there to export
    }
  }
  return calls;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  // Bare, behind the hooks, and a 32-bit and a 64-bit program sharing one
  // computer of 64-bit Windows.
  for (const char* what : {"bare", "behind the hooks", "two programs of 64-bit Windows"}) {
    const bool hooked = what[1] == 'e', two = what[1] == 'w';
    using Kind = MemoryRegistry::Program;
    MemoryRegistry memory(1252, two ? Kind::k32BitOn64BitWindows : Kind::kOn32BitWindows);
    MemoryRegistry other(memory, two ? Kind::k64BitOn64BitWindows : Kind::kOn32BitWindows);
    std::optional<HookedService> hooks;
    if (hooked) hooks.emplace(memory);
    RegistryService& service = hooks ? static_cast<RegistryService&>(*hooks) : memory;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(seconds / 3));
    std::atomic<long> calls{0};
    testing_support::RunThreads(4, [&](int thread) {
      MemoryRegistry& program = two && thread % 2 ? other : memory;
      calls += Work(thread, two ? program : service, program, hooks ? &*hooks : nullptr, deadline);
    });
    if (hooks) {
      hooks->ClearFaults();
      if (hooks->OpenHandleCount() != 0) {
        std::printf("stress_threads: %d handles stayed open\n", hooks->OpenHandleCount());
        return 1;
      }
    }
    std::string snapshot;
    try {
      snapshot = memory.ExportReg(kUser, "");
    } catch (const RegFileError& error) {
      std::printf("stress_threads: no snapshot: %s\n", error.what());
      return 1;
    }
    MemoryRegistry copy(1252, memory.Kind());
    copy.ImportReg(snapshot);
    if (copy.ExportReg(kUser, "") != snapshot) {
      std::printf("stress_threads: the snapshot reads back otherwise\n");
      return 1;
    }
    std::printf("stress_threads: %ld calls from 4 threads in %.1f s, %s\n", calls.load(),
                seconds / 3, what);
  }
  return 0;
}
