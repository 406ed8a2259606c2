// Key operations: existence, creation, deletion of keys and values.
#include <map>

#include "cregistry_address.h"

namespace cregistry {

using status::kSuccess;

bool cRegistry::KeyExists() {
  const Address address = Addressed(Through::kThisComputer);
  OwnedKey key(*service_);
  return address &&
         service_->OpenKey(address.parent, address.section, access::kQueryValue | address.view,
                           key.Receive()) == kSuccess;
}

bool cRegistry::CreateKey() {
  const Address address = Addressed(Through::kThisComputer);
  OwnedKey key(*service_);
  const Status created =
      address ? service_->CreateKey(address.parent, address.section,
                                    access::kAllValueAndKeyRights | address.view, key.Receive())
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
  if (!address) return false;
  // In the process's own view, RegDeleteKeyA as always; in another,
  // RegDeleteKeyExA.
  const Status deleted = address.view
                             ? service_->DeleteKeyEx(address.parent, address.section, address.view)
                             : service_->DeleteKey(address.parent, address.section);
  return deleted == kSuccess;
}

namespace {

// Windows keeps a tree 512 levels deep at most: DeleteTree goes no deeper.
constexpr int kDeepestLevel = 512;

}  // namespace

bool cRegistry::DeleteTree() {
  const Address address = Addressed(Through::kThisComputer);
  if (!address || address.section.find_first_not_of('\\') == std::string::npos) return false;
  OwnedKey key(*service_);
  bool listable = false;
  const Status opened =
      OpenForRemoval(address.parent, address.section, address.view, key, listable);
  if (opened == status::kFileNotFound) return true;  // nothing there to remove
  return opened == kSuccess && Remove(key.get(), address.view, listable, 1);
}

Status cRegistry::OpenForRemoval(KeyHandle parent, const std::string& name, std::uint32_t view,
                                 OwnedKey& key, bool& listable) {
  // The key itself, a link too: never its target.
  listable = true;
  const Status opened = service_->OpenKeyNoFollow(
      parent, name, access::kDelete | access::kEnumerateSubKeys | view, key.Receive());
  if (opened != status::kAccessDenied) return opened;
  // A key that may not be listed can still be deleted, when it is empty.
  listable = false;
  return service_->OpenKeyNoFollow(parent, name, access::kDelete | view, key.Receive());
}

bool cRegistry::Remove(KeyHandle key, std::uint32_t view, bool listable, int level) {
  if (listable && level < kDeepestLevel) {
    const auto names = SubKeyNames(key);
    std::map<Text, int> listed;  // how often each name is listed
    for (const auto& name : names) ++listed[FoldCase(service_->FromCodePage(name))];
    for (const auto& name : names) {
      // A listed name is followed only where it names exactly one key: never
      // an empty one (a name that begins with U+0000 is listed so, and ""
      // names the key itself), one that converts to another, one holding a
      // backslash (no key's name does: a substitute, and a path), or one
      // listed twice (a substitute may hide among them).
      const Text text = service_->FromCodePage(name);
      if (name.empty() || text.find(u'\\') != Text::npos || listed[FoldCase(text)] > 1 ||
          service_->ToCodePage(text) != name) {
        continue;
      }
      OwnedKey child(*service_);
      bool childListable = false;
      if (OpenForRemoval(key, name, view, child, childListable) == kSuccess) {
        Remove(child.get(), view, childListable, level + 1);
      }
    }
  }
  // A key that still has sub-keys is refused, and stays.
  return service_->DeleteOpenKey(key) == kSuccess;
}

bool cRegistry::DeleteValue() {
  const Text where = DecimalText(m_ClassKey) + u"',Section: '" + m_SectionKey;
  const Address address = Addressed(Through::kThisComputer);
  OwnedKey key(*service_);
  const Status opened =
      address ? service_->OpenKey(address.parent, address.section,
                                  access::kAllValueAndKeyRights | address.view, key.Receive())
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
