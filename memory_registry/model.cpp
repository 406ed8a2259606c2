// The in-memory registry's service calls.
#include "model.h"

#include <algorithm>
#include <cstring>

#include "code_page.h"
#include "environment.h"
#include "node.h"

namespace cregistry {
namespace memory {
namespace {

constexpr Status kBadPathName = 161;
constexpr Status kNoAccess = 998;  // the data cannot be read
constexpr KeyHandle kClassesRoot = RootHandle(INT32_MIN);
constexpr KeyHandle kLocalMachine = RootHandle(INT32_MIN + 2);
constexpr KeyHandle kUsers = RootHandle(INT32_MIN + 3);
constexpr KeyHandle kPerformanceData = RootHandle(INT32_MIN + 4);
constexpr std::uint32_t kBinary = 3;
// How many links one open may follow before it is taken for a circle.
constexpr int kMostLinks = 32;
// The low two bits of a handle to a key of HKEY_CLASSES_ROOT.
constexpr KeyHandle kClassesView = 2;
// Handles are numbered from here, four apart; a closed one's value is
// given out again, the last closed first, as Windows reuses a handle
// table's entries. No handle reaches a predefined root's value.
constexpr KeyHandle kFirstHandle = 0x1000;
constexpr KeyHandle kLastHandle = 0x7FFFFFFC;
constexpr Status kNoSystemResources = 1450;

// The rights that a mask grants a key: the generic rights mapped as
// Windows maps them for keys, and all rights for MAXIMUM_ALLOWED (the user
// owns every key here).
std::uint32_t KeyRights(std::uint32_t access) {
  constexpr std::uint32_t kRead = 0x20019, kWrite = 0x20006, kAll = 0xF003F;
  std::uint32_t rights = access & 0x00FFFFFF;
  if (access & 0x80000000) rights |= kRead;   // GENERIC_READ
  if (access & 0x40000000) rights |= kWrite;  // GENERIC_WRITE
  if (access & 0x20000000) rights |= kRead;   // GENERIC_EXECUTE
  if (access & 0x10000000) rights |= kAll;    // GENERIC_ALL
  if (access & 0x02000000) rights |= kAll;    // MAXIMUM_ALLOWED
  return rights;
}

}  // namespace

Model::Model(unsigned codePage) : codePage_(codePage), nextHandle_(kFirstHandle) {
  auto& local = computers_[ComputerKey(MemoryRegistry::kLocalComputer)];
  local = std::make_unique<Computer>();
  local_ = local.get();
}

Model::~Model() = default;

Text Model::Wide(const std::string& bytes) const {
  // The service takes names as NUL-terminated texts.
  return DecodeRegistryAnsi(codePage_, std::string_view(bytes.c_str()));
}

std::vector<std::uint8_t> Model::HeldData(std::uint32_t type, std::string_view bytes) const {
  // A text is held in UTF-16 and handed out in the code page again: bytes
  // that form no character come back as the character they became.
  if (IsTextType(type)) return Utf16Data(DecodeRegistryAnsi(codePage_, bytes));
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::string Model::AnsiData(std::uint32_t type, const std::vector<std::uint8_t>& held) const {
  if (IsTextType(type)) return Narrow(TextOfData(held));
  return std::string(held.begin(), held.end());
}

std::string Model::Narrow(const Text& name) const {
  // As the ANSI entry points hand out a character that the code page
  // cannot hold: its look-alike, or "?".
  return EncodeBestFit(codePage_, name);
}

Text Model::ComputerKey(const std::string& machine) const {
  // A computer is named with or without the two backslashes in front; no
  // name at all is this computer.
  if (machine.empty()) return ComputerKey(MemoryRegistry::kLocalComputer);
  return FoldCase(Wide(machine.rfind("\\\\", 0) == 0 ? machine.substr(2) : machine));
}

const Model::OpenHandle* Model::HandleOf(KeyHandle key) const {
  // Windows ignores the low two bits of a handle value: 7 is taken as 4.
  const auto it = handles_.find(key & ~KeyHandle{3});
  return it == handles_.end() ? nullptr : &it->second;
}

std::shared_ptr<Node> Model::NodeOf(KeyHandle key) const {
  if (const auto root = RootOf(key)) {
    // The performance data are no key that can be opened or written.
    return *root == kPerformanceData ? nullptr : Local().roots.at(*root);
  }
  const auto* handle = HandleOf(key);
  return handle ? handle->node : nullptr;
}

Status Model::Reach(KeyHandle key, std::uint32_t needed, std::shared_ptr<Node>& node) const {
  const auto* handle = HandleOf(key);
  node = NodeOf(key);
  if (!node) return status::kInvalidHandle;
  // The handle's rights come first; the predefined roots carry them all.
  if (handle && !RootOf(key) && (handle->access & needed) == 0) return status::kAccessDenied;
  if (node->deleted) return status::kKeyDeleted;
  return status::kSuccess;
}

KeyHandle Model::NewHandle(std::shared_ptr<Node> node, std::uint32_t access, bool classesView) {
  KeyHandle key = 0;
  if (!freeHandles_.empty()) {
    key = freeHandles_.back();
    freeHandles_.pop_back();
  } else if (nextHandle_ <= kLastHandle) {
    key = nextHandle_;
    nextHandle_ += 4;
  } else {
    return 0;  // every value in use
  }
  handles_[key] = {std::move(node), access};
  return classesView ? key | kClassesView : key;
}

Status Model::Resolve(KeyHandle parent, const Text& path, bool create, Follow follow,
                      std::shared_ptr<Node>& result) {
  auto node = NodeOf(parent);
  if (!node) return status::kInvalidHandle;
  if (node->deleted) return status::kKeyDeleted;
  // One leading backslash is taken below HKEY_CLASSES_ROOT alone.
  const bool classes = RootOf(parent) == kClassesRoot;
  const TextView relative =
      classes && !path.empty() && path.front() == u'\\' ? TextView(path).substr(1) : TextView(path);
  if (!relative.empty() && relative.front() == u'\\') return kBadPathName;
  const auto levels = SplitPath(Text(relative));
  for (const auto& level : levels) {
    if (level.size() > kLongestKeyName) return status::kInvalidParameter;
  }
  int links = kMostLinks;
  return Walk(std::move(node), levels, create, follow, links, result);
}

Status Model::Walk(std::shared_ptr<Node> node, const std::vector<Text>& levels, bool create,
                   Follow follow, int& links, std::shared_ptr<Node>& result) {
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const bool last = i + 1 == levels.size();
    if (const auto* child = node->Child(FoldCase(levels[i]))) {
      node = *child;
    } else {
      if (!create) return status::kFileNotFound;
      if (node->denied & access::kCreateSubKey) return status::kAccessDenied;
      if (node->level >= kDeepestLevel) return status::kInvalidParameter;
      node = node->AddChild(levels[i]);
    }
    if (node->link && (follow == Follow::kEveryLink || (follow == Follow::kAllButLast && !last))) {
      if (const Status st = Target(*node, create, links, node); st != status::kSuccess) {
        return st;
      }
    }
  }
  result = std::move(node);
  return status::kSuccess;
}

Status Model::Target(const Node& link, bool create, int& links, std::shared_ptr<Node>& result) {
  if (--links < 0) return status::kInvalidParameter;  // a circle of links
  const Node::Value* value = link.FindValue(FoldCase(kLinkValueName));
  if (!value || value->type != kLinkType) return status::kFileNotFound;
  const Text target = TextOfData(value->data);
  // \REGISTRY\MACHINE\... or \REGISTRY\USER\...; a NUL makes it no name.
  const auto levels = SplitPath(target);
  if (target.empty() || target.front() != u'\\' || target.find(u'\0') != Text::npos ||
      levels.size() < 2 || FoldCase(levels[0]) != u"REGISTRY") {
    return status::kFileNotFound;
  }
  KeyHandle root = 0;
  std::size_t first = 2;
  if (FoldCase(levels[1]) == u"MACHINE") {
    root = kLocalMachine;
  } else if (FoldCase(levels[1]) == u"USER") {
    root = kUsers;  // HKEY_CURRENT_USER among them
  } else {
    return status::kFileNotFound;
  }
  const std::vector<Text> rest(levels.begin() + static_cast<std::ptrdiff_t>(first), levels.end());
  // The target's last level alone is made: its parent must be there.
  std::shared_ptr<Node> parent;
  const std::vector<Text> above(rest.begin(), rest.end() - (rest.empty() ? 0 : 1));
  if (const Status st =
          Walk(Local().roots.at(root), above, false, Follow::kEveryLink, links, parent);
      st != status::kSuccess) {
    return st;
  }
  if (rest.empty()) {
    result = std::move(parent);
    return status::kSuccess;
  }
  return Walk(std::move(parent), {rest.back()}, create, Follow::kEveryLink, links, result);
}

Status Model::Open(KeyHandle parent, const std::string& subKey, std::uint32_t access, bool create,
                   Follow follow, KeyHandle& result) {
  // The parent handle's own rights play no part, as on Windows.
  result = 0;
  std::shared_ptr<Node> node;
  if (const Status st = Resolve(parent, Wide(subKey), create, follow, node);
      st != status::kSuccess) {
    return st;
  }
  const std::uint32_t rights = KeyRights(access);
  if ((node->denied & rights) != 0) return status::kAccessDenied;
  // An empty path below a predefined root hands back the root itself.
  if (!create && subKey.empty() && IsPredefinedRoot(parent)) {
    result = parent;
    return status::kSuccess;
  }
  // Keys reached through HKEY_CLASSES_ROOT are marked as its view.
  const bool classes =
      RootOf(parent) ? RootOf(parent) == kClassesRoot : (parent & 3) == kClassesView;
  result = NewHandle(node, rights, classes);
  return result ? status::kSuccess : kNoSystemResources;
}

Status Model::OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                      KeyHandle& result) {
  return Open(parent, subKey, access, false, Follow::kEveryLink, result);
}

Status Model::OpenKeyNoFollow(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                              KeyHandle& result) {
  return Open(parent, subKey, access, false, Follow::kAllButLast, result);
}

Status Model::CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                        KeyHandle& result) {
  return Open(parent, subKey, access, true, Follow::kEveryLink, result);
}

Status Model::CloseKey(KeyHandle key) {
  if (RootOf(key)) return status::kSuccess;
  // The low two bits are ignored here as everywhere: closing 7 closes 4.
  if (handles_.erase(key & ~KeyHandle{3}) == 0) return status::kInvalidHandle;
  freeHandles_.push_back(key & ~KeyHandle{3});
  return status::kSuccess;
}

Status Model::DeleteKey(KeyHandle parent, const std::string& subKey) {
  // The key is opened for deletion, a link followed, and deleted.
  std::shared_ptr<Node> node;
  if (const Status st = Resolve(parent, Wide(subKey), false, Follow::kEveryLink, node);
      st != status::kSuccess) {
    return st;
  }
  // Never a root, a hive's root or a key behind a predefined root, a key
  // with sub-keys or a key this user may not delete.
  if (node->fixed || node->ChildCount() != 0 || (node->denied & access::kDelete)) {
    return status::kAccessDenied;
  }
  node->Detach();
  return status::kSuccess;
}

Status Model::DeleteOpenKey(KeyHandle key) {
  if (RootOf(key)) return status::kInvalidHandle;  // no handle of the kernel's
  std::shared_ptr<Node> node;
  const Status st = Reach(key, access::kDelete, node);
  if (st == status::kKeyDeleted) return status::kSuccess;  // deleted once is enough
  if (st != status::kSuccess) return st;
  if (node->fixed || node->ChildCount() != 0) return status::kAccessDenied;
  node->Detach();
  return status::kSuccess;
}

Status Model::DeleteValue(KeyHandle key, const std::string& name) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kSetValue, node); st != status::kSuccess) return st;
  return node->TakeValue(FoldCase(Wide(name))) ? status::kSuccess : status::kFileNotFound;
}

Status Model::QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                         std::uint8_t* data, std::uint32_t* size) {
  if (data && !size) return status::kInvalidParameter;
  const std::uint32_t room = size ? *size : 0;
  // Without a buffer the size starts at 0, also for a query that fails.
  if (!data && size) *size = 0;
  if (RootOf(key) == kPerformanceData) {
    // The performance data are a blob larger than any first guess.
    if (type) *type = kBinary;
    return status::kMoreData;
  }
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kQueryValue, node); st != status::kSuccess) return st;
  const Node::Value* value = node->FindValue(FoldCase(Wide(name)));
  if (!value) return status::kFileNotFound;
  const std::string handed = AnsiData(value->type, value->data);
  const auto length = static_cast<std::uint32_t>(handed.size());
  if (type) *type = value->type;
  if (size) *size = length;
  if (!data) return status::kSuccess;
  if (room < length) return status::kMoreData;
  if (length > 0) std::memcpy(data, handed.data(), length);
  // A text without its NUL gets one where the buffer has room for it.
  if (IsTextType(value->type) && length > 0 && length < room && data[length - 1] != 0) {
    data[length] = 0;
  }
  return status::kSuccess;
}

Status Model::SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                       const std::uint8_t* data, std::uint32_t size) {
  if (size > 0 && !data) return kNoAccess;
  // A text whose count leaves out the NUL that follows it gets the NUL: the
  // byte past the count is read, as advapi32 reads it.
  if (IsTextType(type) && size > 0 && data[size - 1] != 0 && data[size] == 0) ++size;
  if (RootOf(key) == kPerformanceData) return status::kInvalidHandle;
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kSetValue, node); st != status::kSuccess) return st;
  const Text wide = Wide(name);
  if (wide.size() > kLongestValueName) return status::kInvalidParameter;
  // A link holds its target and nothing else.
  if (node->link && (type != kLinkType || FoldCase(wide) != FoldCase(kLinkValueName))) {
    return status::kAccessDenied;
  }
  Node::Value& value = node->PutValue(wide, [this](const Text& name) { return Narrow(name); });
  value.type = type;
  value.data = HeldData(type, std::string_view(reinterpret_cast<const char*>(data), size));
  return status::kSuccess;
}

Status Model::EnumKey(KeyHandle key, std::uint32_t index, char* name, std::uint32_t bufferLength) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kEnumerateSubKeys, node); st != status::kSuccess) {
    return st;
  }
  const auto* at = node->ChildAt(index);
  if (!at) return status::kNoMoreItems;
  const std::string child = Narrow((*at)->name);
  if (child.size() + 1 > bufferLength) return status::kMoreData;
  std::memcpy(name, child.c_str(), child.size() + 1);
  return status::kSuccess;
}

Status Model::EnumValue(KeyHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kQueryValue, node); st != status::kSuccess) return st;
  const Node::Value* at = node->ValueAt(index);
  if (!at) return status::kNoMoreItems;
  const std::string& value = at->listed;
  if (value.size() + 1 > *nameLength) {
    // As advapi32: the name cut to the buffer, whole characters only, the
    // length left as it was.
    // The NUL goes at the end of the buffer, after whatever fitted.
    if (*nameLength > 0) {
      std::memcpy(name, value.data(), WholeCharacters(codePage_, value, *nameLength - 1));
      name[*nameLength - 1] = '\0';
    }
    return status::kMoreData;
  }
  std::memcpy(name, value.c_str(), value.size() + 1);
  *nameLength = static_cast<std::uint32_t>(value.size());
  return status::kSuccess;
}

Status Model::QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) {
  std::shared_ptr<Node> node;
  if (const Status st = Reach(key, access::kQueryValue, node); st != status::kSuccess) return st;
  // In characters (UTF-16 units), not in the code page's bytes.
  *longestValueName = static_cast<std::uint32_t>(node->LongestValueName());
  return status::kSuccess;
}

Status Model::ConnectRegistry(const std::string& machine, KeyHandle root, KeyHandle& result) {
  result = 0;
  const auto computer = computers_.find(ComputerKey(machine));
  if (computer == computers_.end()) return status::kBadNetPath;
  const auto it = computer->second->roots.find(root);
  if (it == computer->second->roots.end()) return status::kInvalidHandle;
  // Connecting to this computer yields its own root.
  result = computer->second.get() == &Local()
               ? root
               : NewHandle(it->second, access::kAllValueAndKeyRights | 0xF0000, false);
  return result ? status::kSuccess : kNoSystemResources;
}

std::uint32_t Model::ExpandEnvironment(const std::string& source, char* destination,
                                       std::uint32_t destinationLength) {
  if (!destination && destinationLength != 0) return 0;  // no buffer to write into
  // The text ends at its NUL.
  const std::string expanded =
      ExpandReferences(source.c_str(), [this](const std::string& name) -> const std::string* {
        const auto it = environment_.find(FoldCase(Wide(name)));
        return it == environment_.end() ? nullptr : &it->second;
      });
  const auto length = static_cast<std::uint32_t>(expanded.size());
  // The text is written where the buffer has room for it, its NUL and one
  // byte more; otherwise the buffer gets an empty text (even with a length
  // of 0), and the answer asks for that one byte more.
  if (destinationLength > length + 1) {
    std::memcpy(destination, expanded.c_str(), length + 1);
    return length + 1;
  }
  if (destination) destination[0] = '\0';
  return length + 2;
}

}  // namespace memory
}  // namespace cregistry
