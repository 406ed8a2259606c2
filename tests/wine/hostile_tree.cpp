// DeleteTree on registries that other programs made hostile, for Wine's own
// reg.exe to check what is left: hostile_tree arrange | delete | clean.
// Below HKCU\Software\ResetParametriVelto-hostile: Victim\Child, which must
// survive; T, which holds a link to Victim; L, itself a link to Victim; H,
// which holds a sub-key whose name begins with U+0000; Deep, 600 levels.
#include <windows.h>
// After <windows.h>, which they need.
#include <shlwapi.h>

#include <cstdio>
#include <string>

#include "cregistry/cregistry.h"
#include "cregistry/win32_registry.h"
#include "native_keys.h"

namespace {

using namespace testing_support;

constexpr char kBase[] = "Software\\ResetParametriVelto-hostile";
const std::wstring kHidden(L"\0hidden", 7);

HKEY Create(const std::string& path, DWORD options = 0) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kBase) + "\\" + path).c_str(), 0, nullptr,
                  options, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return key;
}

bool MakeLink(const std::string& path) {
  return MakeLinkKey(std::string(kBase) + "\\" + path, std::string(kBase) + "\\Victim");
}

// The hidden sub-key of H, made or opened through the native calls.
HANDLE Hidden(bool create) {
  RegCloseKey(Create("H"));
  return NativeSubKey(std::string(kBase) + "\\H", kHidden, create);
}

bool Arrange() {
  const HKEY child = Create("Victim\\Child");
  const bool valued = RegSetValueExA(child, "v", 0, REG_SZ, (const BYTE*)"kept", 5) == 0;
  RegCloseKey(child);
  RegCloseKey(Create("T\\Plain"));
  RegCloseKey(Create("H\\Plain"));
  const HANDLE hidden = Hidden(true);
  CloseHandle(hidden);
  HKEY level = Create("Deep");
  for (int depth = 1; level && depth < 600; ++depth) {
    HKEY next = nullptr;
    RegCreateKeyExA(level, "L", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr);
    RegCloseKey(level);
    level = next;
  }
  const bool deep = level != nullptr;
  RegCloseKey(level);
  return valued && hidden && deep && MakeLink("T\\Plain\\Link") && MakeLink("L");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string phase = argc > 1 ? argv[1] : "";
  if (phase == "arrange") {
    if (!Arrange()) return 1;
  } else if (phase == "delete") {
    cregistry::Win32Registry service;
    cregistry::cRegistry reg(service);
    reg.ClassKey(HKEY_CURRENT_USER);  // the Windows handle, as <windows.h> defines it
    for (const char* name : {"T", "L", "H", "Deep"}) {
      reg.SectionKey(cregistry::FromUtf8(std::string(kBase) + "\\" + name));
      std::printf("%s: %s\n", name, reg.DeleteTree() ? "gone" : "stays");
    }
  } else if (phase == "clean") {
    if (const HANDLE hidden = Hidden(false)) {
      DeleteNativeKey(hidden);
      CloseHandle(hidden);
    }
    // No link is left by now: SHDeleteKeyA is safe here.
    SHDeleteKeyA(HKEY_CURRENT_USER, kBase);
  } else {
    return 2;
  }
  std::printf("hostile_tree: %s done\n", phase.c_str());
  return 0;
}
