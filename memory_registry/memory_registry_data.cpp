// The in-memory registry set up and read directly, bypassing handles and
// access rights.
#include "cregistry/memory_registry.h"
#include "node.h"

namespace cregistry {

void MemoryRegistry::DenyAccess(KeyHandle root, const std::string& path,
                                std::uint32_t deniedAccess) {
  std::shared_ptr<Node> node;
  if (Resolve(root, Wide(path), true, node) == status::kSuccess) node->denied |= deniedAccess;
}

void MemoryRegistry::AddComputer(const std::string& name) {
  auto& computer = computers_[ComputerKey(name)];
  if (!computer) computer = std::make_unique<Computer>();
}

void MemoryRegistry::SetVariable(const std::string& name, const std::string& value) {
  environment_[FoldCase(Wide(name))] = value;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Find(KeyHandle root,
                                                           const std::string& path) const {
  auto node = NodeOf(root);
  for (const auto& level : SplitPath(Wide(path))) {
    if (!node) break;
    const auto it = node->children.find(FoldCase(level));
    node = it == node->children.end() ? nullptr : it->second;
  }
  return node;
}

void MemoryRegistry::AddWideKey(KeyHandle root, const std::string& path, const Text& name) {
  std::shared_ptr<Node> node;
  if (Resolve(root, Wide(path), true, node) == status::kSuccess) Computer::Below(node, {name});
}

bool MemoryRegistry::KeyPresent(KeyHandle root, const std::string& path) const {
  return Find(root, path) != nullptr;
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::Stored(KeyHandle root,
                                                                  const std::string& path,
                                                                  const std::string& name) const {
  const auto node = Find(root, path);
  if (!node) return std::nullopt;
  const Node::Value* value = node->FindValue(FoldCase(Wide(name)));
  if (!value) return std::nullopt;
  return StoredValue{value->type, value->data};
}

void MemoryRegistry::Store(KeyHandle root, const std::string& path, const std::string& name,
                           std::uint32_t type, std::vector<std::uint8_t> data) {
  std::shared_ptr<Node> node;
  if (Resolve(root, Wide(path), true, node) != status::kSuccess) return;
  Node::Value& value =
      node->PutValue(Wide(name), [this](const Text& text) { return Narrow(text); });
  value.type = type;
  value.data = std::move(data);
}

std::vector<std::string> MemoryRegistry::Dump() const {
  std::vector<std::string> lines;
  const auto walk = [this, &lines](const auto& self, const std::string& path,
                                   const Node& node) -> void {
    lines.push_back(path);
    for (const auto& value : node.values) {
      static constexpr char kHex[] = "0123456789abcdef";
      std::string line = path + "|" + value.listed + "=" + std::to_string(value.type) + ":";
      for (const auto byte : value.data) {
        line += kHex[byte >> 4];
        line += kHex[byte & 0xF];
      }
      lines.push_back(line);
    }
    for (const auto& [folded, child] : node.children) {
      self(self, path + "\\" + Narrow(child->name), *child);
    }
  };
  // HKEY_CLASSES_ROOT and HKEY_CURRENT_CONFIG are keys of HKEY_LOCAL_MACHINE.
  static constexpr const char* kNames[] = {"HKCU", "HKLM", "HKU", "HKPD", nullptr, "HKDD"};
  for (std::int32_t hive = INT32_MIN + 1; hive <= INT32_MIN + 6; ++hive) {
    if (const char* root = kNames[hive - INT32_MIN - 1]) {
      walk(walk, root, *Local().roots.at(RootHandle(hive)));
    }
  }
  return lines;
}

}  // namespace cregistry
