// The root hives and value type codes of the registry, as the registry
// service defines them: 32-bit signed values, carried unchanged.
#pragma once

#include <cstdint>

// These names are the registry's own; <windows.h> defines the same names as
// macros, so the two never meet in one translation unit.
#if defined(HKEY_CLASSES_ROOT) || defined(REG_SZ)
#error "registry_types.h cannot share a translation unit with <windows.h>"
#endif

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
