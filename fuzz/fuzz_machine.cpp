// Machine normalisation: short names mean this computer; every other name
// starts with two backslashes and ends with the name as given.
#include <cstdlib>

#include "cregistry/cregistry.h"
#include "cregistry/hooked_service.h"
#include "cregistry/memory_registry.h"
#include "fuzz_input.h"

using namespace cregistry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  cRegistry reg(hooks);
  const cregistry::Text name = input.Text(8);
  reg.Machine(name);
  const cregistry::Text stored = reg.Machine();
  if (name.size() < 3) {
    if (!stored.empty()) std::abort();
  } else {
    if (stored.compare(0, 2, u"\\\\") != 0) std::abort();
    if (stored.size() < name.size() ||
        stored.compare(stored.size() - name.size(), name.size(), name) != 0) {
      std::abort();
    }
    if (stored.size() != name.size() && stored.size() != name.size() + 2) std::abort();
    reg.Machine(stored);  // normalising twice changes nothing
    if (reg.Machine() != stored) std::abort();
  }
  if (!hooks.Calls().empty()) std::abort();
  return 0;
}
