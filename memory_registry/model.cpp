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

// The keys below HKEY_LOCAL_MACHINE\SOFTWARE that 64-bit Windows (7 and
// later) shares between its two views, as "Registry Keys Affected by
// WOW64" lists them: the 32-bit view finds these and what is below them in
// the 64-bit view's place, and every other key below Wow6432Node.
constexpr const char16_t* kSharedBelowSoftware[] = {
    u"Classes",
    u"Clients",
    u"Microsoft\\COM3",
    u"Microsoft\\Cryptography\\Calais\\Current",
    u"Microsoft\\Cryptography\\Calais\\Readers",
    u"Microsoft\\Cryptography\\Services",
    u"Microsoft\\CTF\\SystemShared",
    u"Microsoft\\CTF\\TIP",
    u"Microsoft\\DFS",
    u"Microsoft\\Driver Signing",
    u"Microsoft\\EnterpriseCertificates",
    u"Microsoft\\EventSystem",
    u"Microsoft\\MSMQ",
    u"Microsoft\\Non-Driver Signing",
    u"Microsoft\\Notepad\\DefaultFonts",
    u"Microsoft\\OLE",
    u"Microsoft\\RAS",
    u"Microsoft\\RPC",
    u"Microsoft\\Shared Tools\\MSInfo",
    u"Microsoft\\SystemCertificates",
    u"Microsoft\\TermServLicensing",
    u"Microsoft\\Transaction Server",
    u"Microsoft\\Windows\\CurrentVersion\\App Paths",
    u"Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes",
    u"Microsoft\\Windows\\CurrentVersion\\Explorer\\AutoplayHandlers",
    u"Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons",
    u"Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap",
    u"Microsoft\\Windows\\CurrentVersion\\Group Policy",
    u"Microsoft\\Windows\\CurrentVersion\\Policies",
    u"Microsoft\\Windows\\CurrentVersion\\PreviewHandlers",
    u"Microsoft\\Windows\\CurrentVersion\\Setup",
    u"Microsoft\\Windows\\CurrentVersion\\Telephony\\Locations",
    u"Microsoft\\Windows NT\\CurrentVersion\\Console",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontDpi",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontLink",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontMapper",
    u"Microsoft\\Windows NT\\CurrentVersion\\Fonts",
    u"Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
    u"Microsoft\\Windows NT\\CurrentVersion\\Gre_Initialize",
    u"Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options",
    u"Microsoft\\Windows NT\\CurrentVersion\\Language Pack",
    u"Microsoft\\Windows NT\\CurrentVersion\\NetworkCards",
    u"Microsoft\\Windows NT\\CurrentVersion\\Perflib",
    u"Microsoft\\Windows NT\\CurrentVersion\\Ports",
    u"Microsoft\\Windows NT\\CurrentVersion\\Print",
    u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
    u"Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
    u"Policies",
    u"RegisteredApplications",
};
// The keys below a Classes key that the 32-bit view finds below its
// Wow6432Node.
constexpr const char16_t* kRedirectedClasses[] = {u"CLSID", u"DirectShow", u"Interface",
                                                  u"Media Type", u"MediaFoundation"};
// What Classes\Wow6432Node leads up to Classes itself, as links do there.
constexpr const char16_t* kLinkedUpFromWowClasses[] = {u"AppID", u"Protocols", u"TypeLib"};
constexpr char16_t kWow6432Node[] = u"Wow6432Node";

bool Is(const Text& level, const char16_t* name) { return FoldCase(level) == FoldCase(name); }

template <std::size_t N>
bool IsOneOf(const Text& level, const char16_t* const (&names)[N]) {
  return std::any_of(std::begin(names), std::end(names),
                     [&level](const char16_t* name) { return Is(level, name); });
}

// Whether the levels from first on name a key that the views share.
bool SharedBelowSoftware(const std::vector<Text>& levels, std::size_t first) {
  return std::any_of(std::begin(kSharedBelowSoftware), std::end(kSharedBelowSoftware),
                     [&](const char16_t* shared) {
                       const auto path = SplitPath(shared);
                       if (levels.size() - first < path.size()) return false;
                       for (std::size_t i = 0; i < path.size(); ++i) {
                         if (!Is(levels[first + i], path[i].c_str())) return false;
                       }
                       return true;
                     });
}

// A key's shared pointer, from its parent's.
std::shared_ptr<Node> Owned(const Node& key) { return *key.parent->Child(FoldCase(key.name)); }

}  // namespace

Model::Model(unsigned codePage, MemoryRegistry::Program program)
    : codePage_(codePage),
      windows64_(program != MemoryRegistry::Program::kOn32BitWindows),
      program_(program),
      nextHandle_(kFirstHandle) {
  auto& local = computers_[ComputerKey(MemoryRegistry::kLocalComputer)];
  local = std::make_unique<Computer>(windows64_);
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

Model::OpenHandle* Model::HandleOf(KeyHandle key) {
  // Windows ignores the low two bits of a handle value: 7 is taken as 4.
  const auto it = handles_.find(key & ~KeyHandle{3});
  return it == handles_.end() ? nullptr : &it->second;
}

const Model::OpenHandle* Model::HandleOf(KeyHandle key) const {
  return const_cast<Model*>(this)->HandleOf(key);
}

std::shared_ptr<Node> Model::NodeOf(KeyHandle key) const {
  if (const auto root = RootOf(key)) {
    // The performance data are no key that can be opened or written.
    return *root == kPerformanceData ? nullptr : Local().roots.at(*root);
  }
  const auto* handle = HandleOf(key);
  return handle ? Reached(handle->key) : nullptr;
}

std::shared_ptr<Node> Model::Reached(const Key& key) const {
  if (!key.merged) return key.node;
  const auto user = UserHalf(key);
  return user ? user : MachineHalf(key);
}

std::optional<Model::Key> Model::KeyOf(KeyHandle key) {
  if (const auto root = RootOf(key)) {
    if (*root == kPerformanceData) return std::nullopt;
    Key held;
    held.view = *ViewOf(0, key);
    // HKEY_CLASSES_ROOT merges the user's classes over the machine's.
    held.merged = *root == kClassesRoot;
    held.node = Local().roots.at(*root);
    return held;
  }
  const auto* handle = HandleOf(key);
  return handle ? std::optional<Key>(handle->key) : std::nullopt;
}

std::shared_ptr<Node> Model::UserHalf(const Key& key) const {
  if (!key.user) {
    int links = kMostLinks;
    std::shared_ptr<Node> found;
    if (Walk(Local().userClasses, key.levels, false, key.follow, key.view, links, found) ==
        status::kSuccess) {
      key.user = std::move(found);  // from now on the key reaches the user's
    }
  }
  return key.user;
}

std::shared_ptr<Node> Model::MachineHalf(const Key& key) const {
  if (!key.machine) {
    int links = kMostLinks;
    std::shared_ptr<Node> found;
    if (Walk(Local().roots.at(kClassesRoot), key.levels, false, key.follow, key.view, links,
             found) == status::kSuccess) {
      key.machine = std::move(found);
    }
  }
  return key.machine;
}

Status Model::Reach(KeyHandle key, std::uint32_t needed, Reaching& reached) {
  auto* handle = RootOf(key) ? nullptr : HandleOf(key);
  std::optional<Key> root;
  if (!handle) {
    root = RootOf(key) ? KeyOf(key) : std::nullopt;
    if (!root) return status::kInvalidHandle;
  }
  const Key& held = handle ? handle->key : *root;
  // The handle's rights come first; the predefined roots carry them all.
  if (handle && (handle->access & needed) == 0) return status::kAccessDenied;
  if (!held.merged) {
    reached = {held.node, nullptr, nullptr, false};
    return held.node->deleted ? status::kKeyDeleted : status::kSuccess;
  }
  // A merged key is gone with the half it reaches: the user's, once found.
  reached.merged = true;
  reached.user = UserHalf(held);
  reached.machine = MachineHalf(held);
  if (reached.machine && reached.machine->deleted) reached.machine = nullptr;
  reached.node = reached.user ? reached.user : reached.machine;
  if (!reached.node || reached.node->deleted) return status::kKeyDeleted;
  return status::kSuccess;
}

KeyHandle Model::NewHandle(Key key, std::uint32_t access) {
  KeyHandle handle = 0;
  if (!freeHandles_.empty()) {
    handle = freeHandles_.back();
    freeHandles_.pop_back();
  } else if (nextHandle_ <= kLastHandle) {
    handle = nextHandle_;
    nextHandle_ += 4;
  } else {
    return 0;  // every value in use
  }
  // Keys reached through HKEY_CLASSES_ROOT are marked as its view.
  const bool classes = key.merged;
  handles_[handle] = {std::move(key), access};
  return classes ? handle | kClassesView : handle;
}

std::optional<Model::View> Model::ViewOf(std::uint32_t access, KeyHandle parent) {
  if (!windows64_) return View::kOne;
  switch (access & access::kViews) {
    case access::kView64:
      return View::k64;
    case access::kView32:
      return View::k32;
    case access::kViews:
      return std::nullopt;  // both at once
    default:
      break;
  }
  // An open below a handle stays in the handle's view; below a root, the
  // program's own.
  if (const auto* handle = RootOf(parent) ? nullptr : HandleOf(parent)) return handle->key.view;
  return program_ == MemoryRegistry::Program::k32BitOn64BitWindows ? View::k32 : View::k64;
}

Status Model::Resolve(KeyHandle parent, const Text& path, bool create, Follow follow, View view,
                      Key& result, Made* made) {
  const auto held = KeyOf(parent);
  const auto at = held ? Reached(*held) : nullptr;
  if (!held) return status::kInvalidHandle;
  if (!at || at->deleted) return status::kKeyDeleted;
  // One leading backslash is taken below HKEY_CLASSES_ROOT alone.
  const bool classes = RootOf(parent) == kClassesRoot;
  const TextView relative =
      classes && !path.empty() && path.front() == u'\\' ? TextView(path).substr(1) : TextView(path);
  if (!relative.empty() && relative.front() == u'\\') return kBadPathName;
  const auto levels = SplitPath(Text(relative));
  for (const auto& level : levels) {
    if (level.size() > kLongestKeyName) return status::kInvalidParameter;
  }
  result = Key{};
  result.view = view;
  result.follow = follow;
  int links = kMostLinks;
  if (!held->merged) {
    return Walk(at, levels, create, follow, view, links, result.node, made);
  }
  // Below HKEY_CLASSES_ROOT: the user's key where there is one, else the
  // machine's; a new key is made among the machine's.
  result.merged = true;
  result.levels = held->levels;
  result.levels.insert(result.levels.end(), levels.begin(), levels.end());
  const Status user =
      Walk(Local().userClasses, result.levels, false, follow, view, links, result.user);
  if (user == kThroughLink) return user;
  links = kMostLinks;
  const Status machine =
      Walk(Local().roots.at(kClassesRoot), result.levels, create && user != status::kSuccess,
           follow, view, links, result.machine, made);
  return user == status::kSuccess && machine != kThroughLink ? status::kSuccess : machine;
}

Status Model::Walk(std::shared_ptr<Node> node, std::vector<Text> levels, bool create, Follow follow,
                   View view, int& links, std::shared_ptr<Node>& result, Made* made) const {
  if (view == View::k32) {
    // The 32-bit view redirects by a key's whole path: a walk that starts
    // below a redirecting key, outside its Wow6432Node, starts there.
    std::vector<Text> above;
    for (const Node* at = node.get(); at && at->parent; at = at->parent) {
      if (at->redirect == Node::Redirect::kWowSoftware ||
          at->redirect == Node::Redirect::kWowClasses) {
        break;
      }
      if (at->redirect == Node::Redirect::kSoftware || at->redirect == Node::Redirect::kClasses) {
        if (at != node.get()) {
          levels.insert(levels.begin(), above.rbegin(), above.rend());
          node = Owned(*at);
        }
        break;
      }
      above.push_back(at->name);
    }
  }
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const bool last = i + 1 == levels.size();
    // The redirector's rules. In the 32-bit view, Wow6432Node named on the
    // way is the view's own place, and the keys it does not share are below
    // it; in any view the links Windows keeps for old programs lead on.
    if (view == View::k32 && node->redirect == Node::Redirect::kSoftware) {
      if (Is(levels[i], kWow6432Node)) continue;
      if (!SharedBelowSoftware(levels, i)) node = *node->Child(FoldCase(kWow6432Node));
    }
    if (view == View::k32 && node->redirect == Node::Redirect::kClasses) {
      if (!last && Is(levels[i], kWow6432Node)) continue;
      if (IsOneOf(levels[i], kRedirectedClasses)) node = *node->Child(FoldCase(kWow6432Node));
    }
    if (node->redirect == Node::Redirect::kWowSoftware && Is(levels[i], u"Classes")) {
      node = *(*node->parent->Child(FoldCase(u"Classes")))->Child(FoldCase(kWow6432Node));
      continue;
    }
    if (node->redirect == Node::Redirect::kWowClasses &&
        IsOneOf(levels[i], kLinkedUpFromWowClasses)) {
      node = Owned(*node->parent);
    }
    if (const auto* child = node->Child(FoldCase(levels[i]))) {
      node = *child;
    } else {
      if (!create) return status::kFileNotFound;
      if (node->denied & access::kCreateSubKey) return status::kAccessDenied;
      if (node->level >= kDeepestLevel) return status::kInvalidParameter;
      node = node->AddChild(levels[i]);
      if (made) made->push_back(node);
    }
    if (node->link && follow == Follow::kRefuse) return kThroughLink;
    if (node->link && (follow == Follow::kEveryLink || (follow == Follow::kAllButLast && !last))) {
      if (const Status st = Target(*node, create, links, node); st != status::kSuccess) {
        return st;
      }
    }
  }
  // The 32-bit view's HKEY_LOCAL_MACHINE\SOFTWARE is its Wow6432Node.
  if (view == View::k32 && node->redirect == Node::Redirect::kSoftware) {
    node = *node->Child(FoldCase(kWow6432Node));
  }
  result = std::move(node);
  return status::kSuccess;
}

Status Model::Target(const Node& link, bool create, int& links,
                     std::shared_ptr<Node>& result) const {
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
          Walk(Local().roots.at(root), above, false, Follow::kEveryLink, View::kOne, links, parent);
      st != status::kSuccess) {
    return st;
  }
  if (rest.empty()) {
    result = std::move(parent);
    return status::kSuccess;
  }
  return Walk(std::move(parent), {rest.back()}, create, Follow::kEveryLink, View::kOne, links,
              result);
}

Status Model::Open(KeyHandle parent, const std::string& subKey, std::uint32_t access, bool create,
                   Follow follow, KeyHandle& result) {
  // The parent handle's own rights play no part, as on Windows.
  result = 0;
  const auto view = ViewOf(access, parent);
  if (!view) return status::kInvalidParameter;
  Key key;
  if (const Status st = Resolve(parent, Wide(subKey), create, follow, *view, key);
      st != status::kSuccess) {
    return st;
  }
  const auto node = Reached(key);
  if (!node) return status::kFileNotFound;
  // The view's bits are no rights.
  const std::uint32_t rights = KeyRights(access & ~access::kViews);
  if ((node->denied & rights) != 0) return status::kAccessDenied;
  // An empty path below a predefined root hands back the root itself.
  if (!create && subKey.empty() && IsPredefinedRoot(parent)) {
    result = parent;
    return status::kSuccess;
  }
  result = NewHandle(std::move(key), rights);
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

Status Model::Delete(KeyHandle parent, const std::string& subKey, std::uint32_t access) {
  // The key is opened for deletion in the view, a link followed, and
  // deleted: below HKEY_CLASSES_ROOT the user's key first.
  const auto view = ViewOf(access, parent);
  if (!view) return status::kInvalidParameter;
  Key key;
  if (const Status st = Resolve(parent, Wide(subKey), false, Follow::kEveryLink, *view, key);
      st != status::kSuccess) {
    return st;
  }
  const auto node = Reached(key);
  if (!node) return status::kFileNotFound;
  // Never a root, a hive's root or a key behind a predefined root, a key
  // with sub-keys or a key this user may not delete.
  if (node->fixed || node->ChildCount() != 0 || (node->denied & access::kDelete)) {
    return status::kAccessDenied;
  }
  node->Detach();
  return status::kSuccess;
}

Status Model::DeleteKey(KeyHandle parent, const std::string& subKey) {
  return Delete(parent, subKey, 0);
}

Status Model::DeleteKeyEx(KeyHandle parent, const std::string& subKey, std::uint32_t view) {
  return Delete(parent, subKey, view & access::kViews);
}

Status Model::DeleteOpenKey(KeyHandle key) {
  if (RootOf(key)) return status::kInvalidHandle;  // no handle of the kernel's
  Reaching reached;
  const Status st = Reach(key, access::kDelete, reached);
  if (st == status::kKeyDeleted) return status::kSuccess;  // deleted once is enough
  if (st != status::kSuccess) return st;
  if (reached.node->fixed || reached.node->ChildCount() != 0) return status::kAccessDenied;
  reached.node->Detach();
  return status::kSuccess;
}

Status Model::DeleteValue(KeyHandle key, const std::string& name) {
  Reaching reached;
  if (const Status st = Reach(key, access::kSetValue, reached); st != status::kSuccess) return st;
  const Text folded = FoldCase(Wide(name));
  // A merged key's value is deleted where a read finds it.
  if (reached.node->TakeValue(folded)) return status::kSuccess;
  if (reached.machine && reached.machine != reached.node && reached.machine->TakeValue(folded)) {
    return status::kSuccess;
  }
  return status::kFileNotFound;
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
  Reaching reached;
  if (const Status st = Reach(key, access::kQueryValue, reached); st != status::kSuccess) {
    return st;
  }
  // A merged key's value is the user's, else the machine's.
  const Text folded = FoldCase(Wide(name));
  const Node::Value* value = reached.node->FindValue(folded);
  if (!value && reached.machine) value = reached.machine->FindValue(folded);
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
  Reaching reached;
  if (const Status st = Reach(key, access::kSetValue, reached); st != status::kSuccess) return st;
  const auto& node = reached.node;
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

template <typename Entry, typename Count, typename At, typename Rank>
const Entry* Model::MergedAt(const Node* user, const Node* machine, std::size_t index, Count count,
                             At at, Rank rankInMachine) {
  const std::size_t userCount = user ? count(*user) : 0;
  if (index < userCount) return at(*user, index);
  if (!machine) return nullptr;
  // The machine's entries that the user's lack: the wanted one's place
  // among the machine's is past as many of those the user has too.
  std::vector<std::size_t> shared;
  for (std::size_t i = 0; i < userCount; ++i) {
    if (const auto rank = rankInMachine(*machine, *at(*user, i))) shared.push_back(*rank);
  }
  std::sort(shared.begin(), shared.end());
  std::size_t rank = index - userCount;
  for (const std::size_t taken : shared) {
    if (taken > rank) break;
    ++rank;
  }
  return rank < count(*machine) ? at(*machine, rank) : nullptr;
}

Status Model::EnumKey(KeyHandle key, std::uint32_t index, char* name, std::uint32_t bufferLength) {
  Reaching reached;
  if (const Status st = Reach(key, access::kEnumerateSubKeys, reached); st != status::kSuccess) {
    return st;
  }
  const Node* child = nullptr;
  if (!reached.merged) {
    const auto* at = reached.node->ChildAt(index);
    child = at ? at->get() : nullptr;
  } else {
    // A merged key lists the user's sub-keys, then the machine's others.
    const auto* at = MergedAt<std::shared_ptr<Node>>(
        reached.user.get(), reached.machine.get(), index,
        [](const Node& node) { return node.ChildCount(); },
        [](const Node& node, std::size_t i) { return node.ChildAt(i); },
        [](const Node& machine, const std::shared_ptr<Node>& entry) {
          return machine.ChildRank(FoldCase(entry->name));
        });
    child = at ? at->get() : nullptr;
  }
  if (!child) return status::kNoMoreItems;
  const std::string listed = Narrow(child->name);
  if (listed.size() + 1 > bufferLength) return status::kMoreData;
  std::memcpy(name, listed.c_str(), listed.size() + 1);
  return status::kSuccess;
}

Status Model::EnumValue(KeyHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength) {
  Reaching reached;
  if (const Status st = Reach(key, access::kQueryValue, reached); st != status::kSuccess) {
    return st;
  }
  const Node::Value* at = nullptr;
  if (!reached.merged) {
    at = reached.node->ValueAt(index);
  } else {
    // A merged key lists the user's values, then the machine's others.
    at = MergedAt<Node::Value>(
        reached.user.get(), reached.machine.get(), index,
        [](const Node& node) { return node.ValueCount(); },
        [](const Node& node, std::size_t i) { return node.ValueAt(i); },
        [](const Node& machine, const Node::Value& entry) {
          return machine.ValueRank(FoldCase(entry.name));
        });
  }
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
  Reaching reached;
  if (const Status st = Reach(key, access::kQueryValue, reached); st != status::kSuccess) {
    return st;
  }
  // In characters (UTF-16 units), not in the code page's bytes; a merged
  // key's of both halves.
  std::size_t longest = reached.node->LongestValueName();
  if (reached.machine) longest = std::max(longest, reached.machine->LongestValueName());
  *longestValueName = static_cast<std::uint32_t>(longest);
  return status::kSuccess;
}

std::vector<std::pair<Text, Model::Key>> Model::SubKeys(const Key& key) const {
  // Each listed name, opened below the key in its view as a program opens
  // it, a link itself.
  std::vector<std::pair<Text, Key>> keys;
  const auto add = [&](const Node& node, const Node* except) {
    node.ForEachChild([&](const Node& child) {
      if (except && except->Child(FoldCase(child.name))) return;
      Key sub;
      sub.view = key.view;
      sub.follow = Follow::kAllButLast;
      if (key.merged) {
        sub.merged = true;
        sub.levels = key.levels;
        sub.levels.push_back(child.name);
      } else {
        int links = kMostLinks;
        if (Walk(key.node, {child.name}, false, Follow::kAllButLast, key.view, links, sub.node) !=
            status::kSuccess) {
          return;
        }
      }
      keys.emplace_back(child.name, std::move(sub));
    });
  };
  if (!key.merged) {
    add(*key.node, nullptr);
    return keys;
  }
  const auto user = UserHalf(key);
  const auto machine = MachineHalf(key);
  if (user) add(*user, nullptr);
  if (machine) add(*machine, user.get());
  return keys;
}

std::vector<const Node::Value*> Model::Values(const Key& key) const {
  std::vector<const Node::Value*> values;
  const auto add = [&values](const Node& node, const Node* except) {
    node.ForEachValue([&](const Node::Value& value) {
      if (!except || !except->FindValue(FoldCase(value.name))) values.push_back(&value);
    });
  };
  const auto user = key.merged ? UserHalf(key) : key.node;
  const auto machine = key.merged ? MachineHalf(key) : nullptr;
  if (user) add(*user, nullptr);
  if (machine) add(*machine, user.get());
  return values;
}

Status Model::ConnectRegistry(const std::string& machine, KeyHandle root, KeyHandle& result) {
  result = 0;
  const auto computer = computers_.find(ComputerKey(machine));
  if (computer == computers_.end()) return status::kBadNetPath;
  const auto it = computer->second->roots.find(root);
  if (it == computer->second->roots.end()) return status::kInvalidHandle;
  // Connecting to this computer yields its own root.
  if (computer->second.get() == &Local()) {
    result = root;
    return status::kSuccess;
  }
  Key key;
  key.node = it->second;
  key.view = *ViewOf(0, root);
  result = NewHandle(std::move(key), access::kAllValueAndKeyRights | 0xF0000);
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
