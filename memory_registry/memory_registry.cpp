// MemoryRegistry: the in-memory registry (model.h) for any number of
// threads. One lock over the whole registry, held for the whole of each
// call, makes every call atomic, as Wine's registry server, which handles
// one request at a time, makes every registry call. Files are read and
// written outside it.
#include "cregistry/memory_registry.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "code_page.h"
#include "cregistry/reg_file_error.h"
#include "guarded.h"
#include "model.h"

namespace cregistry {

struct MemoryRegistry::Shared : Guarded<memory::Model> {
  using Guarded::Guarded;
};

// One call of a program: the model, locked, knowing who calls.
struct MemoryRegistry::Call {
  Call(Shared& shared, Program program) : locked(shared) { locked->Enter(program); }
  memory::Model* operator->() const { return &*locked; }
  Shared::Locked locked;
};

MemoryRegistry::Call MemoryRegistry::Enter() const { return Call(*shared_, program_); }

MemoryRegistry::MemoryRegistry(unsigned codePage, Program program)
    : codePage_(codePage),
      program_(program),
      shared_(std::make_shared<Shared>(codePage, program)) {}

MemoryRegistry::MemoryRegistry(const MemoryRegistry& registry, Program program)
    : codePage_(registry.codePage_), program_(program), shared_(registry.shared_) {
  if ((program == Program::kOn32BitWindows) != (registry.program_ == Program::kOn32BitWindows)) {
    throw std::invalid_argument(
        "MemoryRegistry: a program on 32-bit Windows and one on 64-bit Windows share no registry");
  }
}

MemoryRegistry::~MemoryRegistry() = default;

Status MemoryRegistry::OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                               KeyHandle& result) {
  return Enter()->OpenKey(parent, subKey, access, result);
}

Status MemoryRegistry::CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                                 KeyHandle& result) {
  return Enter()->CreateKey(parent, subKey, access, result);
}

Status MemoryRegistry::CloseKey(KeyHandle key) { return Enter()->CloseKey(key); }

Status MemoryRegistry::DeleteKey(KeyHandle parent, const std::string& subKey) {
  return Enter()->DeleteKey(parent, subKey);
}

Status MemoryRegistry::DeleteValue(KeyHandle key, const std::string& name) {
  return Enter()->DeleteValue(key, name);
}

Status MemoryRegistry::QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  return Enter()->QueryValue(key, name, type, data, size);
}

Status MemoryRegistry::SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  return Enter()->SetValue(key, name, type, data, size);
}

Status MemoryRegistry::EnumKey(KeyHandle key, std::uint32_t index, char* name,
                               std::uint32_t bufferLength) {
  return Enter()->EnumKey(key, index, name, bufferLength);
}

Status MemoryRegistry::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                                 std::uint32_t* nameLength) {
  return Enter()->EnumValue(key, index, name, nameLength);
}

Status MemoryRegistry::QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) {
  return Enter()->QueryInfoKey(key, longestValueName);
}

Status MemoryRegistry::ConnectRegistry(const std::string& machine, KeyHandle root,
                                       KeyHandle& result) {
  return Enter()->ConnectRegistry(machine, root, result);
}

std::uint32_t MemoryRegistry::ExpandEnvironment(const std::string& source, char* destination,
                                                std::uint32_t destinationLength) {
  return Enter()->ExpandEnvironment(source, destination, destinationLength);
}

void MemoryRegistry::MoveBytes(void* destination, const void* source, std::size_t count) {
  std::memmove(destination, source, count);
}

Status MemoryRegistry::OpenKeyNoFollow(KeyHandle parent, const std::string& subKey,
                                       std::uint32_t access, KeyHandle& result) {
  return Enter()->OpenKeyNoFollow(parent, subKey, access, result);
}

Status MemoryRegistry::DeleteOpenKey(KeyHandle key) { return Enter()->DeleteOpenKey(key); }

Status MemoryRegistry::DeleteKeyEx(KeyHandle parent, const std::string& subKey,
                                   std::uint32_t view) {
  return Enter()->DeleteKeyEx(parent, subKey, view);
}

std::optional<std::string> MemoryRegistry::ToCodePage(TextView text) const {
  return EncodeCodePage(codePage_, text);
}

Text MemoryRegistry::FromCodePage(std::string_view bytes) const {
  return DecodeCodePage(codePage_, bytes);
}

unsigned MemoryRegistry::MaxCharBytes() const { return cregistry::MaxCharBytes(codePage_); }

bool MemoryRegistry::DenyAccess(KeyHandle root, const std::string& path,
                                std::uint32_t deniedAccess) {
  return Enter()->DenyAccess(root, path, deniedAccess);
}

void MemoryRegistry::AddComputer(const std::string& name) { Enter()->AddComputer(name); }

void MemoryRegistry::SetVariable(const std::string& name, const std::string& value) {
  Enter()->SetVariable(name, value);
}

bool MemoryRegistry::AddWideKey(KeyHandle root, const std::string& path, const Text& name) {
  return Enter()->AddWideKey(root, path, name);
}

bool MemoryRegistry::AddLink(KeyHandle root, const std::string& path, KeyHandle targetRoot,
                             const std::string& targetPath) {
  return Enter()->AddLink(root, path, targetRoot, targetPath);
}

void MemoryRegistry::Remove(KeyHandle root, const std::string& path) {
  Enter()->Remove(root, path);
}

bool MemoryRegistry::KeyPresent(KeyHandle root, const std::string& path) const {
  return Enter()->KeyPresent(root, path);
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::Stored(KeyHandle root,
                                                                  const std::string& path,
                                                                  const std::string& name) const {
  return Enter()->Stored(root, path, name);
}

bool MemoryRegistry::Store(KeyHandle root, const std::string& path, const std::string& name,
                           std::uint32_t type, std::vector<std::uint8_t> data) {
  return Enter()->Store(root, path, name, type, std::move(data));
}

std::vector<std::string> MemoryRegistry::Dump() const { return Enter()->Dump(); }

std::optional<std::string> MemoryRegistry::KeyPath(KeyHandle key) const {
  return Enter()->KeyPath(key);
}

void MemoryRegistry::ImportReg(std::string_view file, std::uint32_t view) {
  Enter()->ImportReg(file, view);
}

void MemoryRegistry::ImportRegFile(const std::string& fileName, std::uint32_t view) {
  // A folder or a device is no file to read.
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) {
    throw RegFileError(0, "cannot read " + fileName + ": no such file");
  }
  std::ifstream in(fileName, std::ios::binary | std::ios::ate);
  std::string file(in ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
  if (!in || !in.seekg(0).read(file.data(), static_cast<std::streamsize>(file.size()))) {
    throw RegFileError(0, "cannot read " + fileName);
  }
  ImportReg(file, view);
}

std::string MemoryRegistry::ExportReg(KeyHandle root, const std::string& path,
                                      std::uint32_t view) const {
  return Enter()->ExportReg(root, path, view);
}

void MemoryRegistry::ExportRegFile(KeyHandle root, const std::string& path,
                                   const std::string& fileName, std::uint32_t view) const {
  const std::string file = ExportReg(root, path, view);
  // Written beside it, then put in its place whole: a reader of the file
  // never finds half a snapshot, which would read as a smaller one.
  const std::string writing = fileName + ".writing";
  std::ofstream out(writing, std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  out.close();  // what the stream still held is written only now
  std::error_code error;
  if (out) std::filesystem::rename(writing, fileName, error);
  if (!out || error) {
    std::filesystem::remove(writing, error);
    throw RegFileError(0, "cannot write " + fileName);
  }
}

}  // namespace cregistry
