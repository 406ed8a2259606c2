#include "tests/test_support.h"

#include <vector>


void PrintTo(const Variant& value, std::ostream* out) {
  static const char* const kKinds[] = {"Empty", "Integer", "Long",   "Text",
                                       "Bytes", "Double",  "Boolean"};
  *out << kKinds[static_cast<int>(value.kind())] << "(" << platform::ToUtf8(value.ToText()) << ")";
  if (const auto* bytes = value.AsBytes()) {
    *out << " from " << bytes->LowerBound;
  }
}

namespace testing_support {

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace testing_support
