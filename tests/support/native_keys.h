// Keys that only the native registry calls make, for tests that need a
// registry as other programs leave it: links, and sub-keys whose names no
// ANSI call can spell. Windows only; paths below HKEY_CURRENT_USER.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// Makes path a registry link to target. False where either step fails.
bool MakeLinkKey(const std::string& path, const std::string& target);
// The sub-key name (any UTF-16, U+0000 included) of the key at path, made
// or opened through NtCreateKey or NtOpenKey with every right; nullptr where
// that fails. The caller closes it with CloseHandle.
HANDLE NativeSubKey(const std::string& path, const std::wstring& name, bool create);
// Deletes the key an open native handle holds (NtDeleteKey).
bool DeleteNativeKey(HANDLE key);

}  // namespace testing_support
