// The registry service of Windows itself: advapi32's ANSI entry points and
// kernel32, text converted with the process's ANSI code page (CP_ACP).
// It holds no state of its own, and keeps what advapi32 guarantees: any
// thread may make any call at any moment, each call is atomic (a value is
// read whole, as it was before a concurrent write or after it), and a handle
// closed or a key deleted by another thread answers 6 or 1018. One object
// may serve any number of threads.
#pragma once

#include "cregistry/registry_service.h"

namespace cregistry {

class Win32Registry final : public RegistryService {
 public:
  Status OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                 KeyHandle& result) override;
  Status CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                   KeyHandle& result) override;
  Status CloseKey(KeyHandle key) override;
  Status DeleteKey(KeyHandle parent, const std::string& subKey) override;
  Status DeleteValue(KeyHandle key, const std::string& name) override;
  Status QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* size) override;
  Status SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t size) override;
  Status EnumKey(KeyHandle key, std::uint32_t index, char* name,
                 std::uint32_t bufferLength) override;
  Status EnumValue(KeyHandle key, std::uint32_t index, char* name,
                   std::uint32_t* nameLength) override;
  Status QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) override;
  Status ConnectRegistry(const std::string& machine, KeyHandle root, KeyHandle& result) override;
  std::uint32_t ExpandEnvironment(const std::string& source, char* destination,
                                  std::uint32_t destinationLength) override;
  void MoveBytes(void* destination, const void* source, std::size_t count) override;
  Status OpenKeyNoFollow(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                         KeyHandle& result) override;
  Status DeleteOpenKey(KeyHandle key) override;
  // RegDeleteKeyExA where advapi32 has it; 32-bit Windows XP has none, nor
  // any view but its one registry: there, RegDeleteKeyA.
  Status DeleteKeyEx(KeyHandle parent, const std::string& subKey, std::uint32_t view) override;
  std::optional<std::string> ToCodePage(TextView text) const override;
  Text FromCodePage(std::string_view bytes) const override;
  unsigned CodePage() const override;
  unsigned MaxCharBytes() const override;
};

}  // namespace cregistry
