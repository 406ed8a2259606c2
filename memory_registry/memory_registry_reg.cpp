// The in-memory registry loaded from .reg files and written to them.
#include <fstream>
#include <iterator>
#include <sstream>

#include "cregistry/memory_registry.h"
#include "cregistry/reg_file_error.h"
#include "key_path.h"
#include "node.h"
#include "reg_file.h"

namespace cregistry {

void MemoryRegistry::ImportReg(std::string_view file) {
  // Read whole before anything is applied: a file with an error changes
  // nothing, and what it names cannot fail to be applied.
  const auto keys = ReadRegFile(file, codePage_);
  for (const auto& key : keys) {
    auto node = Local().roots.at(RootHandle(key.hive));
    if (key.remove) {
      for (const auto& level : key.levels) {
        const auto it = node->children.find(FoldCase(level));
        node = it == node->children.end() ? nullptr : it->second;
        if (!node) break;
      }
      if (node) Remove(*node);
      continue;
    }
    node = Computer::Below(node, key.levels);
    for (const auto& value : key.values) {
      if (value.remove) {
        node->EraseValue(FoldCase(value.name));
        continue;
      }
      Node::Value& held =
          node->PutValue(value.name, [this](const Text& name) { return Narrow(name); });
      held.type = value.type;
      held.data = value.data;
    }
  }
}

void MemoryRegistry::ImportRegFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw RegFileError(0, "cannot read " + fileName);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
  const auto write = [&out](const auto& self, const Text& keyName, const Node& key) -> void {
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
  if (!out.write(file.data(), static_cast<std::streamsize>(file.size()))) {
    throw RegFileError(0, "cannot write " + fileName);
  }
}

}  // namespace cregistry
