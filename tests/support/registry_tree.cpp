#include "registry_tree.h"

#include <vector>

#include "cregistry/key_handle.h"

namespace platform {
namespace {

void DeleteBelow(RegistryService& service, KeyHandle key) {
  std::vector<std::string> children;
  char name[256];
  for (std::uint32_t i = 0; service.EnumKey(key, i, name, sizeof name) == 0; ++i) {
    children.emplace_back(name);
  }
  for (const auto& child : children) {
    OwnedKey sub(service);
    if (service.OpenKey(key, child, access::kEnumerateSubKeys, sub.Receive()) == 0) {
      DeleteBelow(service, sub.get());
    }
    sub.Reset();
    service.DeleteKey(key, child);
  }
}

}  // namespace

void DeleteTree(RegistryService& service, KeyHandle root, const std::string& path) {
  OwnedKey key(service);
  if (service.OpenKey(root, path, access::kEnumerateSubKeys, key.Receive()) == 0) {
    DeleteBelow(service, key.get());
  }
  key.Reset();
  service.DeleteKey(root, path);
}

}  // namespace platform
