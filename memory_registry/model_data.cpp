// The in-memory registry set up and read directly, bypassing handles and
// access rights.
#include "model.h"

#include <algorithm>
#include <iterator>

#include "key_path.h"
#include "node.h"

namespace cregistry {
namespace memory {
namespace {

const KeyHandle kCurrentUser = RootHandle(INT32_MIN + 1);

// The roots as Dump names them; HKEY_CLASSES_ROOT and HKEY_CURRENT_CONFIG are
// keys of HKEY_LOCAL_MACHINE, and have none.
const char* RootName(std::int32_t hive) {
  static constexpr const char* kNames[] = {nullptr, "HKCU", "HKLM", "HKU", "HKPD", nullptr, "HKDD"};
  return kNames[hive - INT32_MIN];
}

}  // namespace

bool Model::DenyAccess(KeyHandle root, const std::string& path, std::uint32_t deniedAccess) {
  std::shared_ptr<Node> node;
  if (!Make(root, path, node)) return false;
  node->denied |= deniedAccess;
  return true;
}

void Model::AddComputer(const std::string& name) {
  auto& computer = computers_[ComputerKey(name)];
  if (!computer) computer = std::make_unique<Computer>(windows64_);
}

void Model::SetVariable(const std::string& name, const std::string& value) {
  environment_[FoldCase(Wide(name))] = value;
}

std::shared_ptr<Node> Model::Find(KeyHandle root, const std::string& path) const {
  auto node = NodeOf(root);
  for (const auto& level : SplitPath(Wide(path))) {
    if (!node) break;
    const auto* child = node->Child(FoldCase(level));
    node = child ? *child : nullptr;
  }
  return node;
}

bool Model::Make(KeyHandle root, const std::string& path, std::shared_ptr<Node>& node, int below) {
  // Nothing is made unless every level can be: the deepest level that new
  // keys would reach is known before any is made, and a registry link,
  // which has no sub-keys, is met only as the key itself.
  auto reached = NodeOf(root);
  if (!reached || reached->deleted) return false;
  const auto levels = SplitPath(Wide(path));
  for (const auto& level : levels) {
    if (level.size() > kLongestKeyName) return false;
  }
  std::size_t known = 0;
  for (; known < levels.size(); ++known) {
    if (reached->link) return false;
    const auto* child = reached->Child(FoldCase(levels[known]));
    if (!child) break;
    reached = *child;
  }
  const auto made = static_cast<int>(levels.size() - known) + below;
  if ((reached->link && below > 0) || reached->level + made > kDeepestLevel) return false;
  for (; known < levels.size(); ++known) reached = reached->AddChild(levels[known]);
  node = std::move(reached);
  return true;
}

bool Model::AddWideKey(KeyHandle root, const std::string& path, const Text& name) {
  // No key's name is empty, holds a backslash or is longer than 255.
  if (name.empty() || name.find(u'\\') != Text::npos || name.size() > kLongestKeyName) return false;
  std::shared_ptr<Node> node;
  return Make(root, path, node, 1) && (node->Child(FoldCase(name)) || node->AddChild(name));
}

bool Model::AddLink(KeyHandle root, const std::string& path, KeyHandle targetRoot,
                    const std::string& targetPath) {
  if (Find(root, path) || !RootOf(targetRoot)) return false;
  std::shared_ptr<Node> link;
  if (!Make(root, path, link)) return false;
  link->link = true;
  // The target as the kernel names it, in UTF-16 without a NUL.
  static constexpr const char16_t* kNative[] = {
      u"\\REGISTRY\\MACHINE\\SOFTWARE\\Classes",
      u"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000",
      u"\\REGISTRY\\MACHINE",
      u"\\REGISTRY\\USER",
      nullptr,
      u"\\REGISTRY\\MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current"};
  const auto hive =
      static_cast<std::size_t>(static_cast<std::int32_t>(*RootOf(targetRoot)) - INT32_MIN);
  Text target = hive < std::size(kNative) && kNative[hive] ? kNative[hive] : u"\\REGISTRY\\NONE";
  for (const auto& level : SplitPath(Wide(targetPath))) target += u"\\" + level;
  Node::Value& value =
      link->PutValue(kLinkValueName, [this](const Text& text) { return Narrow(text); });
  value.type = kLinkType;
  value.data = Utf16Data(target);
  return true;
}

void Model::Remove(KeyHandle root, const std::string& path) {
  if (const auto node = Find(root, path)) Remove(*node);
}

void Model::Remove(Node& key) {
  if (key.fixed) return;  // a root stays, and so do the keys Windows never deletes
  // Every key below is deleted for the handles that hold it.
  key.ForEachInTree([](Node& node) {
    node.deleted = true;
    return true;
  });
  key.Detach();
}

bool Model::KeyPresent(KeyHandle root, const std::string& path) const {
  return Find(root, path) != nullptr;
}

std::optional<MemoryRegistry::StoredValue> Model::Stored(KeyHandle root, const std::string& path,
                                                         const std::string& name) const {
  const auto node = Find(root, path);
  if (!node) return std::nullopt;
  const Node::Value* value = node->FindValue(FoldCase(Wide(name)));
  if (!value) return std::nullopt;
  const std::string handed = AnsiData(value->type, value->data);
  return MemoryRegistry::StoredValue{value->type,
                                     std::vector<std::uint8_t>(handed.begin(), handed.end())};
}

bool Model::Store(KeyHandle root, const std::string& path, const std::string& name,
                  std::uint32_t type, std::vector<std::uint8_t> data) {
  std::shared_ptr<Node> node;
  const Text wide = Wide(name);
  // What SetValue refuses: a name too long, a value in a link but its target.
  if (wide.size() > kLongestValueName || !Make(root, path, node) ||
      (node->link && (type != kLinkType || FoldCase(wide) != FoldCase(kLinkValueName)))) {
    return false;
  }
  Node::Value& value = node->PutValue(wide, [this](const Text& text) { return Narrow(text); });
  value.type = type;
  value.data =
      HeldData(type, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  return true;
}

std::vector<std::string> Model::Dump() const {
  std::vector<std::string> lines;
  // Depth first in listing order, with a stack of the keys still to write.
  std::vector<std::pair<std::string, const Node*>> pending;
  const Node* currentUser = Local().roots.at(kCurrentUser).get();
  for (std::int32_t hive = INT32_MIN + 6; hive >= INT32_MIN + 1; --hive) {
    if (const char* root = RootName(hive))
      pending.emplace_back(root, Local().roots.at(RootHandle(hive)).get());
  }
  while (!pending.empty()) {
    const std::string path = std::move(pending.back().first);
    const Node* node = pending.back().second;
    pending.pop_back();
    lines.push_back(path);
    node->ForEachValue([&](const Node::Value& value) {
      static constexpr char kHex[] = "0123456789abcdef";
      std::string line = path + "|" + value.listed + "=" + std::to_string(value.type) + ":";
      for (const unsigned char byte : AnsiData(value.type, value.data)) {
        line += kHex[byte >> 4];
        line += kHex[byte & 0xF];
      }
      lines.push_back(std::move(line));
    });
    const std::size_t first = pending.size();
    node->ForEachChild([&](const Node& child) {
      // HKEY_CURRENT_USER has lines of its own, not below HKEY_USERS.
      if (&child != currentUser) pending.emplace_back(path + "\\" + Narrow(child.name), &child);
    });
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
  }
  return lines;
}

std::optional<std::string> Model::KeyPath(KeyHandle key) const {
  const auto* handle = HandleOf(key);
  const auto reached = handle && !RootOf(key) ? Reached(handle->key) : nullptr;
  if (!reached || reached->deleted) return std::nullopt;
  // Up to the root that Dump names it by: HKEY_CURRENT_USER before
  // HKEY_USERS.
  const Node* currentUser = Local().roots.at(kCurrentUser).get();
  std::vector<const Node*> levels;
  const Node* node = reached.get();
  for (; node->parent && node != currentUser; node = node->parent) levels.push_back(node);
  for (std::int32_t hive = INT32_MIN + 1; hive <= INT32_MIN + 6; ++hive) {
    const char* root = RootName(hive);
    if (!root || Local().roots.at(RootHandle(hive)).get() != node) continue;
    std::string path = root;
    for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
      path += '\\';
      path += Narrow((*level)->name);
    }
    return path;
  }
  return std::nullopt;  // another computer's
}

}  // namespace memory
}  // namespace cregistry
