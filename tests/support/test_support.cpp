#include "test_support.h"

#include <cstdlib>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// After <windows.h>, which they need.
#include <sddl.h>
#include <winternl.h>
#else
#include <unistd.h>
#endif

namespace cregistry {

void PrintTo(const Variant& value, std::ostream* out) {
  static const char* const kKinds[] = {"Empty", "Integer", "Long",   "Text",
                                       "Bytes", "Double",  "Boolean"};
  *out << kKinds[static_cast<int>(value.kind())] << "(" << cregistry::ToUtf8(value.ToText()) << ")";
  if (const auto* bytes = value.AsBytes()) {
    *out << " from " << bytes->LowerBound;
  }
}

}  // namespace cregistry

namespace testing_support {
namespace {

#ifdef _WIN32
// The tests' common parent key goes when the last test has removed its own.
class RemoveTestRoot : public ::testing::Environment {
 public:
  void TearDown() override {
    cregistry::Win32Registry().DeleteKey(kHkcu, "Software\\ResetParametriVelto-test");
  }
};
const auto* const kRemoveTestRoot = ::testing::AddGlobalTestEnvironment(new RemoveTestRoot);
#endif

}  // namespace

cregistry::Text ThisComputer() {
#ifdef _WIN32
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD length = sizeof name;
  if (!GetComputerNameA(name, &length)) return {};
  return cregistry::FromUtf8(std::string_view(name, length));
#else
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return cregistry::FromUtf8(name);
#endif
}

void SetVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

#ifdef _WIN32
namespace {

// An ntdll entry point, looked up.
template <typename Call>
Call Ntdll(const char* name) {
  return reinterpret_cast<Call>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// The hidden sub-key of path, created or opened.
HANDLE HiddenKey(const std::string& path, bool create) {
  HKEY parent = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &parent) != 0) return {};
  std::wstring name(kHiddenName.begin(), kHiddenName.end());
  UNICODE_STRING unicode{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2),
                         name.data()};
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

}  // namespace

void MakeWin32Link(const std::string& path, const std::string& target) {
  UNICODE_STRING user{};
  Ntdll<NTSTATUS(NTAPI*)(PUNICODE_STRING)>("RtlFormatCurrentUserKeyPath")(&user);
  std::wstring native(user.Buffer, user.Length / 2);
  Ntdll<void(NTAPI*)(PUNICODE_STRING)>("RtlFreeUnicodeString")(&user);
  native += L"\\" + std::wstring(target.begin(), target.end());
  HKEY link = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                            KEY_ALL_ACCESS, nullptr, &link, nullptr),
            0)
      << path;
  EXPECT_EQ(RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                           reinterpret_cast<const BYTE*>(native.data()),
                           static_cast<DWORD>(native.size() * 2)),
            0);
  RegCloseKey(link);
}

void DenyWin32Query(const std::string& path) {
  // Everyone is refused KEY_QUERY_VALUE, and allowed every other key right.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(D;;0x1;;;WD)(A;;0xF003F;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, &key), 0) << path;
  EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), 0);
  RegCloseKey(key);
  LocalFree(descriptor);
}

void AddWin32Hidden(const std::string& path) {
  const HANDLE key = HiddenKey(path, true);
  ASSERT_NE(key, nullptr) << path;
  CloseHandle(key);
}

void RemoveWin32Hidden(const std::string& path) {
  if (const HANDLE key = HiddenKey(path, false)) {
    Ntdll<NTSTATUS(NTAPI*)(HANDLE)>("NtDeleteKey")(key);
    CloseHandle(key);
  }
  cregistry::Win32Registry service;
  DeleteTree(service, kHkcu, path);
}
#endif

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

const CodePageTexts& TextsFor(unsigned codePage) {
  // "Città €"; eight Japanese characters, one (表) with 0x5C, the backslash,
  // as its second byte in 932.
  static const CodePageTexts kWestern{u"Citt\u00e0 \u20ac", "Citt\xe0 \x80", u'\u00e8', u"\uFF3C"};
  static const CodePageTexts kJapanese{
      u"\u65e5\u672c\u8a9e\u306e\u8868\u793a\u8a2d\u5b9a",
      "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\x5c\x8e\xa6\x90\xdd\x92\xe8", u'\u8a9e', u"\u00a5"};
  static const CodePageTexts kUtf8{
      u"Citt\u00e0 \u20ac\u65e5\u672c\u8a9e\u306e\u8868\u793a\u8a2d\u5b9a",
      "Citt\xc3\xa0 \xe2\x82\xac\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe8\xa1\xa8\xe7"
      "\xa4\xba\xe8\xa8\xad\xe5\xae\x9a",
      u'\u8a9e', cregistry::Text(1, u'\xD800')};
  switch (codePage) {
    case 932:
      return kJapanese;
    case 65001:
      return kUtf8;
    default:
      return kWestern;
  }
}

}  // namespace testing_support
