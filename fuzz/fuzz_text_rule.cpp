// The rule that stores a text as type 1 or 2, checked against a plain
// restatement of it: type 2 exactly when some "%" lies two or more
// characters after the first "%".
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
  reg.ClassKey(HKEY_CURRENT_USER);
  reg.SectionKey(u"S");
  reg.ValueType(input.Take<bool>() ? REG_SZ : REG_EXPAND_SZ);
  const cregistry::Text text = input.Text(40);
  bool expandable = false;
  std::size_t first = text.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'%') continue;
    if (first == text.size()) {
      first = i;
    } else if (i >= first + 2) {
      expandable = true;
    }
  }
  try {
    reg.Value(Variant(text));
  } catch (const RegistryError& error) {
    // Only a text the code page cannot hold is refused.
    if (memory.ToCodePage(text)) std::abort();
    if (hooks.OpenHandleCount() != 0) std::abort();
    return 0;
  }
  const auto stored = memory.Stored(cregistry::RootHandle(HKEY_CURRENT_USER), "S", "");
  if (!stored || stored->type != (expandable ? 2u : 1u)) std::abort();
  if (stored->data.size() != text.size() + 1 || stored->data.back() != 0) std::abort();
  if (hooks.OpenHandleCount() != 0) std::abort();
  return 0;
}
