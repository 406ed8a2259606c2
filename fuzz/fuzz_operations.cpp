// Random sequences of cRegistry operations on the in-memory registry: after
// every step no handle stays open and nothing but a RegistryError escapes.
#include <cstdlib>

#include "cregistry/cregistry.h"
#include "cregistry/hooked_service.h"
#include "cregistry/memory_registry.h"
#include "fuzz_input.h"

using namespace cregistry;

namespace {

Variant AnyValue(FuzzInput& input) {
  switch (input.Take<std::uint8_t>() % 6) {
    case 0:
      return Variant();
    case 1:
      return Variant(input.Take<std::int16_t>());
    case 2:
      return Variant(input.Take<std::int32_t>());
    case 3:
      return Variant(input.Text());
    case 4:
      return Variant(ByteArray{input.Take<std::int8_t>(), {1, 2, input.Take<std::uint8_t>()}});
    default:
      return Variant(input.Take<double>());
  }
}

std::int32_t AnyRoot(FuzzInput& input) {
  static constexpr std::int32_t kRoots[] = {
      HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, 0, 7, -1};
  return kRoots[input.Take<std::uint8_t>() % 6];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  cregistry::MemoryRegistry memory;
  cregistry::HookedService hooks(memory);
  memory.AddComputer("\\\\OTHER");
  cRegistry reg(hooks);
  NameList names;
  std::int32_t count = 0;
  for (int step = 0; step < 64 && !input.Empty(); ++step) {
    try {
      switch (input.Take<std::uint8_t>() % 18) {
        case 0:
          reg.ClassKey(AnyRoot(input));
          break;
        case 1:
          reg.SectionKey(input.Text());
          break;
        case 2:
          reg.ValueKey(input.Text(8));
          break;
        case 3:
          reg.ValueType(input.Take<std::int8_t>() % 13);
          break;
        case 4:
          reg.Default(AnyValue(input));
          break;
        case 5:
          reg.Machine(input.Take<bool>() ? u"OTHER" : input.Text(6));
          break;
        case 6:
          reg.KeyExists();
          break;
        case 7:
          reg.CreateKey();
          break;
        case 8:
          reg.DeleteKey();
          break;
        case 9:
          reg.DeleteValue();
          break;
        case 10:
          reg.Value();
          break;
        case 11:
          reg.Value(AnyValue(input));
          break;
        case 12:
          reg.EnumerateValues(names, count);
          break;
        case 13:
          reg.EnumerateSections(names, count);
          break;
        case 14:
          reg.CreateEXEAssociation(input.Text(), input.Text(8), input.Text(), input.Text(4),
                                   input.Text(), input.Take<bool>(), input.Text(),
                                   input.Take<bool>(), input.Text(), input.Take<bool>(),
                                   input.Text(), input.Take<std::int8_t>());
          break;
        case 15: {
          std::vector<cregistry::Text> items(input.Take<std::uint8_t>() % 8);
          for (auto& item : items) item = input.Text(8);
          reg.CreateAdditionalEXEAssociations(input.Text(8), items);
          break;
        }
        case 16:
          reg.ValueEx(AnyRoot(input), input.Text(), input.Text(8), input.Take<std::int8_t>() % 13,
                      AnyValue(input), AnyValue(input));
          break;
        default:
          reg.ValueEx(AnyRoot(input), input.Text(), input.Text(8), input.Take<std::int8_t>() % 13,
                      AnyValue(input));
          break;
      }
    } catch (const RegistryError&) {
    }
    if (hooks.OpenHandleCount() != 0) std::abort();
    if (count != names.Count()) std::abort();
  }
  return 0;
}
