// What the in-memory registry holds: the keys of a computer's registry, and
// the computers.
#pragma once

#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <vector>

#include "cregistry/memory_registry.h"
#include "names.h"

namespace platform {

struct MemoryRegistry::Node {
  struct Value {
    Text name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  Text name;
  Node* parent = nullptr;
  bool deleted = false;
  std::uint32_t denied = 0;
  // Keyed by the folded name; each entry keeps the name as it was created.
  std::map<Text, std::shared_ptr<Node>> children;
  std::map<Text, Value> values;

  // Bumped whenever an entry is added or removed, so that a listing's
  // cursor knows when its place is no longer valid.
  std::uint64_t generation = 0;

  // Listings come in the order of the folded names, as Wine lists them. A
  // cursor remembers the last place, so listing by index 0, 1, 2... takes
  // linear time, not quadratic.
  template <typename Map>
  struct Cursor {
    std::uint64_t generation = ~std::uint64_t{0};
    std::uint32_t index = 0;
    typename Map::const_iterator it;
  };
  Cursor<decltype(children)> childCursor;
  Cursor<decltype(values)> valueCursor;

  template <typename Map>
  auto At(const Map& map, Cursor<Map>& cursor, std::uint32_t index) {
    if (cursor.generation != generation || index < cursor.index) {
      cursor = {generation, 0, map.begin()};
    }
    std::advance(cursor.it, index - cursor.index);
    cursor.index = index;
    return cursor.it;
  }
};

struct MemoryRegistry::Computer {
  std::map<KeyHandle, std::shared_ptr<Node>> roots;

  Computer() {
    for (std::int32_t hive = INT32_MIN + 1; hive <= INT32_MIN + 6; ++hive) {
      roots[RootHandle(hive)] = std::make_shared<Node>();
    }
    // HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as on Wine.
    auto& machine = roots[RootHandle(INT32_MIN + 2)];
    auto software = std::make_shared<Node>();
    software->name = u"SOFTWARE";
    software->parent = machine.get();
    auto classes = std::make_shared<Node>();
    classes->name = u"Classes";
    classes->parent = software.get();
    software->children[Fold(classes->name)] = classes;
    machine->children[Fold(software->name)] = software;
    roots[RootHandle(INT32_MIN)] = classes;
  }
};

}  // namespace platform
