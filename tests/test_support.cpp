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

namespace {

// Deletes everything below an open key, one short relative name at a time
// (Wine's ANSI entry points take paths of at most 260 characters).
void DeleteBelow(platform::RegistryService& service, platform::KeyHandle key) {
  std::vector<std::string> children;
  char name[256];
  for (std::uint32_t i = 0; service.EnumKey(key, i, name, sizeof name) == 0; ++i) {
    children.emplace_back(name);
  }
  for (const auto& child : children) {
    platform::KeyHandle sub = 0;
    if (service.OpenKey(key, child, platform::access::kEnumerateSubKeys, sub) == 0) {
      DeleteBelow(service, sub);
      service.CloseKey(sub);
    }
    service.DeleteKey(key, child);
  }
}

}  // namespace

void DeleteTree(platform::RegistryService& service, platform::KeyHandle root,
                const std::string& path) {
  platform::KeyHandle key = 0;
  if (service.OpenKey(root, path, platform::access::kEnumerateSubKeys, key) == 0) {
    DeleteBelow(service, key);
    service.CloseKey(key);
  }
  service.DeleteKey(root, path);
}

}  // namespace testing_support
