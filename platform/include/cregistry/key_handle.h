// The one owner of a registry key handle: closes it when it goes out of
// scope, on every path, and never closes a predefined root.
#pragma once

#include <utility>

#include "cregistry/registry_service.h"

namespace cregistry {

class OwnedKey {
 public:
  explicit OwnedKey(RegistryService& service, KeyHandle key = 0) : service_(&service), key_(key) {}
  OwnedKey(OwnedKey&& other) noexcept
      : service_(other.service_), key_(std::exchange(other.key_, 0)) {}
  OwnedKey& operator=(OwnedKey&& other) noexcept {
    if (this != &other) {
      Reset();
      service_ = other.service_;
      key_ = std::exchange(other.key_, 0);
    }
    return *this;
  }
  OwnedKey(const OwnedKey&) = delete;
  OwnedKey& operator=(const OwnedKey&) = delete;
  ~OwnedKey() { Reset(); }

  KeyHandle get() const { return key_; }
  // The slot an open, create or connect call fills. Closes what was held.
  KeyHandle& Receive() {
    Reset();
    return key_;
  }
  void Reset() {
    if (key_ != 0 && !IsPredefinedRoot(key_)) {
      service_->CloseKey(key_);
    }
    key_ = 0;
  }

 private:
  RegistryService* service_;
  KeyHandle key_;
};

}  // namespace cregistry
