// The registry service as the registry class uses it: the ANSI registry
// calls of advapi32, the environment expansion and the byte copy of kernel32,
// and the conversion of text to and from the service's ANSI code page.
//
// Every call returns the platform's status (0 for success) and never throws.
// Names and texts cross this boundary as bytes of the ANSI code page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cregistry/text.h"

namespace cregistry {

// A registry key handle as the service hands it out. The predefined roots
// are the 32-bit hive values sign-extended, as the Windows headers define
// HKEY_CURRENT_USER and its siblings.
using KeyHandle = std::uintptr_t;
using Status = std::int32_t;

constexpr KeyHandle RootHandle(std::int32_t hive) {
  return static_cast<KeyHandle>(static_cast<std::intptr_t>(hive));
}

// True for the handle values of the predefined roots (0x80000000 to
// 0x80000006), which are never closed.
constexpr bool IsPredefinedRoot(KeyHandle key) {
  for (std::int32_t hive = INT32_MIN; hive <= INT32_MIN + 6; ++hive) {
    if (key == RootHandle(hive)) {
      return true;
    }
  }
  return false;
}

namespace status {
constexpr Status kSuccess = 0;
constexpr Status kFileNotFound = 2;
constexpr Status kAccessDenied = 5;
constexpr Status kInvalidHandle = 6;
constexpr Status kInvalidData = 13;
constexpr Status kBadNetPath = 53;
constexpr Status kInvalidParameter = 87;
constexpr Status kMoreData = 234;
constexpr Status kNoMoreItems = 259;
constexpr Status kKeyDeleted = 1018;
}  // namespace status

namespace access {
constexpr std::uint32_t kQueryValue = 0x1;
constexpr std::uint32_t kSetValue = 0x2;
constexpr std::uint32_t kCreateSubKey = 0x4;
constexpr std::uint32_t kEnumerateSubKeys = 0x8;
constexpr std::uint32_t kNotify = 0x10;
constexpr std::uint32_t kCreateLink = 0x20;
// The union of the six rights above, without any standard rights.
constexpr std::uint32_t kAllValueAndKeyRights = 0x3F;
// The standard right to delete the key itself.
constexpr std::uint32_t kDelete = 0x10000;
// The view of the registry that a 32-bit program on 64-bit Windows asks for
// (KEY_WOW64_64KEY, KEY_WOW64_32KEY); without either, the process's own.
constexpr std::uint32_t kView64 = 0x100;
constexpr std::uint32_t kView32 = 0x200;
constexpr std::uint32_t kViews = kView64 | kView32;
}  // namespace access

class RegistryService {
 public:
  virtual ~RegistryService() = default;

  // RegOpenKeyExA with options 0.
  virtual Status OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                         KeyHandle& result) = 0;
  // RegCreateKeyExA with reserved 0, class "", options 0 and a zeroed
  // SECURITY_ATTRIBUTES record; creates every missing level of the path.
  virtual Status CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                           KeyHandle& result) = 0;
  // RegCloseKey. Never throws: it runs in destructors.
  virtual Status CloseKey(KeyHandle key) = 0;
  // RegDeleteKeyA: refused for a key that still has sub-keys. A registry
  // link named last is followed: its target is what is deleted.
  virtual Status DeleteKey(KeyHandle parent, const std::string& subKey) = 0;
  // RegDeleteValueA.
  virtual Status DeleteValue(KeyHandle key, const std::string& name) = 0;
  // RegQueryValueExA. With a data buffer smaller than the value's data the
  // call reports kMoreData and sets size to the byte count needed.
  virtual Status QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) = 0;
  // RegSetValueExA.
  virtual Status SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) = 0;
  // RegEnumKeyA: the index-th sub-key name, NUL-terminated, in a buffer of
  // bufferLength characters.
  virtual Status EnumKey(KeyHandle key, std::uint32_t index, char* name,
                         std::uint32_t bufferLength) = 0;
  // RegEnumValueA for the name only. nameLength is the buffer length in
  // characters on entry and the name's length without its NUL on return.
  virtual Status EnumValue(KeyHandle key, std::uint32_t index, char* name,
                           std::uint32_t* nameLength) = 0;
  // RegQueryInfoKeyA for the longest value name, in characters.
  virtual Status QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) = 0;
  // RegConnectRegistryA: a handle to the root on another computer.
  virtual Status ConnectRegistry(const std::string& machine, KeyHandle root, KeyHandle& result) = 0;
  // ExpandEnvironmentStringsA: the characters the expansion needs with its
  // NUL; the text is written only when destinationLength is large enough.
  virtual std::uint32_t ExpandEnvironment(const std::string& source, char* destination,
                                          std::uint32_t destinationLength) = 0;
  // RtlMoveMemory.
  virtual void MoveBytes(void* destination, const void* source, std::size_t count) = 0;

  // Note: a registry link is a key whose value SymbolicLinkValue (REG_LINK,
  // a native path in UTF-16) names another key. Opening it, or any path
  // through it, reaches its target; RegDeleteKeyA deletes the target. These
  // two calls reach and delete the key that a path names, a link included,
  // without following it. (A key that is no link may hold such a value too.)

  // RegOpenKeyExA with REG_OPTION_OPEN_LINK: a link named last is opened
  // itself, not followed; links earlier in the path are followed.
  virtual Status OpenKeyNoFollow(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                                 KeyHandle& result) = 0;
  // NtDeleteKey: deletes the key an open handle holds (which needs the
  // handle's kDelete right), refused for a key that still has sub-keys. The
  // handle stays open, and must still be closed.
  virtual Status DeleteOpenKey(KeyHandle key) = 0;

  // RegDeleteKeyExA: RegDeleteKeyA in the view that view names (access::
  // kView64 or kView32; 0 is the process's own). A service without views
  // deletes as DeleteKey for view 0 and answers 120 (not implemented) for
  // another.
  virtual Status DeleteKeyEx(KeyHandle parent, const std::string& subKey, std::uint32_t view) {
    return view == 0 ? DeleteKey(parent, subKey) : Status{120};
  }

  // UTF-16 to the service's ANSI code page. Yields nothing when the code
  // page cannot hold the text exactly: nothing is ever sent substituted.
  virtual std::optional<std::string> ToCodePage(TextView text) const = 0;
  // The service's ANSI code page back to UTF-16.
  virtual Text FromCodePage(std::string_view bytes) const = 0;
  // The ANSI code page's number (1252, 932, 65001...).
  virtual unsigned CodePage() const = 0;
  // The most bytes that one character takes in the ANSI code page.
  virtual unsigned MaxCharBytes() const = 0;
};

}  // namespace cregistry
