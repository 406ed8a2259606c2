// What the in-memory registry holds: the keys of a computer's registry, and
// the computers.
#pragma once

#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cregistry/memory_registry.h"
#include "key_path.h"

namespace cregistry {

// The predefined root that a handle value names: Windows looks at its low 32
// bits only, so 0x80000001 zero-extended is HKEY_CURRENT_USER too.
inline std::optional<KeyHandle> RootOf(KeyHandle key) {
  const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(key & 0xFFFFFFFFu));
  const KeyHandle root = RootHandle(low);
  return IsPredefinedRoot(root) ? std::optional<KeyHandle>(root) : std::nullopt;
}

// Texts (types 1, 2 and 7) are held as Windows holds them, in UTF-16LE; the
// ANSI calls convert them on their way in and out.
inline bool IsTextType(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }
inline std::vector<std::uint8_t> Utf16Data(TextView text) {
  std::vector<std::uint8_t> data;
  data.reserve(text.size() * 2);
  for (const char16_t c : text) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return data;
}
// The UTF-16 of data; an odd last byte is no character.
inline Text TextOfData(const std::vector<std::uint8_t>& data) {
  Text text(data.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  return text;
}

// A registry link leads where its value SymbolicLinkValue, of type REG_LINK,
// says: the target's native path in UTF-16, without a NUL.
constexpr std::uint32_t kLinkType = 6;
constexpr char16_t kLinkValueName[] = u"SymbolicLinkValue";

struct MemoryRegistry::Node {
  struct Value {
    Text name;
    std::string listed;  // the name as the ANSI listing hands it out
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;  // as Windows holds them (texts in UTF-16LE)
  };
  Text name;
  Node* parent = nullptr;
  bool deleted = false;
  // A registry link, which leads where its SymbolicLinkValue says.
  bool link = false;
  std::uint32_t denied = 0;
  // Keyed by the folded name; each entry keeps the name as it was created.
  std::map<Text, std::shared_ptr<Node>> children;
  // In the order they were created, as Windows lists them, and where each
  // one is, by folded name.
  std::vector<Value> values;
  std::map<Text, std::size_t> valueAt;

  Value* FindValue(const Text& folded) {
    const auto it = valueAt.find(folded);
    return it == valueAt.end() ? nullptr : &values[it->second];
  }
  const Value* FindValue(const Text& folded) const {
    return const_cast<Node*>(this)->FindValue(folded);
  }
  // The value of that name, made at the end of the list if it is new; listed
  // is its name in the code page.
  Value& PutValue(const Text& name, const std::function<std::string(const Text&)>& listed) {
    const auto [it, added] = valueAt.emplace(FoldCase(name), values.size());
    if (added) values.push_back({name, listed(name), 0, {}});
    return values[it->second];
  }
  bool EraseValue(const Text& folded) {
    const auto it = valueAt.find(folded);
    if (it == valueAt.end()) return false;
    const std::size_t at = it->second;
    valueAt.erase(it);
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(at));
    for (auto& [name, position] : valueAt) {
      if (position > at) --position;
    }
    return true;
  }

  // Takes the key out of its parent's: deleted, for the handles that hold it.
  void Detach() {
    deleted = true;
    Node* from = parent;
    ++from->generation;
    from->children.erase(FoldCase(name));  // may free this key: nothing of it is used after
  }

  // Bumped whenever a sub-key is added or removed, so that a listing's
  // cursor knows when its place is no longer valid.
  std::uint64_t generation = 0;

  // Sub-keys are listed in the order of their folded names, as Windows
  // lists them. A cursor remembers the last place, so listing by index 0,
  // 1, 2... takes linear time, not quadratic.
  struct Cursor {
    std::uint64_t generation = ~std::uint64_t{0};
    std::uint32_t index = 0;
    decltype(children)::const_iterator it;
  };
  Cursor childCursor;

  const Node& Child(std::uint32_t index) {
    if (childCursor.generation != generation || index < childCursor.index) {
      childCursor = {generation, 0, children.begin()};
    }
    std::advance(childCursor.it, index - childCursor.index);
    childCursor.index = index;
    return *childCursor.it->second;
  }
};

struct MemoryRegistry::Computer {
  std::map<KeyHandle, std::shared_ptr<Node>> roots;

  Computer() {
    for (std::int32_t hive = INT32_MIN + 1; hive <= INT32_MIN + 6; ++hive) {
      roots[RootHandle(hive)] = std::make_shared<Node>();
    }
    // HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as on Wine;
    // HKEY_CURRENT_CONFIG is the current hardware profile.
    const auto& machine = roots[RootHandle(INT32_MIN + 2)];
    roots[RootHandle(INT32_MIN)] = Below(machine, {u"SOFTWARE", u"Classes"});
    roots[RootHandle(INT32_MIN + 5)] =
        Below(machine, {u"System", u"CurrentControlSet", u"Hardware Profiles", u"Current"});
  }

  // The key at the path below node, made where missing.
  static std::shared_ptr<Node> Below(std::shared_ptr<Node> node, const std::vector<Text>& path) {
    for (const auto& level : path) {
      auto& child = node->children[FoldCase(level)];
      if (!child) {
        child = std::make_shared<Node>();
        child->name = level;
        child->parent = node.get();
        ++node->generation;
      }
      node = child;
    }
    return node;
  }
};

}  // namespace cregistry
