// What an operation of cRegistry addresses, found in one place.
#pragma once

#include <string>

#include "cregistry/cregistry.h"
#include "cregistry/key_handle.h"

namespace cregistry {

struct cRegistry::Address {
  // Why nothing is addressed, when nothing is.
  enum class Failure {
    kNone,
    kName,      // SectionKey cannot be sent exactly
    kRoot,      // ClassKey names no predefined root
    kComputer,  // the computer in Machine cannot be reached
  };

  explicit Address(RegistryService& service) : connection(service) {}
  explicit operator bool() const { return failure == Failure::kNone; }

  Failure failure = Failure::kNone;
  Status status = 0;  // the refused connection's status
  // The root, or the connected computer's root, and SectionKey below it in
  // the service's code page.
  KeyHandle parent = 0;
  std::string section;
  // The view's bits, which every access mask of the operation carries.
  std::uint32_t view = 0;
  // The connection to Machine, if any: declared before the key that a member
  // opens below it, so it is closed after that key, on every path.
  OwnedKey connection;
};

}  // namespace cregistry
