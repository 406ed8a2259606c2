#include "cregistry/win32_registry.h"

#include <windows.h>

#include "windows_text.h"

// The headers turn RtlMoveMemory into memmove; the class has always called
// kernel32's own entry point.
#undef RtlMoveMemory
extern "C" __declspec(dllimport) void WINAPI
    RtlMoveMemory(void* destination, const void* source, SIZE_T length);

namespace cregistry {
namespace {

HKEY Key(KeyHandle key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

Status Win32Registry::OpenKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                              KeyHandle& result) {
  HKEY opened = nullptr;
  const LONG status = RegOpenKeyExA(Key(parent), subKey.c_str(), 0, access, &opened);
  result = reinterpret_cast<KeyHandle>(opened);
  return status;
}

Status Win32Registry::CreateKey(KeyHandle parent, const std::string& subKey, std::uint32_t access,
                                KeyHandle& result) {
  // The class string is "" and the security record is present but zeroed,
  // exactly as the registry class has always passed them.
  char emptyClass[] = "";
  SECURITY_ATTRIBUTES security{};
  HKEY created = nullptr;
  DWORD disposition = 0;
  const LONG status =
      RegCreateKeyExA(Key(parent), subKey.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, access,
                      &security, &created, &disposition);
  result = reinterpret_cast<KeyHandle>(created);
  return status;
}

Status Win32Registry::CloseKey(KeyHandle key) { return RegCloseKey(Key(key)); }

Status Win32Registry::DeleteKey(KeyHandle parent, const std::string& subKey) {
  return RegDeleteKeyA(Key(parent), subKey.c_str());
}

Status Win32Registry::DeleteKeyEx(KeyHandle parent, const std::string& subKey, std::uint32_t view) {
  // Looked up, not imported: the program still starts on Windows XP.
  using DeleteKeyExCall = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
  const auto deleteKeyEx = reinterpret_cast<DeleteKeyExCall>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExA")));
  return deleteKeyEx ? deleteKeyEx(Key(parent), subKey.c_str(), view, 0)
                     : RegDeleteKeyA(Key(parent), subKey.c_str());
}

Status Win32Registry::DeleteValue(KeyHandle key, const std::string& name) {
  return RegDeleteValueA(Key(key), name.c_str());
}

Status Win32Registry::QueryValue(KeyHandle key, const std::string& name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) {
  // The outputs go through as they are: what the call leaves alone stays.
  DWORD storedType = type ? *type : 0;
  DWORD byteCount = size ? *size : 0;
  const LONG status =
      RegQueryValueExA(Key(key), name.c_str(), nullptr, type ? &storedType : nullptr, data,
                       size ? &byteCount : nullptr);
  if (type) {
    *type = storedType;
  }
  if (size) {
    *size = byteCount;
  }
  return status;
}

Status Win32Registry::SetValue(KeyHandle key, const std::string& name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
  return RegSetValueExA(Key(key), name.c_str(), 0, type, data, size);
}

Status Win32Registry::EnumKey(KeyHandle key, std::uint32_t index, char* name,
                              std::uint32_t bufferLength) {
  return RegEnumKeyA(Key(key), index, name, bufferLength);
}

Status Win32Registry::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                                std::uint32_t* nameLength) {
  DWORD length = *nameLength;
  const LONG status =
      RegEnumValueA(Key(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
  *nameLength = length;
  return status;
}

Status Win32Registry::QueryInfoKey(KeyHandle key, std::uint32_t* longestValueName) {
  char emptyClass[] = "";
  DWORD classLength = 0;
  DWORD subKeys = 0, longestSubKey = 0, longestClass = 0, values = 0;
  DWORD longestName = *longestValueName, longestData = 0, securityBytes = 0;
  FILETIME lastWrite{};
  const LONG status = RegQueryInfoKeyA(Key(key), emptyClass, &classLength, nullptr, &subKeys,
                                       &longestSubKey, &longestClass, &values, &longestName,
                                       &longestData, &securityBytes, &lastWrite);
  *longestValueName = longestName;
  return status;
}

Status Win32Registry::ConnectRegistry(const std::string& machine, KeyHandle root,
                                      KeyHandle& result) {
  HKEY connected = nullptr;
  const LONG status = RegConnectRegistryA(machine.c_str(), Key(root), &connected);
  result = reinterpret_cast<KeyHandle>(connected);
  return status;
}

std::uint32_t Win32Registry::ExpandEnvironment(const std::string& source, char* destination,
                                               std::uint32_t destinationLength) {
  return ExpandEnvironmentStringsA(source.c_str(), destination, destinationLength);
}

void Win32Registry::MoveBytes(void* destination, const void* source, std::size_t count) {
  RtlMoveMemory(destination, source, count);
}

Status Win32Registry::OpenKeyNoFollow(KeyHandle parent, const std::string& subKey,
                                      std::uint32_t access, KeyHandle& result) {
  HKEY opened = nullptr;
  const LONG status =
      RegOpenKeyExA(Key(parent), subKey.c_str(), REG_OPTION_OPEN_LINK, access, &opened);
  result = reinterpret_cast<KeyHandle>(opened);
  return status;
}

Status Win32Registry::DeleteOpenKey(KeyHandle key) {
  // No advapi32 call deletes the key a handle holds: each opens a name, and
  // follows a link. ntdll's is looked up rather than imported, and its
  // status turned into a Windows one as advapi32 turns it.
  using DeleteKeyCall = LONG(NTAPI*)(HANDLE);
  using ToWindowsStatus = ULONG(NTAPI*)(LONG);
  // A predefined root is no handle of the kernel's.
  if (IsPredefinedRoot(key)) return ERROR_INVALID_HANDLE;
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto deleteKey = reinterpret_cast<DeleteKeyCall>(
      reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtDeleteKey")));
  const auto toWindows = reinterpret_cast<ToWindowsStatus>(
      reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
  if (!deleteKey || !toWindows) return ERROR_CALL_NOT_IMPLEMENTED;
  return static_cast<Status>(toWindows(deleteKey(reinterpret_cast<HANDLE>(key))));
}

std::optional<std::string> Win32Registry::ToCodePage(TextView text) const {
  return WindowsEncode(CP_ACP, text);
}

Text Win32Registry::FromCodePage(std::string_view bytes) const {
  return WindowsDecode(CP_ACP, bytes);
}

unsigned Win32Registry::CodePage() const { return GetACP(); }

unsigned Win32Registry::MaxCharBytes() const {
  CPINFO info{};
  return GetCPInfo(CP_ACP, &info) ? info.MaxCharSize : 4;
}

}  // namespace cregistry
