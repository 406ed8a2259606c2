// Listing the value names and the sub-key names of a key.
#include <algorithm>
#include <cstring>
#include <new>

#include "cregistry_address.h"

namespace cregistry {

using status::kMoreData;
using status::kSuccess;

namespace {

// The longest names the registry stores, in characters.
constexpr std::uint32_t kLongestValueName = 16383;
constexpr std::uint32_t kLongestKeyName = 255;

// Room for the longest name of the kind that the code page can express, and
// its NUL: the bound of a name buffer's growth.
std::uint32_t MostRoom(std::uint32_t longestName, unsigned maxCharBytes) {
  return longestName * std::max(maxCharBytes, 1u) + 1;
}

}  // namespace

// Note: the service reports the longest value name in characters but hands
// names out in the code page's bytes, which may be more (two or three a
// character in 932 or UTF-8), and a longer name may appear during the
// listing. A name that does not fit is answered with kMoreData: the buffer
// then doubles, up to the bound, and the same index is asked again.
bool cRegistry::EnumerateValues(NameList& sKeyNames, std::int32_t& iKeyCount) {
  iKeyCount = 0;
  sKeyNames.Clear();
  const Address address = Addressed(Through::kThisComputer);
  OwnedKey key(*service_);
  if (!address ||
      service_->OpenKey(address.parent, address.section, access::kQueryValue | address.view,
                        key.Receive()) != kSuccess) {
    return true;
  }
  std::uint32_t longest = 0;
  if (service_->QueryInfoKey(key.get(), &longest) != kSuccess) return true;

  const std::uint32_t most = MostRoom(kLongestValueName, service_->MaxCharBytes());
  std::uint32_t room = std::min(longest, kLongestValueName) + 1;
  std::string name;
  for (std::uint32_t index = 0;;) {
    name.assign(room, '\0');
    std::uint32_t length = room;
    const auto status = service_->EnumValue(key.get(), index, name.data(), &length);
    if (status == kMoreData && room < most) {
      room = std::min(most, room * 2);
      continue;
    }
    if (status != kSuccess) break;
    sKeyNames.Append(service_->FromCodePage(std::string_view(name.data(), std::min(length, room))));
    ++iKeyCount;
    ++index;
  }
  return true;
}

std::vector<std::string> cRegistry::SubKeyNames(KeyHandle key) {
  // Room for a key name of 255 single-byte characters; more only when the
  // code page needs it.
  const std::uint32_t most = MostRoom(kLongestKeyName, service_->MaxCharBytes());
  std::vector<std::string> names;
  std::string name(kLongestKeyName + 1, '\0');
  for (std::uint32_t index = 0;;) {
    std::fill(name.begin(), name.end(), '\0');
    const auto status =
        service_->EnumKey(key, index, name.data(), static_cast<std::uint32_t>(name.size()));
    if (status == kMoreData && name.size() < most) {
      name.resize(std::min<std::size_t>(most, name.size() * 2));
      continue;
    }
    if (status != kSuccess) return names;
    names.emplace_back(name.data(), strnlen(name.data(), name.size()));
    ++index;
  }
}

bool cRegistry::EnumerateSections(NameList& sSect, std::int32_t& iSectCount) {
  try {
    iSectCount = 0;
    sSect.Clear();
    const Address address = Addressed(Through::kThisComputer);
    OwnedKey key(*service_);
    if (!address ||
        service_->OpenKey(address.parent, address.section, access::kEnumerateSubKeys | address.view,
                          key.Receive()) != kSuccess) {
      return true;
    }
    for (const auto& name : SubKeyNames(key.get())) {
      sSect.Append(service_->FromCodePage(name));
      ++iSectCount;
    }
    return true;
  } catch (const std::bad_alloc&) {
    throw RegistryError::Raise(error_number::kEnumerateSectionsFailed, u"Out of memory");
  } catch (const std::exception& failure) {
    throw RegistryError::Raise(error_number::kEnumerateSectionsFailed, FromUtf8(failure.what()));
  }
}

}  // namespace cregistry
