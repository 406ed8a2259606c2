// Key operations: existence, creation, deletion of keys and values.
#include "cregistry_address.h"

namespace cregistry {

using status::kSuccess;

bool cRegistry::KeyExists() {
  const Address address = Addressed(Through::kThisComputer);
  OwnedKey key(*service_);
  return address && service_->OpenKey(address.parent, address.section, access::kQueryValue,
                                      key.Receive()) == kSuccess;
}

bool cRegistry::CreateKey() {
  const Address address = Addressed(Through::kThisComputer);
  OwnedKey key(*service_);
  const Status created = address ? service_->CreateKey(address.parent, address.section,
                                                       access::kAllValueAndKeyRights, key.Receive())
                                 : kSuccess;
  if (!address || created != kSuccess) {
    throw RegistryError::Raise(error_number::kRegistryFailure,
                               u"Failed to create registry Key: '" + m_SectionKey, created);
  }
  return true;
}

bool cRegistry::DeleteKey() {
  // Always below the local root: Machine plays no part in a deletion.
  const Address address = Addressed(Through::kThisComputer);
  return address && service_->DeleteKey(address.parent, address.section) == kSuccess;
}

bool cRegistry::DeleteValue() {
  const Text where = DecimalText(m_ClassKey) + u"',Section: '" + m_SectionKey;
  const Address address = Addressed(Through::kThisComputer);
  OwnedKey key(*service_);
  const Status opened = address ? service_->OpenKey(address.parent, address.section,
                                                    access::kAllValueAndKeyRights, key.Receive())
                                : kSuccess;
  if (!address || opened != kSuccess) {
    throw RegistryError::Raise(error_number::kRegistryFailure,
                               u"Failed to open key '" + where + u"' for delete access", opened);
  }
  const auto name = ServiceName(m_ValueKey);
  const Status deleted = name ? service_->DeleteValue(key.get(), *name) : kSuccess;
  if (!name || deleted != kSuccess) {
    throw RegistryError::Raise(
        error_number::kRegistryFailure,
        u"Failed to delete registry Key: '" + where + u"',Key: '" + m_ValueKey, deleted);
  }
  return true;
}

}  // namespace cregistry
