// MemoryRegistry: the in-memory registry (model.h) for any number of
// threads. One lock over the whole registry, held for the whole of each
// call, makes every call atomic, as Wine's registry server, which handles
// one request at a time, makes every registry call. Files are read and
// written outside it.
#include "cregistry/memory_registry.h"

#include <cstring>
#include <filesystem>
#include <fstream>

#include "code_page.h"
#include "cregistry/reg_file_error.h"
#include "guarded.h"
#include "model.h"

namespace cregistry {

struct MemoryRegistry::Shared : Guarded<memory::Model> {
  using Guarded::Guarded;
};

MemoryRegistry::MemoryRegistry(unsigned codePage)
    : codePage_(codePage), shared_(std::make_unique<Shared>(codePage)) {}

MemoryRegistry::~MemoryRegistry() = default;

Status MemoryRegistry::OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                               KeyHandle& result) {
  return shared_->Lock()->OpenKey(parent, subKey, access, result);
}

Status MemoryRegistry::CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                                 KeyHandle& result) {
  return shared_->Lock()->CreateKey(parent, subKey, access, result);
}

Status MemoryRegistry::CloseKey(KeyHandle key) { return shared_->Lock()->CloseKey(key); }

Status MemoryRegistry::DeleteKey(KeyHandle parent, const std::string& subKey) {
  return shared_->Lock()->DeleteKey(parent, subKey);
}

Status MemoryRegistry::DeleteValue(KeyHandle key, const std::string& name) {
  return shared_->Lock()->DeleteValue(key, name);
}

Status MemoryRegistry::QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  return shared_->Lock()->QueryValue(key, name, type, data, size);
}

Status MemoryRegistry::SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  return shared_->Lock()->SetValue(key, name, type, data, size);
}

Status MemoryRegistry::EnumKey(KeyHandle key, std::uint32_t index, char* name,
                               std::uint32_t bufferLength) {
  return shared_->Lock()->EnumKey(key, index, name, bufferLength);
}

Status MemoryRegistry::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                                 std::uint32_t* nameLength) {
  return shared_->Lock()->EnumValue(key, index, name, nameLength);
}

Status MemoryRegistry::QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) {
  return shared_->Lock()->QueryInfoKey(key, longestValueName);
}

Status MemoryRegistry::ConnectRegistry(const std::string& machine, KeyHandle root,
                                       KeyHandle& result) {
  return shared_->Lock()->ConnectRegistry(machine, root, result);
}

std::uint32_t MemoryRegistry::ExpandEnvironment(const std::string& source, char* destination,
                                                std::uint32_t destinationLength) {
  return shared_->Lock()->ExpandEnvironment(source, destination, destinationLength);
}

void MemoryRegistry::MoveBytes(void* destination, const void* source, std::size_t count) {
  std::memmove(destination, source, count);
}

Status MemoryRegistry::OpenKeyNoFollow(KeyHandle parent, const std::string& subKey,
                                       std::uint32_t access, KeyHandle& result) {
  return shared_->Lock()->OpenKeyNoFollow(parent, subKey, access, result);
}

Status MemoryRegistry::DeleteOpenKey(KeyHandle key) { return shared_->Lock()->DeleteOpenKey(key); }

std::optional<std::string> MemoryRegistry::ToCodePage(TextView text) const {
  return EncodeCodePage(codePage_, text);
}

Text MemoryRegistry::FromCodePage(std::string_view bytes) const {
  return DecodeCodePage(codePage_, bytes);
}

unsigned MemoryRegistry::MaxCharBytes() const { return cregistry::MaxCharBytes(codePage_); }

bool MemoryRegistry::DenyAccess(KeyHandle root, const std::string& path,
                                std::uint32_t deniedAccess) {
  return shared_->Lock()->DenyAccess(root, path, deniedAccess);
}

void MemoryRegistry::AddComputer(const std::string& name) { shared_->Lock()->AddComputer(name); }

void MemoryRegistry::SetVariable(const std::string& name, const std::string& value) {
  shared_->Lock()->SetVariable(name, value);
}

bool MemoryRegistry::AddWideKey(KeyHandle root, const std::string& path, const Text& name) {
  return shared_->Lock()->AddWideKey(root, path, name);
}

bool MemoryRegistry::AddLink(KeyHandle root, const std::string& path, KeyHandle targetRoot,
                             const std::string& targetPath) {
  return shared_->Lock()->AddLink(root, path, targetRoot, targetPath);
}

void MemoryRegistry::Remove(KeyHandle root, const std::string& path) {
  shared_->Lock()->Remove(root, path);
}

bool MemoryRegistry::KeyPresent(KeyHandle root, const std::string& path) const {
  return shared_->Lock()->KeyPresent(root, path);
}

std::optional<MemoryRegistry::StoredValue> MemoryRegistry::Stored(KeyHandle root,
                                                                  const std::string& path,
                                                                  const std::string& name) const {
  return shared_->Lock()->Stored(root, path, name);
}

bool MemoryRegistry::Store(KeyHandle root, const std::string& path, const std::string& name,
                           std::uint32_t type, std::vector<std::uint8_t> data) {
  return shared_->Lock()->Store(root, path, name, type, std::move(data));
}

std::vector<std::string> MemoryRegistry::Dump() const { return shared_->Lock()->Dump(); }

std::optional<std::string> MemoryRegistry::KeyPath(KeyHandle key) const {
  return shared_->Lock()->KeyPath(key);
}

void MemoryRegistry::ImportReg(std::string_view file) { shared_->Lock()->ImportReg(file); }

void MemoryRegistry::ImportRegFile(const std::string& fileName) {
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
  ImportReg(file);
}

std::string MemoryRegistry::ExportReg(KeyHandle root, const std::string& path) const {
  return shared_->Lock()->ExportReg(root, path);
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
