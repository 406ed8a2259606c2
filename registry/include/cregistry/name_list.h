// The list of names that an enumeration fills: entries numbered from 1 to
// Count(), exactly one entry per name, and no storage at all when empty.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "cregistry/text.h"

namespace cregistry {

class NameList {
 public:
  std::int32_t Count() const { return static_cast<std::int32_t>(names_.size()); }
  bool Empty() const { return names_.empty(); }
  // True while the list holds any storage; false for an emptied list.
  bool HasStorage() const { return names_.capacity() != 0; }

  // Entry i, for i from 1 to Count(); throws std::out_of_range otherwise.
  const Text& operator()(std::int32_t i) const {
    if (i < 1 || i > Count()) throw std::out_of_range("NameList index");
    return names_[static_cast<std::size_t>(i - 1)];
  }

  auto begin() const { return names_.begin(); }
  auto end() const { return names_.end(); }

  // Discards every entry and releases the storage.
  void Clear() { std::vector<Text>().swap(names_); }
  // Adds one entry after the last, keeping the earlier ones.
  void Append(Text name) { names_.push_back(std::move(name)); }

 private:
  std::vector<Text> names_;
};

}  // namespace cregistry
