// The in-memory registry loaded from .reg files and written to them.
#include <fstream>

#include "cregistry/memory_registry.h"
#include "cregistry/reg_file_error.h"
#include "key_path.h"
#include "node.h"
#include "reg_file.h"

namespace cregistry {

void MemoryRegistry::ImportReg(std::string_view file) {
  // Read whole, and only then applied: a file with an error changes nothing,
  // and what a file without one names cannot fail to be applied. A key whose
  // path meets a registry link is refused: reg import would follow the link
  // and write, or delete, where it leads.
  const auto linked = [this](const RegFileKey& named) -> std::string {
    const Node* node = Local().roots.at(RootHandle(named.hive)).get();
    for (const auto& level : named.levels) {
      const auto it = node->children.find(FoldCase(level));
      if (it == node->children.end()) break;
      node = it->second.get();
      if (node->link) return "a registry link on the key's path (\"" + ToUtf8(level) + "\")";
    }
    return {};
  };
  ReadRegFile(file, codePage_, {linked, [](RegFileValue&&) {}});
  std::shared_ptr<Node> node;  // the key the values go to
  const auto key = [this, &node](const RegFileKey& named) -> std::string {
    node = Local().roots.at(RootHandle(named.hive));
    if (!named.remove) {
      node = Computer::Below(node, named.levels);
      return {};
    }
    for (const auto& level : named.levels) {
      const auto it = node->children.find(FoldCase(level));
      node = it == node->children.end() ? nullptr : it->second;
      if (!node) return {};
    }
    Remove(*node);
    return {};
  };
  const auto value = [this, &node](RegFileValue&& named) {
    if (named.remove) {
      node->EraseValue(FoldCase(named.name));
      return;
    }
    Node::Value& held =
        node->PutValue(named.name, [this](const Text& name) { return Narrow(name); });
    held.type = named.type;
    held.data = std::move(named.data);
  };
  ReadRegFile(file, codePage_, {key, value});
}

void MemoryRegistry::ImportRegFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary | std::ios::ate);
  std::string file(in ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
  if (!in || !in.seekg(0).read(file.data(), static_cast<std::streamsize>(file.size()))) {
    throw RegFileError(0, "cannot read " + fileName);
  }
  ImportReg(file);
}

std::string MemoryRegistry::ExportReg(KeyHandle root, const std::string& path) const {
  const auto hive = RootOf(root);
  const char16_t* rootName = hive ? RegFileRootName(static_cast<std::int32_t>(*hive)) : nullptr;
  const auto node = rootName ? Find(root, path) : nullptr;
  if (!node) throw RegFileError(0, "no key " + path + " to export");
  Text name = rootName;
  for (const auto& level : SplitPath(Wide(path))) name += u"\\" + level;
  RegFileWriter out;
  // A registry link is refused: reg export would follow it out of the key.
  const auto write = [&out](const auto& self, const Text& keyName, const Node& key) -> void {
    if (key.link) throw RegFileError(0, "a registry link at " + ToUtf8(keyName));
    out.Key(keyName);
    for (const auto& value : key.values) out.Value(value.name, value.type, value.data);
    for (const auto& [folded, child] : key.children) {
      self(self, keyName + u"\\" + child->name, *child);
    }
  };
  write(write, name, *node);
  return out.Finish();
}

void MemoryRegistry::ExportRegFile(KeyHandle root, const std::string& path,
                                   const std::string& fileName) const {
  const std::string file = ExportReg(root, path);
  std::ofstream out(fileName, std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  out.close();  // what the stream still held is written only now
  if (!out) throw RegFileError(0, "cannot write " + fileName);
}

}  // namespace cregistry
