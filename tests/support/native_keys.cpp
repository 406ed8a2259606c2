#include "native_keys.h"

// After <windows.h>, which it needs.
#include <winternl.h>

namespace testing_support {
namespace {

// An ntdll entry point, looked up.
template <typename Call>
Call Ntdll(const char* name) {
  return reinterpret_cast<Call>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

}  // namespace

bool MakeLinkKey(const std::string& path, const std::string& target) {
  UNICODE_STRING user{};
  Ntdll<NTSTATUS(NTAPI*)(PUNICODE_STRING)>("RtlFormatCurrentUserKeyPath")(&user);
  std::wstring native(user.Buffer, user.Length / 2);
  Ntdll<void(NTAPI*)(PUNICODE_STRING)>("RtlFreeUnicodeString")(&user);
  native += L"\\" + std::wstring(target.begin(), target.end());
  HKEY link = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                      KEY_ALL_ACCESS, nullptr, &link, nullptr) != 0) {
    return false;
  }
  const bool made = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                   reinterpret_cast<const BYTE*>(native.data()),
                                   static_cast<DWORD>(native.size() * 2)) == 0;
  RegCloseKey(link);
  return made;
}

HANDLE NativeSubKey(const std::string& path, const std::wstring& name, bool create) {
  HKEY parent = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &parent) != 0) return {};
  std::wstring buffer = name;
  const auto bytes = static_cast<USHORT>(buffer.size() * 2);
  UNICODE_STRING unicode{bytes, bytes, buffer.data()};
  OBJECT_ATTRIBUTES attributes{};
  attributes.Length = sizeof attributes;
  attributes.RootDirectory = parent;
  attributes.ObjectName = &unicode;
  HANDLE key = nullptr;
  using CreateCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG,
                                      PUNICODE_STRING, ULONG, PULONG);
  using OpenCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
  const NTSTATUS status = create ? Ntdll<CreateCall>("NtCreateKey")(
                                       &key, KEY_ALL_ACCESS, &attributes, 0, nullptr, 0, nullptr)
                                 : Ntdll<OpenCall>("NtOpenKey")(&key, KEY_ALL_ACCESS, &attributes);
  RegCloseKey(parent);
  return status == 0 ? key : nullptr;
}

bool DeleteNativeKey(HANDLE key) {
  return Ntdll<NTSTATUS(NTAPI*)(HANDLE)>("NtDeleteKey")(key) == 0;
}

}  // namespace testing_support
