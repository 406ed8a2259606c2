// Key operations: existence, creation, deletion of keys and values.
#include <map>

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

bool cRegistry::DeleteTree() {
  const Address address = Addressed(Through::kThisComputer);
  if (!address || address.section.find_first_not_of('\\') == std::string::npos) return false;
  {
    OwnedKey key(*service_);
    if (service_->OpenKey(address.parent, address.section, access::kEnumerateSubKeys,
                          key.Receive()) == kSuccess) {
      DeleteBelow(key.get());
    }
  }
  service_->DeleteKey(address.parent, address.section);
  OwnedKey left(*service_);
  return service_->OpenKey(address.parent, address.section, access::kQueryValue, left.Receive()) ==
         status::kFileNotFound;
}

void cRegistry::DeleteBelow(KeyHandle key) {
  const auto names = SubKeyNames(key);
  std::map<Text, int> listed;  // how often each name is listed
  for (const auto& name : names) ++listed[FoldCase(service_->FromCodePage(name))];
  for (const auto& name : names) {
    if (listed[FoldCase(service_->FromCodePage(name))] > 1) continue;  // may be a substitute
    {
      OwnedKey child(*service_);
      if (service_->OpenKey(key, name, access::kEnumerateSubKeys, child.Receive()) == kSuccess) {
        DeleteBelow(child.get());
      }
    }
    service_->DeleteKey(key, name);
  }
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
