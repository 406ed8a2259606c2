#include "cregistry/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "code_page.h"

namespace platform {
namespace {

// Longest names, in UTF-16 units.
constexpr std::size_t kLongestKeyName = 255;
constexpr std::size_t kLongestValueName = 16383;

// Upper case of a character, for comparing names without regard to case as
// Windows does: Latin (with the letters of Windows-1252), Greek, Cyrillic
// and the fullwidth Latin letters.
char16_t Upper(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: capital and small letters in pairs.
  const bool evenCapital = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
  const bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  if ((evenCapital && c % 2 == 1) || (oddCapital && c % 2 == 0))
    return static_cast<char16_t>(c - 1);
  if ((c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) || (c >= 0x430 && c <= 0x44F) ||
      (c >= 0xFF41 && c <= 0xFF5A)) {
    return static_cast<char16_t>(c - 0x20);
  }
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

Text Fold(Text name) {
  std::transform(name.begin(), name.end(), name.begin(), Upper);
  return name;
}

std::vector<Text> SplitPath(const Text& path) {
  std::vector<Text> levels;
  Text level;
  for (const char16_t c : path) {
    if (c == u'\\') {
      if (!level.empty()) levels.push_back(level);
      level.clear();
    } else {
      level += c;
    }
  }
  if (!level.empty()) levels.push_back(level);
  return levels;
}

}  // namespace

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

MemoryRegistry::MemoryRegistry(unsigned codePage) : codePage_(codePage) {
  auto& local = computers_[Fold(Wide(kLocalComputer))];
  local = std::make_unique<Computer>();
  local_ = local.get();
}

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

MemoryRegistry::~MemoryRegistry() = default;

Status MemoryRegistry::Record(Operation operation, KeyHandle key, const std::string& name,
                              std::uint32_t value, Status status) {
  calls_.push_back({operation, key, name, value, status});
  return status;
}

bool MemoryRegistry::Faulted(Operation operation, Status& status) {
  for (auto it = thrown_.begin(); it != thrown_.end(); ++it) {
    if (it->operation == operation && --it->remaining == 0) {
      const auto failure = it->failure;
      thrown_.erase(it);
      std::rethrow_exception(failure);
    }
  }
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->operation != operation) continue;
    if (it->remaining == 0) {
      status = it->status;
      return true;
    }
    if (--it->remaining == 0) {
      status = it->status;
      faults_.erase(it);
      return true;
    }
  }
  return false;
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
  if (!path.empty() && path.front() == u'\\') return 161;  // bad path name
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
  Status st = status::kSuccess;
  if (!Faulted(Operation::kOpenKey, st)) {
    std::shared_ptr<Node> node;
    st = Resolve(parent, Wide(subKey), false, node);
    if (st == status::kSuccess && (node->denied & access) != 0) {
      st = status::kAccessDenied;
    }
    if (st == status::kSuccess) {
      // An empty path below a predefined root hands back the root itself.
      result = (subKey.empty() && IsPredefinedRoot(parent)) ? parent : NewHandle(node, access);
    }
  }
  return Record(Operation::kOpenKey, parent, subKey, access, st);
}

Status MemoryRegistry::CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                                 KeyHandle& result) {
  result = 0;
  Status st = status::kSuccess;
  if (!Faulted(Operation::kCreateKey, st)) {
    const auto* handle = HandleOf(parent);
    std::shared_ptr<Node> node;
    if (handle && !subKey.empty() && (handle->access & access::kCreateSubKey) == 0) {
      st = status::kAccessDenied;
    } else {
      st = Resolve(parent, Wide(subKey), true, node);
    }
    if (st == status::kSuccess && (node->denied & access) != 0) {
      st = status::kAccessDenied;
    }
    if (st == status::kSuccess) {
      result = NewHandle(node, access);
    }
  }
  return Record(Operation::kCreateKey, parent, subKey, access, st);
}

Status MemoryRegistry::CloseKey(KeyHandle key) {
  Status st = status::kSuccess;
  if (!Faulted(Operation::kCloseKey, st)) {
    if (IsPredefinedRoot(key)) {
      st = status::kSuccess;
    } else if (handles_.erase(key) == 0) {
      st = status::kInvalidHandle;
    }
  } else {
    handles_.erase(key);  // a failed close still releases the handle
  }
  return Record(Operation::kCloseKey, key, {}, 0, st);
}

Status MemoryRegistry::DeleteKey(KeyHandle parent, const std::string& subKey) {
  Status st = status::kSuccess;
  if (!Faulted(Operation::kDeleteKey, st)) {
    std::shared_ptr<Node> node;
    st = Resolve(parent, Wide(subKey), false, node);
    if (st == status::kSuccess) {
      if (!node->parent || !node->children.empty() || node->denied != 0) {
        st = status::kAccessDenied;  // a root, a key with sub-keys, denied
      } else {
        node->deleted = true;
        node->parent->children.erase(Fold(node->name));
        ++node->parent->generation;
      }
    }
  }
  return Record(Operation::kDeleteKey, parent, subKey, 0, st);
}

Status MemoryRegistry::DeleteValue(KeyHandle key, const std::string& name) {
  Status st = status::kSuccess;
  if (!Faulted(Operation::kDeleteValue, st)) {
    std::shared_ptr<Node> node;
    st = Reach(key, access::kSetValue, node);
    if (st != status::kSuccess) {
      // an invalid handle, a deleted key or too narrow an access
    } else if (++node->generation, node->values.erase(Fold(Wide(name))) == 0) {
      st = status::kFileNotFound;
    }
  }
  return Record(Operation::kDeleteValue, key, name, 0, st);
}

Status MemoryRegistry::QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  Status st = status::kSuccess;
  const std::uint32_t offered = size ? *size : 0;
  if (!Faulted(Operation::kQueryValue, st)) {
    std::shared_ptr<Node> node;
    st = Reach(key, access::kQueryValue, node);
    if (st != status::kSuccess) {
      // an invalid handle, a deleted key or too narrow an access
    } else if (const auto it = node->values.find(Fold(Wide(name))); it == node->values.end()) {
      st = status::kFileNotFound;
    } else {
      const auto& value = it->second;
      const auto length = static_cast<std::uint32_t>(value.data.size());
      if (type) *type = value.type;
      if (data && size && *size < length) {
        st = status::kMoreData;
      } else if (data && size && length > 0) {
        std::memcpy(data, value.data.data(), length);
      }
      if (size) *size = length;
    }
  }
  return Record(Operation::kQueryValue, key, name, offered, st);
}

Status MemoryRegistry::SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  Status st = status::kSuccess;
  if (!Faulted(Operation::kSetValue, st)) {
    std::shared_ptr<Node> node;
    st = Reach(key, access::kSetValue, node);
    if (st != status::kSuccess) {
      // an invalid handle, a deleted key or too narrow an access
    } else if (const Text wide = Wide(name);
               wide.size() > kLongestValueName || (size > 0 && !data)) {
      st = status::kInvalidParameter;
    } else {
      ++node->generation;
      auto& value = node->values[Fold(wide)];
      if (value.name.empty()) value.name = wide;
      value.type = type;
      value.data.assign(data, data + size);
    }
  }
  return Record(Operation::kSetValue, key, name, type, st);
}

Status MemoryRegistry::EnumKey(KeyHandle key, std::uint32_t index, char* name,
                               std::uint32_t bufferLength) {
  Status st = status::kSuccess;
  if (!Faulted(Operation::kEnumKey, st)) {
    std::shared_ptr<Node> node;
    st = Reach(key, access::kEnumerateSubKeys, node);
    if (st != status::kSuccess) {
      // an invalid handle, a deleted key or too narrow an access
    } else if (index >= node->children.size()) {
      st = status::kNoMoreItems;
    } else {
      const std::string child =
          Narrow(node->At(node->children, node->childCursor, index)->second->name);
      if (child.size() + 1 > bufferLength) {
        st = status::kMoreData;
      } else {
        std::memcpy(name, child.c_str(), child.size() + 1);
      }
    }
  }
  return Record(Operation::kEnumKey, key, {}, index, st);
}

Status MemoryRegistry::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                                 std::uint32_t* nameLength) {
  Status st = status::kSuccess;
  if (!Faulted(Operation::kEnumValue, st)) {
    std::shared_ptr<Node> node;
    st = Reach(key, access::kQueryValue, node);
    if (st != status::kSuccess) {
      // an invalid handle, a deleted key or too narrow an access
    } else if (index >= node->values.size()) {
      st = status::kNoMoreItems;
    } else {
      const std::string value =
          Narrow(node->At(node->values, node->valueCursor, index)->second.name);
      if (value.size() + 1 > *nameLength) {
        // As advapi32: the name cut to the buffer, the length left as it was.
        st = status::kMoreData;
        if (*nameLength > 0) {
          std::memcpy(name, value.data(), *nameLength - 1);
          name[*nameLength - 1] = '\0';
        }
      } else {
        std::memcpy(name, value.c_str(), value.size() + 1);
        *nameLength = static_cast<std::uint32_t>(value.size());
      }
    }
  }
  return Record(Operation::kEnumValue, key, {}, index, st);
}

Status MemoryRegistry::QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) {
  Status st = status::kSuccess;
  if (!Faulted(Operation::kQueryInfoKey, st)) {
    std::shared_ptr<Node> node;
    st = Reach(key, access::kQueryValue, node);
    if (st != status::kSuccess) {
      // an invalid handle, a deleted key or too narrow an access
    } else {
      // In characters (UTF-16 units), not in the code page's bytes.
      std::size_t longest = 0;
      for (const auto& [folded, value] : node->values) {
        longest = std::max(longest, value.name.size());
      }
      *longestValueName = static_cast<std::uint32_t>(longest);
    }
  }
  return Record(Operation::kQueryInfoKey, key, {}, 0, st);
}

Status MemoryRegistry::ConnectRegistry(const std::string& machine, KeyHandle root,
                                       KeyHandle& result) {
  result = 0;
  Status st = status::kSuccess;
  if (!Faulted(Operation::kConnectRegistry, st)) {
    const auto computer = computers_.find(Fold(Wide(machine)));
    if (computer == computers_.end()) {
      st = status::kBadNetPath;
    } else if (const auto it = computer->second->roots.find(root);
               it == computer->second->roots.end()) {
      st = status::kInvalidHandle;
    } else if (computer->second.get() == &Local()) {
      result = root;  // connecting to this computer yields its own root
    } else {
      result = NewHandle(it->second, access::kAllValueAndKeyRights | 0xF0000);
    }
  }
  return Record(Operation::kConnectRegistry, root, machine, 0, st);
}

std::uint32_t MemoryRegistry::ExpandEnvironment(const std::string& source, char* destination,
                                                std::uint32_t destinationLength) {
  Status st = status::kSuccess;
  std::uint32_t needed = 0;
  if (!destination && destinationLength != 0) {
    st = status::kInvalidParameter;  // no buffer to write into: nothing done
  } else if (!Faulted(Operation::kExpandEnvironment, st)) {
    std::string expanded;
    const std::string text(source.c_str());  // the text ends at its NUL
    std::size_t i = 0;
    while (i < text.size()) {
      const std::size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
      if (close == std::string::npos) {
        expanded += text[i++];
        continue;
      }
      const auto it = environment_.find(Fold(Wide(text.substr(i + 1, close - i - 1))));
      if (it == environment_.end()) {
        expanded += text.substr(i, close - i);  // the second % starts anew
        i = close;
      } else {
        expanded += it->second;
        i = close + 1;
      }
    }
    needed = static_cast<std::uint32_t>(expanded.size() + 1);
    if (destinationLength < expansionGrown_) {
      needed = expansionGrown_;  // still asks for the room it grew to
    } else if (destination && destinationLength >= needed) {
      std::memcpy(destination, expanded.c_str(), needed);
      expansionGrown_ = 0;
    }
  } else {
    // The injected status is the count: 0 a failed expansion, more an
    // expansion that grew to that length and asks for it from now on.
    needed = static_cast<std::uint32_t>(st);
    expansionGrown_ = needed;
  }
  Record(Operation::kExpandEnvironment, 0, source, destinationLength, st);
  return needed;
}

void MemoryRegistry::MoveBytes(void* destination, const void* source, std::size_t count) {
  std::memmove(destination, source, count);
  Record(Operation::kMoveBytes, 0, {}, static_cast<std::uint32_t>(count), status::kSuccess);
}

std::optional<std::string> MemoryRegistry::ToCodePage(TextView text) const {
  return EncodeCodePage(codePage_, text);
}

Text MemoryRegistry::FromCodePage(std::string_view bytes) const {
  return DecodeCodePage(codePage_, bytes);
}

unsigned MemoryRegistry::MaxCharBytes() const { return platform::MaxCharBytes(codePage_); }

void MemoryRegistry::InjectFault(Operation operation, Status status, int occurrence) {
  faults_.push_back({operation, status, occurrence});
}

void MemoryRegistry::InjectException(Operation operation, std::exception_ptr failure,
                                     int occurrence) {
  thrown_.push_back({operation, std::move(failure), occurrence});
}

void MemoryRegistry::ClearFaults() {
  faults_.clear();
  thrown_.clear();
}

void MemoryRegistry::DenyAccess(KeyHandle root, const std::string& path,
                                std::uint32_t deniedAccess) {
  std::shared_ptr<Node> node;
  if (Resolve(root, Wide(path), true, node) == status::kSuccess) {
    node->denied |= deniedAccess;
  }
}

void MemoryRegistry::AddComputer(const std::string& name) {
  auto& computer = computers_[Fold(Wide(name))];
  if (!computer) computer = std::make_unique<Computer>();
}

void MemoryRegistry::SetVariable(const std::string& name, const std::string& value) {
  environment_[Fold(Wide(name))] = value;
}

int MemoryRegistry::OpenHandleCount() const { return static_cast<int>(handles_.size()); }

int MemoryRegistry::CountCalls(Operation operation) const {
  return static_cast<int>(
      std::count_if(calls_.begin(), calls_.end(),
                    [operation](const RecordedCall& c) { return c.operation == operation; }));
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Find(KeyHandle root,
                                                           const std::string& path) const {
  auto node = NodeOf(root);
  for (const auto& level : SplitPath(Wide(path))) {
    if (!node) break;
    const auto it = node->children.find(Fold(level));
    node = it == node->children.end() ? nullptr : it->second;
  }
  return node;
}

bool MemoryRegistry::KeyPresent(KeyHandle root, const std::string& path) const {
  return Find(root, path) != nullptr;
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::Stored(KeyHandle root,
                                                                  const std::string& path,
                                                                  const std::string& name) const {
  const auto node = Find(root, path);
  if (!node) return std::nullopt;
  const auto it = node->values.find(Fold(Wide(name)));
  if (it == node->values.end()) return std::nullopt;
  return StoredValue{it->second.type, it->second.data};
}

void MemoryRegistry::Store(KeyHandle root, const std::string& path, const std::string& name,
                           std::uint32_t type, std::vector<std::uint8_t> data) {
  std::shared_ptr<Node> node;
  if (Resolve(root, Wide(path), true, node) != status::kSuccess) return;
  ++node->generation;
  const Text wide = Wide(name);
  auto& value = node->values[Fold(wide)];
  if (value.name.empty()) value.name = wide;
  value.type = type;
  value.data = std::move(data);
}

std::vector<std::string> MemoryRegistry::Dump() const {
  std::vector<std::string> lines;
  const auto walk = [this, &lines](const auto& self, const std::string& path,
                                   const Node& node) -> void {
    lines.push_back(path);
    for (const auto& [folded, value] : node.values) {
      static constexpr char kHex[] = "0123456789abcdef";
      std::string line = path + "|" + Narrow(value.name) + "=" + std::to_string(value.type) + ":";
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
  static constexpr const char* kNames[] = {"HKCU", "HKLM", "HKU", "HKPD", "HKCC", "HKDD"};
  for (std::int32_t hive = INT32_MIN + 1; hive <= INT32_MIN + 6; ++hive) {
    walk(walk, kNames[hive - INT32_MIN - 1], *Local().roots.at(RootHandle(hive)));
  }
  return lines;
}

}  // namespace platform
