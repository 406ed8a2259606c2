// The in-memory registry's service calls.
#include "cregistry/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "code_page.h"
#include "environment.h"
#include "node.h"

namespace platform {
namespace {

// Longest names, in UTF-16 units.
constexpr std::size_t kLongestKeyName = 255;
constexpr std::size_t kLongestValueName = 16383;
constexpr Status kBadPathName = 161;

}  // namespace

MemoryRegistry::MemoryRegistry(unsigned codePage) : codePage_(codePage) {
  auto& local = computers_[Fold(Wide(kLocalComputer))];
  local = std::make_unique<Computer>();
  local_ = local.get();
}

MemoryRegistry::~MemoryRegistry() = default;

Text MemoryRegistry::Wide(const std::string& bytes) const {
  // The service takes names as NUL-terminated texts.
  return DecodeCodePage(codePage_, std::string_view(bytes.c_str()));
}

std::string MemoryRegistry::Narrow(const Text& name) const {
  if (auto bytes = EncodeCodePage(codePage_, name)) return *bytes;
  // A character that the code page cannot hold is handed out as "?", as the
  // ANSI entry points do.
  std::string bytes;
  for (const char16_t c : name) bytes += EncodeCodePage(codePage_, Text(1, c)).value_or("?");
  return bytes;
}

const MemoryRegistry::OpenHandle* MemoryRegistry::HandleOf(KeyHandle key) const {
  // Windows ignores the low two bits of a handle value: 7 is taken as 4.
  const auto it = handles_.find(key & ~KeyHandle{3});
  return it == handles_.end() ? nullptr : &it->second;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::NodeOf(KeyHandle key) const {
  const auto& roots = Local().roots;
  if (const auto root = roots.find(key); root != roots.end()) {
    return root->second;
  }
  const auto* handle = HandleOf(key);
  return handle ? handle->node : nullptr;
}

Status MemoryRegistry::Reach(KeyHandle key, std::uint32_t needed,
                             std::shared_ptr<Node>& node) const {
  const auto* handle = HandleOf(key);
  node = NodeOf(key);
  if (!node) return status::kInvalidHandle;
  if (node->deleted) return status::kKeyDeleted;
  // The predefined roots carry every right.
  if (handle && (handle->access & needed) == 0) return status::kAccessDenied;
  return status::kSuccess;
}

KeyHandle MemoryRegistry::NewHandle(std::shared_ptr<Node> node, std::uint32_t access) {
  const KeyHandle key = nextHandle_;
  nextHandle_ += 4;
  handles_[key] = {std::move(node), access};
  return key;
}

Status MemoryRegistry::Resolve(KeyHandle parent, const Text& path, bool create,
                               std::shared_ptr<Node>& result) {
  auto node = NodeOf(parent);
  if (!node) return status::kInvalidHandle;
  if (node->deleted) return status::kKeyDeleted;
  if (!path.empty() && path.front() == u'\\') return kBadPathName;
  const auto levels = SplitPath(path);
  for (const auto& level : levels) {
    if (level.size() > kLongestKeyName) return status::kInvalidParameter;
  }
  for (const auto& level : levels) {
    const auto it = node->children.find(Fold(level));
    if (it != node->children.end()) {
      node = it->second;
      continue;
    }
    if (!create) return status::kFileNotFound;
    if (node->denied & access::kCreateSubKey) return status::kAccessDenied;
    auto child = std::make_shared<Node>();
    child->name = level;
    child->parent = node.get();
    node->children[Fold(level)] = child;
    ++node->generation;
    node = child;
  }
  result = node;
  return status::kSuccess;
}

Status MemoryRegistry::OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                               KeyHandle& result) {
  result = 0;
  std::shared_ptr<Node> node;
  if (const Status st = Resolve(parent, Wide(subKey), false, node); st != status::kSuccess) {
    return st;
  }
  if ((node->denied & access) != 0) return status::kAccessDenied;
  // An empty path below a predefined root hands back the root itself.
  result = (subKey.empty() && IsPredefinedRoot(parent)) ? parent : NewHandle(node, access);
  return status::kSuccess;
}

Status MemoryRegistry::CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                                 KeyHandle& result) {
  result = 0;
  const auto* handle = HandleOf(parent);
  if (handle && !subKey.empty() && (handle->access & access::kCreateSubKey) == 0) {
    return status::kAccessDenied;
  }
  std::shared_ptr<Node> node;
  if (const Status st = Resolve(parent, Wide(subKey), true, node); st != status::kSuccess) {
    return st;
  }
  if ((node->denied & access) != 0) return status::kAccessDenied;
  result = NewHandle(node, access);
  return status::kSuccess;
}

Status MemoryRegistry::CloseKey(KeyHandle key) {
  if (IsPredefinedRoot(key)) return status::kSuccess;
  return handles_.erase(key) == 0 ? status::kInvalidHandle : status::kSuccess;
}

Status MemoryRegistry::DeleteKey(KeyHandle parent, const std::string& subKey) {
  std::shared_ptr<Node> node;
  if (const Status st = Resolve(parent, Wide(subKey), false, node); st != status::kSuccess) {
    return st;
  }
  // Never a root, a key with sub-keys or a key denied to this user.
  if (!node->parent || !node->children.empty() || node->denied != 0) {
    return status::kAccessDenied;
  }
  node->deleted = true;
  node->parent->children.erase(Fold(node->name));
  ++node->parent->generation;
  return status::kSuccess;
}

Status MemoryRegistry::DeleteValue(KeyHandle key, const std::string& name) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kSetValue, node); st != status::kSuccess) return st;
  ++node->generation;
  return node->values.erase(Fold(Wide(name))) == 0 ? status::kFileNotFound : status::kSuccess;
}

Status MemoryRegistry::QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kQueryValue, node); st != status::kSuccess) return st;
  const auto it = node->values.find(Fold(Wide(name)));
  if (it == node->values.end()) return status::kFileNotFound;
  const auto& value = it->second;
  const auto length = static_cast<std::uint32_t>(value.data.size());
  if (type) *type = value.type;
  Status st = status::kSuccess;
  if (data && size && *size < length) {
    st = status::kMoreData;
  } else if (data && size && length > 0) {
    std::memcpy(data, value.data.data(), length);
  }
  if (size) *size = length;
  return st;
}

Status MemoryRegistry::SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kSetValue, node); st != status::kSuccess) return st;
  const Text wide = Wide(name);
  if (wide.size() > kLongestValueName || (size > 0 && !data)) return status::kInvalidParameter;
  ++node->generation;
  auto& value = node->values[Fold(wide)];
  if (value.name.empty()) value.name = wide;
  value.type = type;
  value.data.assign(data, data + size);
  return status::kSuccess;
}

Status MemoryRegistry::EnumKey(KeyHandle key, std::uint32_t index, char* name,
                               std::uint32_t bufferLength) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kEnumerateSubKeys, node); st != status::kSuccess) {
    return st;
  }
  if (index >= node->children.size()) return status::kNoMoreItems;
  const std::string child =
      Narrow(node->At(node->children, node->childCursor, index)->second->name);
  if (child.size() + 1 > bufferLength) return status::kMoreData;
  std::memcpy(name, child.c_str(), child.size() + 1);
  return status::kSuccess;
}

Status MemoryRegistry::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                                 std::uint32_t* nameLength) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kQueryValue, node); st != status::kSuccess) return st;
  if (index >= node->values.size()) return status::kNoMoreItems;
  const std::string value = Narrow(node->At(node->values, node->valueCursor, index)->second.name);
  if (value.size() + 1 > *nameLength) {
    // As advapi32: the name cut to the buffer, the length left as it was.
    if (*nameLength > 0) {
      std::memcpy(name, value.data(), *nameLength - 1);
      name[*nameLength - 1] = '\0';
    }
    return status::kMoreData;
  }
  std::memcpy(name, value.c_str(), value.size() + 1);
  *nameLength = static_cast<std::uint32_t>(value.size());
  return status::kSuccess;
}

Status MemoryRegistry::QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kQueryValue, node); st != status::kSuccess) return st;
  // In characters (UTF-16 units), not in the code page's bytes.
  std::size_t longest = 0;
  for (const auto& [folded, value] : node->values) longest = std::max(longest, value.name.size());
  *longestValueName = static_cast<std::uint32_t>(longest);
  return status::kSuccess;
}

Status MemoryRegistry::ConnectRegistry(const std::string& machine, KeyHandle root,
                                       KeyHandle& result) {
  result = 0;
  const auto computer = computers_.find(Fold(Wide(machine)));
  if (computer == computers_.end()) return status::kBadNetPath;
  const auto it = computer->second->roots.find(root);
  if (it == computer->second->roots.end()) return status::kInvalidHandle;
  // Connecting to this computer yields its own root.
  result = computer->second.get() == &Local()
               ? root
               : NewHandle(it->second, access::kAllValueAndKeyRights | 0xF0000);
  return status::kSuccess;
}

std::uint32_t MemoryRegistry::ExpandEnvironment(const std::string& source, char* destination,
                                                std::uint32_t destinationLength) {
  if (!destination && destinationLength != 0) return 0;  // no buffer to write into
  // The text ends at its NUL.
  const std::string expanded =
      ExpandReferences(source.c_str(), [this](const std::string& name) -> const std::string* {
        const auto it = environment_.find(Fold(Wide(name)));
        return it == environment_.end() ? nullptr : &it->second;
      });
  const auto needed = static_cast<std::uint32_t>(expanded.size() + 1);
  if (destination && destinationLength >= needed) {
    std::memcpy(destination, expanded.c_str(), needed);
  }
  return needed;
}

void MemoryRegistry::MoveBytes(void* destination, const void* source, std::size_t count) {
  std::memmove(destination, source, count);
}

std::optional<std::string> MemoryRegistry::ToCodePage(TextView text) const {
  return EncodeCodePage(codePage_, text);
}

Text MemoryRegistry::FromCodePage(std::string_view bytes) const {
  return DecodeCodePage(codePage_, bytes);
}

unsigned MemoryRegistry::MaxCharBytes() const { return platform::MaxCharBytes(codePage_); }

}  // namespace platform
