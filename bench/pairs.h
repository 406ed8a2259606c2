// The measured work, in pairs: cRegistry doing something, and hand-written
// raw service calls doing the same work (the floor the class can only add to).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cregistry/registry_service.h"

namespace bench {

struct Pair {
  std::string name;
  std::function<void()> ours;
  std::function<void()> raw;
  double target;  // the highest acceptable ratio of ours to raw
};

// Lays out the keys the pairs work on below HKCU\<base> and builds the pairs.
// entries: the number of values and of sub-keys to list.
std::vector<Pair> MakePairs(cregistry::RegistryService& service, const std::string& base,
                            int entries, double target);

// EnumerateValues, through cRegistry, of the key of names that MakePairs lays out.
std::function<void()> MakeListing(cregistry::RegistryService& service, const std::string& base);

// Removes what MakePairs and MakeListing laid out.
void Clean(cregistry::RegistryService& service, const std::string& base);

}  // namespace bench
