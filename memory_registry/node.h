// What the in-memory registry holds: the keys of a computer's registry, and
// the computers.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cregistry/memory_registry.h"
#include "key_path.h"
#include "ranked_map.h"

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

// Windows keeps a tree 512 levels deep at most, counted from \REGISTRY (1):
// \REGISTRY\MACHINE is 2, HKEY_CURRENT_USER (\REGISTRY\USER\<SID>) 3.
constexpr int kDeepestLevel = 512;

namespace memory {

struct Node {
  struct Value {
    Text name;
    std::string listed;  // the name as the ANSI listing hands it out
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;  // as Windows holds them (texts in UTF-16LE)
  };
  // Values are listed in the order they were created: each has a number of
  // that order, which it keeps while it lives (and when it is put back).
  using ValueNumber = std::uint64_t;

  Text name;
  Node* parent = nullptr;
  int level = 0;  // as Windows counts it (kDeepestLevel)
  bool deleted = false;
  // A registry link, which leads where its SymbolicLinkValue says.
  bool link = false;
  // A hive's root or a key behind a predefined root, and the keys above
  // them: Windows never deletes one.
  bool fixed = false;
  std::uint32_t denied = 0;
  // What 64-bit Windows' registry redirector does below this key.
  enum class Redirect : std::uint8_t {
    kNone,
    kSoftware,     // HKLM\SOFTWARE: the 32-bit view's keys are below Wow6432Node
    kClasses,      // a Classes key: the 32-bit view's CLSID, Interface... too
    kWowSoftware,  // HKLM\SOFTWARE\Wow6432Node, whose Classes leads to Classes\Wow6432Node
    kWowClasses,   // Classes\Wow6432Node, whose AppID, Protocols, TypeLib lead up
  };
  Redirect redirect = Redirect::kNone;

  Node() = default;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  // A deep tree is taken apart one level after another, never one
  // destructor inside another: the stack stays flat at any depth.
  ~Node() {
    std::vector<std::shared_ptr<Node>> doomed;
    const auto release = [&doomed](Node& node) {
      for (auto& entry : node.children_) doomed.push_back(std::move(entry.second));
      node.children_.clear();
    };
    release(*this);
    while (!doomed.empty()) {
      const std::shared_ptr<Node> node = std::move(doomed.back());
      doomed.pop_back();
      release(*node);  // a key still held by a handle is deleted: it lists nothing
    }
  }

  // --- Sub-keys, listed in the order of their folded names, as Windows
  // lists them.
  const std::shared_ptr<Node>* Child(const Text& folded) const {
    const auto it = children_.find(folded);
    return it == children_.end() ? nullptr : &it->second;
  }
  const std::shared_ptr<Node>* ChildAt(std::size_t index) const {
    const auto it = children_.find_by_order(index);
    return it == children_.end() ? nullptr : &it->second;
  }
  // A new sub-key of that name (which must not be there yet).
  std::shared_ptr<Node> AddChild(const Text& childName) {
    auto child = std::make_shared<Node>();
    child->name = childName;
    child->parent = this;
    child->level = level + 1;
    children_.insert({FoldCase(childName), child});
    return child;
  }
  // Puts back a sub-key that Detach took out.
  void Attach(std::shared_ptr<Node> child) {
    child->deleted = false;
    children_.insert({FoldCase(child->name), std::move(child)});
  }
  // Takes the key out of its parent's: deleted, for the handles that hold it.
  void Detach() {
    deleted = true;
    parent->children_.erase(FoldCase(name));  // may free this key: nothing of it is used after
  }
  std::size_t ChildCount() const { return children_.size(); }
  // The place of the sub-key of that folded name in the listing, if any.
  std::optional<std::size_t> ChildRank(const Text& folded) const {
    if (children_.find(folded) == children_.end()) return std::nullopt;
    return children_.order_of_key(folded);
  }
  template <typename Visit>
  void ForEachChild(Visit&& visit) const {
    for (const auto& entry : children_) visit(*entry.second);
  }
  // Visits this key and every key below it, without recursion, until a
  // visit answers false; false then, else true.
  template <typename Visit>
  bool ForEachInTree(Visit&& visit) {
    std::vector<Node*> pending{this};
    while (!pending.empty()) {
      Node* node = pending.back();
      pending.pop_back();
      if (!visit(*node)) return false;
      node->ForEachChild([&pending](Node& child) { pending.push_back(&child); });
    }
    return true;
  }

  // --- Values, listed in the order they were created.
  Value* FindValue(const Text& folded) {
    const auto it = valueAt_.find(folded);
    return it == valueAt_.end() ? nullptr : &values_.find(it->second)->second;
  }
  const Value* FindValue(const Text& folded) const {
    return const_cast<Node*>(this)->FindValue(folded);
  }
  const Value* ValueAt(std::size_t index) const {
    const auto it = values_.find_by_order(index);
    return it == values_.end() ? nullptr : &it->second;
  }
  std::size_t ValueCount() const { return values_.size(); }
  std::optional<std::size_t> ValueRank(const Text& folded) const {
    const auto at = valueAt_.find(folded);
    if (at == valueAt_.end()) return std::nullopt;
    return values_.order_of_key(at->second);
  }
  template <typename Visit>
  void ForEachValue(Visit&& visit) const {
    for (const auto& entry : values_) visit(entry.second);
  }
  // The value of that name, made at the end of the list if it is new; listed
  // is its name in the code page.
  Value& PutValue(const Text& valueName, const std::function<std::string(const Text&)>& listed) {
    if (Value* value = FindValue(FoldCase(valueName))) return *value;
    return PutBack(nextValue_++, {valueName, listed(valueName), 0, {}});
  }
  // Stores the value in place of the one of the same name, or at the end of
  // the list; what it replaced, with its number.
  std::optional<std::pair<ValueNumber, Value>> Replace(Value value) {
    auto old = TakeValue(FoldCase(value.name));
    PutBack(old ? old->first : nextValue_++, std::move(value));
    return old;
  }
  // A value taken out by TakeValue, at its old place in the list.
  Value& PutBack(ValueNumber number, Value value) {
    valueAt_[FoldCase(value.name)] = number;
    ++nameLengths_[value.name.size()];
    return values_.insert({number, std::move(value)}).first->second;
  }
  // Takes the value of that folded name out of the list, with its number.
  std::optional<std::pair<ValueNumber, Value>> TakeValue(const Text& folded) {
    const auto at = valueAt_.find(folded);
    if (at == valueAt_.end()) return std::nullopt;
    const auto it = values_.find(at->second);
    std::pair<ValueNumber, Value> taken{at->second, std::move(it->second)};
    values_.erase(it);
    valueAt_.erase(at);
    if (--nameLengths_[taken.second.name.size()] == 0) {
      nameLengths_.erase(taken.second.name.size());
    }
    return taken;
  }
  // The longest value name, in UTF-16 units.
  std::size_t LongestValueName() const {
    return nameLengths_.empty() ? 0 : nameLengths_.rbegin()->first;
  }

 private:
  RankedMap<Text, std::shared_ptr<Node>> children_;  // by folded name
  RankedMap<ValueNumber, Value> values_;             // by number
  std::map<Text, ValueNumber> valueAt_;              // by folded name
  std::map<std::size_t, std::size_t> nameLengths_;   // how many names have each length
  ValueNumber nextValue_ = 0;
};

// The user this registry's HKEY_CURRENT_USER belongs to: its key below
// HKEY_USERS, as a link's target names it.
constexpr char16_t kCurrentUserSid[] = u"S-1-5-21-0-0-0-1000";

struct Computer {
  std::map<KeyHandle, std::shared_ptr<Node>> roots;
  // The user's classes (HKEY_CURRENT_USER\Software\Classes), which
  // HKEY_CLASSES_ROOT merges over the machine's.
  std::shared_ptr<Node> userClasses;

  // A computer's registry; windows64: as 64-bit Windows holds it, with the
  // 32-bit view's keys below Wow6432Node.
  explicit Computer(bool windows64) {
    // Levels as Windows counts them: \REGISTRY\MACHINE and \REGISTRY\USER
    // are 2.
    for (const std::int32_t hive : {INT32_MIN + 2, INT32_MIN + 3, INT32_MIN + 4, INT32_MIN + 6}) {
      auto& root = roots[RootHandle(hive)];
      root = std::make_shared<Node>();
      root->level = 2;
      root->fixed = true;
    }
    // HKEY_CURRENT_USER is the user's key below HKEY_USERS, with the user's
    // classes; HKEY_CLASSES_ROOT's keys are made below
    // HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as Windows makes them;
    // HKEY_CURRENT_CONFIG is the current hardware profile. Like the hives'
    // roots (SOFTWARE, System), they and the keys above them stay.
    const auto& user = roots[RootHandle(INT32_MIN + 1)] =
        Fixed(roots[RootHandle(INT32_MIN + 3)], {kCurrentUserSid});
    userClasses = Fixed(user, {u"Software", u"Classes"});
    const auto& machine = roots[RootHandle(INT32_MIN + 2)];
    const auto& machineClasses = roots[RootHandle(INT32_MIN)] =
        Fixed(machine, {u"SOFTWARE", u"Classes"});
    roots[RootHandle(INT32_MIN + 5)] =
        Fixed(machine, {u"System", u"CurrentControlSet", u"Hardware Profiles", u"Current"});
    if (!windows64) return;
    const auto software = *machine->Child(FoldCase(u"SOFTWARE"));
    software->redirect = Node::Redirect::kSoftware;
    Fixed(software, {u"Wow6432Node"})->redirect = Node::Redirect::kWowSoftware;
    for (const auto& classes : {machineClasses, userClasses}) {
      classes->redirect = Node::Redirect::kClasses;
      Fixed(classes, {u"Wow6432Node"})->redirect = Node::Redirect::kWowClasses;
    }
  }

  // The key at the path below node, made where missing, and every key on
  // the way, fixed.
  static std::shared_ptr<Node> Fixed(std::shared_ptr<Node> node, const std::vector<Text>& path) {
    for (const auto& level : path) {
      const auto* child = node->Child(FoldCase(level));
      node = child ? *child : node->AddChild(level);
      node->fixed = true;
    }
    return node;
  }
};

}  // namespace memory
}  // namespace cregistry
