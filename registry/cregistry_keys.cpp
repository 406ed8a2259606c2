// Key operations: existence, creation, deletion of keys and values.
#include "cregistry/key_handle.h"
#include "cregistry/cregistry.h"

using platform::OwnedKey;
using platform::status::kSuccess;

bool cRegistry::KeyExists() {
  const auto root = Root();
  const auto section = ServiceName(m_SectionKey);
  if (!root || !section) return false;
  OwnedKey key(*service_);
  return service_->OpenKey(*root, *section, platform::access::kQueryValue, key.Receive()) ==
         kSuccess;
}

bool cRegistry::CreateKey() {
  const auto root = Root();
  const auto section = ServiceName(m_SectionKey);
  OwnedKey key(*service_);
  if (!root || !section ||
      service_->CreateKey(*root, *section, platform::access::kAllValueAndKeyRights,
                          key.Receive()) != kSuccess) {
    throw RegistryError::Raise(error_number::kRegistryFailure,
                               u"Failed to create registry Key: '" + m_SectionKey);
  }
  return true;
}

bool cRegistry::DeleteKey() {
  // Always below the local root: Machine plays no part in a deletion.
  const auto root = Root();
  const auto section = ServiceName(m_SectionKey);
  return root && section && service_->DeleteKey(*root, *section) == kSuccess;
}

bool cRegistry::DeleteValue() {
  const Text where = platform::DecimalText(m_ClassKey) + u"',Section: '" + m_SectionKey;
  const auto root = Root();
  const auto section = ServiceName(m_SectionKey);
  OwnedKey key(*service_);
  if (!root || !section ||
      service_->OpenKey(*root, *section, platform::access::kAllValueAndKeyRights, key.Receive()) !=
          kSuccess) {
    throw RegistryError::Raise(error_number::kRegistryFailure,
                               u"Failed to open key '" + where + u"' for delete access");
  }
  const auto name = ServiceName(m_ValueKey);
  if (!name || service_->DeleteValue(key.get(), *name) != kSuccess) {
    throw RegistryError::Raise(
        error_number::kRegistryFailure,
        u"Failed to delete registry Key: '" + where + u"',Key: '" + m_ValueKey);
  }
  return true;
}
