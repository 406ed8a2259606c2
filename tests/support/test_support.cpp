#include "test_support.h"

#include <cstdlib>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// After <windows.h>, which they need.
#include <sddl.h>

#include "native_keys.h"
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

Program ThisProgram() {
#ifdef _WIN32
  if (sizeof(void*) == 8) return Program::k64BitOn64BitWindows;
  BOOL wow64 = FALSE;
  using IsWow64Call = BOOL(WINAPI*)(HANDLE, PBOOL);
  // Looked up: Windows XP before SP2 has none.
  const auto isWow64 = reinterpret_cast<IsWow64Call>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  if (isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64) {
    return Program::k32BitOn64BitWindows;
  }
#endif
  return Program::kOn32BitWindows;
}

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
void MakeWin32Link(const std::string& path, const std::string& target) {
  ASSERT_TRUE(MakeLinkKey(path, target)) << path;
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
  const std::wstring name(kHiddenName.begin(), kHiddenName.end());
  const HANDLE key = NativeSubKey(path, name, true);
  ASSERT_NE(key, nullptr) << path;
  CloseHandle(key);
}

void RemoveWin32Hidden(const std::string& path) {
  const std::wstring name(kHiddenName.begin(), kHiddenName.end());
  if (const HANDLE key = NativeSubKey(path, name, false)) {
    DeleteNativeKey(key);
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
