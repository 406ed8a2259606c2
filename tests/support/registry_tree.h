// Removing a whole key tree through the registry service, for setting up and
// cleaning after tests and benchmarks (the registry class never does this).
#pragma once

#include <string>

#include "cregistry/registry_service.h"

namespace platform {

// Deletes the key and everything below it; a missing key is no error. Goes
// one short relative name at a time, since Wine's ANSI entry points take
// paths of at most 260 characters.
void DeleteTree(RegistryService& service, KeyHandle root, const std::string& path);

}  // namespace platform
