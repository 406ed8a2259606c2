// The root hives and value type codes of the registry, as the registry
// service defines them: 32-bit signed values, carried unchanged.
//
// Note: <windows.h> defines the same names as macros. This header may come
// before or after it: the enumerations are declared with those macros set
// aside, and the macros are back afterwards. Where they are in scope,
// HKEY_CURRENT_USER and its siblings are Windows handles, which ClassKey and
// ValueEx take as well, and REG_SZ and its siblings are plain numbers.
#pragma once

#include <cstdint>

#pragma push_macro("HKEY_CLASSES_ROOT")
#pragma push_macro("HKEY_CURRENT_USER")
#pragma push_macro("HKEY_LOCAL_MACHINE")
#pragma push_macro("HKEY_USERS")
#pragma push_macro("HKEY_PERFORMANCE_DATA")
#pragma push_macro("HKEY_CURRENT_CONFIG")
#pragma push_macro("HKEY_DYN_DATA")
#pragma push_macro("REG_NONE")
#pragma push_macro("REG_SZ")
#pragma push_macro("REG_EXPAND_SZ")
#pragma push_macro("REG_BINARY")
#pragma push_macro("REG_DWORD")
#pragma push_macro("REG_DWORD_LITTLE_ENDIAN")
#pragma push_macro("REG_DWORD_BIG_ENDIAN")
#pragma push_macro("REG_LINK")
#pragma push_macro("REG_MULTI_SZ")
#pragma push_macro("REG_RESOURCE_LIST")
#pragma push_macro("REG_FULL_RESOURCE_DESCRIPTOR")
#pragma push_macro("REG_RESOURCE_REQUIREMENTS_LIST")
#pragma push_macro("REG_QWORD")
#undef HKEY_CLASSES_ROOT
#undef HKEY_CURRENT_USER
#undef HKEY_LOCAL_MACHINE
#undef HKEY_USERS
#undef HKEY_PERFORMANCE_DATA
#undef HKEY_CURRENT_CONFIG
#undef HKEY_DYN_DATA
#undef REG_NONE
#undef REG_SZ
#undef REG_EXPAND_SZ
#undef REG_BINARY
#undef REG_DWORD
#undef REG_DWORD_LITTLE_ENDIAN
#undef REG_DWORD_BIG_ENDIAN
#undef REG_LINK
#undef REG_MULTI_SZ
#undef REG_RESOURCE_LIST
#undef REG_FULL_RESOURCE_DESCRIPTOR
#undef REG_RESOURCE_REQUIREMENTS_LIST
#undef REG_QWORD

namespace cregistry {

// A root hive: its predefined handle value as a signed 32-bit number.
enum ERegistryHive : std::int32_t {
  HKEY_CLASSES_ROOT = INT32_MIN,          // 0x80000000
  HKEY_CURRENT_USER = INT32_MIN + 1,      // 0x80000001
  HKEY_LOCAL_MACHINE = INT32_MIN + 2,     // 0x80000002
  HKEY_USERS = INT32_MIN + 3,             // 0x80000003
  HKEY_PERFORMANCE_DATA = INT32_MIN + 4,  // 0x80000004
  HKEY_CURRENT_CONFIG = INT32_MIN + 5,    // 0x80000005
  HKEY_DYN_DATA = INT32_MIN + 6,          // 0x80000006
};

// A value type code. Codes without a name here are carried as numbers.
enum ERegistryValueType : std::int32_t {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_DWORD_LITTLE_ENDIAN = 4,
  REG_DWORD_BIG_ENDIAN = 5,
  REG_LINK = 6,
  REG_MULTI_SZ = 7,
  REG_RESOURCE_LIST = 8,
  REG_FULL_RESOURCE_DESCRIPTOR = 9,
  REG_RESOURCE_REQUIREMENTS_LIST = 10,
  REG_QWORD = 11,
};

// The view of the registry that the operations address: the process's own,
// or on 64-bit Windows the 64-bit or the 32-bit view, whichever the process
// is (the access flags KEY_WOW64_64KEY and KEY_WOW64_32KEY).
enum ERegistryView : std::int32_t {
  REGISTRY_VIEW_DEFAULT = 0,
  REGISTRY_VIEW_64 = 0x100,
  REGISTRY_VIEW_32 = 0x200,
};

}  // namespace cregistry

#pragma pop_macro("HKEY_CLASSES_ROOT")
#pragma pop_macro("HKEY_CURRENT_USER")
#pragma pop_macro("HKEY_LOCAL_MACHINE")
#pragma pop_macro("HKEY_USERS")
#pragma pop_macro("HKEY_PERFORMANCE_DATA")
#pragma pop_macro("HKEY_CURRENT_CONFIG")
#pragma pop_macro("HKEY_DYN_DATA")
#pragma pop_macro("REG_NONE")
#pragma pop_macro("REG_SZ")
#pragma pop_macro("REG_EXPAND_SZ")
#pragma pop_macro("REG_BINARY")
#pragma pop_macro("REG_DWORD")
#pragma pop_macro("REG_DWORD_LITTLE_ENDIAN")
#pragma pop_macro("REG_DWORD_BIG_ENDIAN")
#pragma pop_macro("REG_LINK")
#pragma pop_macro("REG_MULTI_SZ")
#pragma pop_macro("REG_RESOURCE_LIST")
#pragma pop_macro("REG_FULL_RESOURCE_DESCRIPTOR")
#pragma pop_macro("REG_RESOURCE_REQUIREMENTS_LIST")
#pragma pop_macro("REG_QWORD")

// The Windows key handle type, so that a root hive given as <windows.h>
// defines it (HKEY_CURRENT_USER is ((HKEY)(LONG)0x80000001)) can be taken.
struct HKEY__;

namespace cregistry {

// The 32-bit value of a root hive given as a Windows handle.
inline std::int32_t HiveValue(const ::HKEY__* hive) {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(hive));
}

}  // namespace cregistry
