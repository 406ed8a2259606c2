#include "registry_tree.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "cregistry/key_handle.h"

namespace testing_support {
namespace {

using cregistry::KeyHandle;
using cregistry::OwnedKey;
using cregistry::RegistryService;
namespace status = cregistry::status;

// The sub-key names of a key, each whole: a name that does not fit makes the
// buffer grow, far beyond the longest name that Windows allows (Wine allows
// longer ones).
std::vector<std::string> SubKeys(RegistryService& service, KeyHandle key) {
  constexpr std::size_t most = 1 << 16;
  std::vector<std::string> names;
  std::string name(256, '\0');
  for (std::uint32_t index = 0;;) {
    const auto st =
        service.EnumKey(key, index, name.data(), static_cast<std::uint32_t>(name.size()));
    if (st == status::kMoreData && name.size() < most) {
      name.resize(std::min(most, name.size() * 2));
      continue;
    }
    if (st != status::kSuccess) return names;
    names.emplace_back(name.c_str());
    ++index;
  }
}

void DeleteBelow(RegistryService& service, KeyHandle key) {
  for (const auto& child : SubKeys(service, key)) {
    {
      OwnedKey sub(service);
      if (service.OpenKey(key, child, cregistry::access::kEnumerateSubKeys, sub.Receive()) ==
          status::kSuccess) {
        DeleteBelow(service, sub.get());
      }
    }
    service.DeleteKey(key, child);
  }
}

}  // namespace

bool DeleteTree(RegistryService& service, KeyHandle root, const std::string& path) {
  {
    OwnedKey key(service);
    if (service.OpenKey(root, path, cregistry::access::kEnumerateSubKeys, key.Receive()) ==
        status::kSuccess) {
      DeleteBelow(service, key.get());
    }
  }
  service.DeleteKey(root, path);
  OwnedKey left(service);
  return service.OpenKey(root, path, cregistry::access::kQueryValue, left.Receive()) ==
         status::kFileNotFound;
}

}  // namespace testing_support
