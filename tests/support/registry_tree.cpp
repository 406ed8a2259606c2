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

constexpr std::uint32_t kRemoval =
    cregistry::access::kDelete | cregistry::access::kEnumerateSubKeys;

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

// Removes an open key with everything below it; links are removed, never
// followed, and a name listed empty (one that begins with U+0000) is passed
// over: "" would name the key itself.
bool Remove(RegistryService& service, KeyHandle key, std::uint32_t view) {
  for (const auto& child : SubKeys(service, key)) {
    if (child.empty()) continue;
    OwnedKey sub(service);
    if (service.OpenKeyNoFollow(key, child, kRemoval | view, sub.Receive()) == status::kSuccess) {
      Remove(service, sub.get(), view);
    }
  }
  return service.DeleteOpenKey(key) == status::kSuccess;
}

}  // namespace

bool DeleteTree(RegistryService& service, KeyHandle root, const std::string& path,
                std::uint32_t view) {
  OwnedKey key(service);
  const auto opened = service.OpenKeyNoFollow(root, path, kRemoval | view, key.Receive());
  if (opened == status::kFileNotFound) return true;
  return opened == status::kSuccess && Remove(service, key.get(), view);
}

}  // namespace testing_support
