// Removing a whole key tree through the registry service, for setting up and
// cleaning after tests and benchmarks (the registry class never does this).
#pragma once

#include <string>

#include "cregistry/registry_service.h"

namespace testing_support {

// Deletes the key and everything below it, from the deepest keys up, one
// short relative name at a time (Wine's ANSI entry points take paths of at
// most 260 characters), at any depth. A registry link is removed itself,
// never followed. True when the key is gone afterwards, a key that was
// missing included; false when anything stayed behind. In the view given
// (access::kView32, kView64), or the process's own.
bool DeleteTree(cregistry::RegistryService& service, cregistry::KeyHandle root,
                const std::string& path, std::uint32_t view = 0);

}  // namespace testing_support
