// Listing the value names and the sub-key names of a key.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/key_handle.h"
#include "registry/cregistry.h"

using platform::OwnedKey;
using platform::status::kMoreData;
using platform::status::kSuccess;

namespace {

// A longer value name appearing during the listing makes the service report
// kMoreData; the longest length is asked again at most this many times.
constexpr int kNameRetries = 8;
// The longest value name the registry stores.
constexpr std::uint32_t kLongestValueName = 16383;
// The longest key name (255) and its NUL.
constexpr std::uint32_t kKeyNameBuffer = 256;

}  // namespace

bool cRegistry::EnumerateValues(NameList& sKeyNames, std::int32_t& iKeyCount) {
  iKeyCount = 0;
  sKeyNames.Clear();
  const auto section = ServiceName(m_SectionKey);
  if (!section) return true;
  OwnedKey key(*service_);
  if (service_->OpenKey(Root(), *section, platform::access::kQueryValue, key.Receive()) !=
      kSuccess) {
    return true;
  }
  std::uint32_t longest = 0;
  if (service_->QueryInfoKey(key.get(), &longest) != kSuccess) return true;

  std::string name;
  int retries = 0;
  for (std::uint32_t index = 0;;) {
    const std::uint32_t room = std::min(longest, kLongestValueName) + 1;
    name.assign(room, '\0');
    std::uint32_t length = room;
    const auto status = service_->EnumValue(key.get(), index, name.data(), &length);
    if (status == kMoreData && retries < kNameRetries) {
      ++retries;
      if (service_->QueryInfoKey(key.get(), &longest) != kSuccess) break;
      continue;  // the same index again, with room for the longer name
    }
    if (status != kSuccess) break;
    retries = 0;
    sKeyNames.Append(service_->FromCodePage(std::string_view(name.data(), std::min(length, room))));
    ++iKeyCount;
    ++index;
  }
  return true;
}

bool cRegistry::EnumerateSections(NameList& sSect, std::int32_t& iSectCount) {
  try {
    iSectCount = 0;
    sSect.Clear();
    const auto section = ServiceName(m_SectionKey);
    if (!section) return true;
    OwnedKey key(*service_);
    if (service_->OpenKey(Root(), *section, platform::access::kEnumerateSubKeys, key.Receive()) !=
        kSuccess) {
      return true;
    }
    char name[kKeyNameBuffer];
    for (std::uint32_t index = 0;; ++index) {
      std::memset(name, 0, sizeof name);
      if (service_->EnumKey(key.get(), index, name, kKeyNameBuffer) != kSuccess) {
        break;
      }
      sSect.Append(service_->FromCodePage(std::string_view(name, strnlen(name, kKeyNameBuffer))));
      ++iSectCount;
    }
    return true;
  } catch (const std::bad_alloc&) {
    throw RegistryError::Raise(error_number::kEnumerateSectionsFailed, u"Out of memory");
  } catch (const std::exception& failure) {
    throw RegistryError::Raise(error_number::kEnumerateSectionsFailed,
                               platform::FromUtf8(failure.what()));
  }
}
