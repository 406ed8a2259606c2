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

namespace cregistry {
namespace memory {

struct Node;
struct Computer;

class Model {
 public:
  explicit Model(unsigned codePage);
  ~Model();
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;

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
  void ImportReg(std::string_view file);
  std::string ExportReg(KeyHandle root, const std::string& path) const;

 private:
  struct OpenHandle {
    std::shared_ptr<Node> node;
    std::uint32_t access;
  };

  // Names as the service holds them: UTF-16, and the code page's bytes.
  Text Wide(const std::string& bytes) const;
  std::string Narrow(const Text& name) const;
  // Data of the ANSI calls as they are held (texts in UTF-16), and back.
  std::vector<std::uint8_t> HeldData(std::uint32_t type, std::string_view bytes) const;
  std::string AnsiData(std::uint32_t type, const std::vector<std::uint8_t>& held) const;
  Text ComputerKey(const std::string& machine) const;
  std::shared_ptr<Node> NodeOf(KeyHandle key) const;
  std::shared_ptr<Node> Find(KeyHandle root, const std::string& path) const;
  const OpenHandle* HandleOf(KeyHandle key) const;
  // The key behind a handle, if the handle is valid, its key not deleted and
  // its access includes the needed rights.
  Status Reach(KeyHandle key, std::uint32_t needed, std::shared_ptr<Node>& node) const;
  KeyHandle NewHandle(std::shared_ptr<Node> node, std::uint32_t access, bool classesView);
  // The key at path below parent: created where missing when asked, links
  // followed as asked (a service call's; the direct access follows none).
  enum class Follow { kEveryLink, kAllButLast, kNone };
  Status Resolve(KeyHandle parent, const Text& path, bool create, Follow follow,
                 std::shared_ptr<Node>& result);
  Status Walk(std::shared_ptr<Node> node, const std::vector<Text>& levels, bool create,
              Follow follow, int& links, std::shared_ptr<Node>& result);
  // Where a link leads: its target, made when asked if only its last
  // level is missing, as the kernel's reparse does.
  Status Target(const Node& link, bool create, int& links, std::shared_ptr<Node>& result);
  // An open or create below parent, as OpenKey, CreateKey and
  // OpenKeyNoFollow make it.
  Status Open(KeyHandle parent, const std::string& subKey, std::uint32_t access, bool create,
              Follow follow, KeyHandle& result);
  // Removes a key with everything below it (a root stays).
  void Remove(Node& key);
  // The key at path below root for the direct access, made with every
  // missing level where each can be, and room for that many levels below.
  bool Make(KeyHandle root, const std::string& path, std::shared_ptr<Node>& node, int below = 0);
  Computer& Local() const { return *local_; }

  unsigned codePage_;
  std::map<Text, std::unique_ptr<Computer>> computers_;  // by folded name
  Computer* local_;
  std::map<KeyHandle, OpenHandle> handles_;
  KeyHandle nextHandle_;
  std::vector<KeyHandle> freeHandles_;       // closed, to be given out again
  std::map<Text, std::string> environment_;  // by folded name
};

}  // namespace memory
}  // namespace cregistry
