// The in-memory registry itself: the keys, values, handles, computers and
// environment that MemoryRegistry holds, and every call and direct access
// on them, for one caller at a time. MemoryRegistry lets the calls of any
// number of threads in, one at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cregistry/memory_registry.h"
#include "cregistry/registry_service.h"
#include "node.h"

namespace cregistry {
namespace memory {

class Model {
 public:
  // A computer of the kind that program runs on.
  Model(unsigned codePage, MemoryRegistry::Program program);
  ~Model();
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;

  // The program that makes the calls from now on (of the computer's kind).
  void Enter(MemoryRegistry::Program program) { program_ = program; }

  // --- The service's calls, as MemoryRegistry documents them ---------------
  Status OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                 KeyHandle& result);
  Status CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                   KeyHandle& result);
  Status CloseKey(KeyHandle key);
  Status DeleteKey(KeyHandle parent, const std::string& subKey);
  Status DeleteValue(KeyHandle key, const std::string& name);
  Status QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size);
  Status SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size);
  Status EnumKey(KeyHandle key, std::uint32_t index, char* name, std::uint32_t bufferLength);
  Status EnumValue(KeyHandle key, std::uint32_t index, char* name, std::uint32_t* nameLength);
  Status QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName);
  Status ConnectRegistry(const std::string& machine, KeyHandle root, KeyHandle& result);
  std::uint32_t ExpandEnvironment(const std::string& source, char* destination,
                                  std::uint32_t destinationLength);
  Status OpenKeyNoFollow(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                         KeyHandle& result);
  Status DeleteOpenKey(KeyHandle key);
  Status DeleteKeyEx(KeyHandle parent, const std::string& subKey, std::uint32_t view);

  // --- The direct access and the .reg files, as MemoryRegistry documents
  // them -------------------------------------------------------------------
  bool DenyAccess(KeyHandle root, const std::string& path, std::uint32_t deniedAccess);
  void AddComputer(const std::string& name);
  void SetVariable(const std::string& name, const std::string& value);
  bool AddWideKey(KeyHandle root, const std::string& path, const Text& name);
  bool AddLink(KeyHandle root, const std::string& path, KeyHandle targetRoot,
               const std::string& targetPath);
  void Remove(KeyHandle root, const std::string& path);
  bool KeyPresent(KeyHandle root, const std::string& path) const;
  std::optional<MemoryRegistry::StoredValue> Stored(KeyHandle root, const std::string& path,
                                                    const std::string& name) const;
  bool Store(KeyHandle root, const std::string& path, const std::string& name, std::uint32_t type,
             std::vector<std::uint8_t> data);
  std::vector<std::string> Dump() const;
  std::optional<std::string> KeyPath(KeyHandle key) const;
  void ImportReg(std::string_view file, std::uint32_t view);
  std::string ExportReg(KeyHandle root, const std::string& path, std::uint32_t view);

 private:
  // The view an open is made in: kOne on Windows without WOW64, whose one
  // registry every view is; on 64-bit Windows the 64-bit or the 32-bit one.
  enum class View : std::uint8_t { kOne, k64, k32 };
  // (kRefuse: a link met is kThroughLink, as a .reg file needs.)
  enum class Follow { kEveryLink, kAllButLast, kNone, kRefuse };
  // What a path reaches and a handle holds: a key as it is held, or a key
  // of HKEY_CLASSES_ROOT, which merges the user's classes over the
  // machine's: its path below that root, as named, reached in its view with
  // its links followed as when it was opened, and its halves, each held
  // from the moment it is found (the user's is looked for until then).
  struct Key {
    std::shared_ptr<Node> node;
    bool merged = false;
    std::vector<Text> levels;
    mutable std::shared_ptr<Node> user, machine;
    View view = View::kOne;
    Follow follow = Follow::kEveryLink;
  };
  struct OpenHandle {
    Key key;
    std::uint32_t access;
  };
  // The keys a handle or root reaches now, for a call that needs the
  // rights: the key itself (of a merged key, the user's if there is one,
  // else the machine's), and of a merged key both halves.
  struct Reaching {
    std::shared_ptr<Node> node, user, machine;
    bool merged = false;
  };

  // Names as the service holds them: UTF-16, and the code page's bytes.
  Text Wide(const std::string& bytes) const;
  std::string Narrow(const Text& name) const;
  // Data of the ANSI calls as they are held (texts in UTF-16), and back.
  std::vector<std::uint8_t> HeldData(std::uint32_t type, std::string_view bytes) const;
  std::string AnsiData(std::uint32_t type, const std::vector<std::uint8_t>& held) const;
  Text ComputerKey(const std::string& machine) const;
  // A key as it is held, for the direct access (HKEY_CLASSES_ROOT is the
  // machine's classes).
  std::shared_ptr<Node> NodeOf(KeyHandle key) const;
  std::shared_ptr<Node> Find(KeyHandle root, const std::string& path) const;
  OpenHandle* HandleOf(KeyHandle key);
  const OpenHandle* HandleOf(KeyHandle key) const;
  // The key a root or handle holds; nothing for neither.
  std::optional<Key> KeyOf(KeyHandle key);
  Status Reach(KeyHandle key, std::uint32_t needed, Reaching& reached);
  // The halves of a merged key, as they are now, and the key it reaches:
  // the user's, else the machine's.
  std::shared_ptr<Node> UserHalf(const Key& key) const;
  std::shared_ptr<Node> MachineHalf(const Key& key) const;
  std::shared_ptr<Node> Reached(const Key& key) const;
  KeyHandle NewHandle(Key key, std::uint32_t access);
  // The view of an open with that access below parent; nothing for both
  // views at once.
  std::optional<View> ViewOf(std::uint32_t access, KeyHandle parent);
  // The key at path below parent in the view: created where missing when
  // asked, links followed as asked (a service call's; the direct access
  // follows none). The keys made are added to made, when given.
  static constexpr Status kThroughLink = -1;
  using Made = std::vector<std::shared_ptr<Node>>;
  Status Resolve(KeyHandle parent, const Text& path, bool create, Follow follow, View view,
                 Key& result, Made* made = nullptr);
  Status Walk(std::shared_ptr<Node> node, std::vector<Text> levels, bool create, Follow follow,
              View view, int& links, std::shared_ptr<Node>& result, Made* made = nullptr) const;
  // The sub-keys and values of a key as a listing through it finds them (a
  // merged key's: the user's, then the machine's that the user's lack).
  std::vector<std::pair<Text, Key>> SubKeys(const Key& key) const;
  std::vector<const Node::Value*> Values(const Key& key) const;
  // The view a .reg file's keys are addressed in, as reg.exe's /reg:32 or
  // /reg:64 picks it.
  View RegView(std::uint32_t view) const;
  // Where a link leads: its target, made when asked if only its last
  // level is missing, as the kernel's reparse does.
  Status Target(const Node& link, bool create, int& links, std::shared_ptr<Node>& result) const;
  // An open or create below parent, as OpenKey, CreateKey and
  // OpenKeyNoFollow make it.
  Status Open(KeyHandle parent, const std::string& subKey, std::uint32_t access, bool create,
              Follow follow, KeyHandle& result);
  Status Delete(KeyHandle parent, const std::string& subKey, std::uint32_t access);
  // The index-th entry of a merged listing: the user's entries, then the
  // machine's that the user's lack (a map operation for each of the user's
  // entries).
  template <typename Entry, typename Count, typename At, typename Rank>
  static const Entry* MergedAt(const Node* user, const Node* machine, std::size_t index,
                               Count count, At at, Rank rankInMachine);
  // Removes a key with everything below it (a root stays).
  void Remove(Node& key);
  // The key at path below root for the direct access, made with every
  // missing level where each can be, and room for that many levels below.
  bool Make(KeyHandle root, const std::string& path, std::shared_ptr<Node>& node, int below = 0);
  Computer& Local() const { return *local_; }

  unsigned codePage_;
  bool windows64_;                   // the computer is 64-bit Windows, with its two views
  MemoryRegistry::Program program_;  // the program that makes the calls
  std::map<Text, std::unique_ptr<Computer>> computers_;  // by folded name
  Computer* local_;
  std::map<KeyHandle, OpenHandle> handles_;
  KeyHandle nextHandle_;
  std::vector<KeyHandle> freeHandles_;       // closed, to be given out again
  std::map<Text, std::string> environment_;  // by folded name
};

}  // namespace memory
}  // namespace cregistry
