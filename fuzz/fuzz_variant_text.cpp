// Every variant converts to text; numbers read back as themselves.
#include <cstdlib>
#include <string>

#include "cregistry/variant.h"
#include "fuzz_input.h"

using namespace cregistry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  Variant value;
  switch (input.Take<std::uint8_t>() % 7) {
    case 0:
      break;
    case 1:
      value = Variant(input.Take<std::int16_t>());
      break;
    case 2:
      value = Variant(input.Take<std::int32_t>());
      break;
    case 3:
      value = Variant(input.Text(64));
      break;
    case 4: {
      ByteArray bytes{input.Take<std::int32_t>(), {}};
      while (!input.Empty()) bytes.Bytes.push_back(input.Take<std::uint8_t>());
      value = Variant(bytes);
      if (value.ToText().size() != (bytes.Bytes.empty() ? 0 : bytes.Bytes.size() * 3 - 1)) {
        std::abort();
      }
      break;
    }
    case 5:
      value = Variant(input.Take<double>());
      break;
    default:
      value = Variant(input.Take<bool>());
      break;
  }
  const cregistry::Text text = value.ToText();
  const std::string narrow = cregistry::ToUtf8(text);
  if (const auto* number = value.AsLong()) {
    if (std::stol(narrow) != *number) std::abort();
  }
  if (const auto* number = value.AsDouble();
      number && *number == *number && narrow.find("Infinity") == std::string::npos) {
    if (std::strtod(narrow.c_str(), nullptr) != *number) std::abort();
  }
  const Variant copy = value;
  if (!(copy == value) && !value.AsDouble()) std::abort();  // NaN is not equal to itself
  return 0;
}
