// Writes a few representative values and one file-type association through
// cRegistry, so that Wine's own reg.exe can check what reached the registry.
#include <cstdio>

#include "cregistry/cregistry.h"
#include "cregistry/win32_registry.h"

#include <windows.h>
#include <string>

using namespace cregistry;

int main() {
  cregistry::Win32Registry service;
  cRegistry reg(service);
  try {
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(u"Software\\ResetParametriVelto-oracle\\Values");
    const struct {
      const char16_t* name;
      std::int32_t type;
      Variant value;
    } writes[] = {
        {u"text", REG_SZ, Variant(u"citt\u00e0 \u20ac")},
        {u"empty", REG_SZ, Variant(u"")},
        {u"expand", REG_SZ, Variant(u"%PATH%;x")},
        {u"notExpand", REG_EXPAND_SZ, Variant(u"C:\\Data")},
        {u"dword", REG_DWORD, Variant(std::int16_t{-1})},
        {u"bigEndian", REG_DWORD_BIG_ENDIAN, Variant(1)},
        {u"binary", REG_BINARY, Variant(ByteArray{1, {10, 20, 30}})},
        {u"emptyBinary", REG_BINARY, Variant(ByteArray{0, {}})},
        {u"", REG_SZ, Variant(u"default")},
        // Literals and Windows' wide strings store their text.
        {u"literal16", REG_SZ, Variant(u"Hello")},
        {u"literalWide", REG_SZ, Variant(L"Hello")},
        {u"wideString", REG_SZ, Variant(std::wstring(L"Ciao").c_str())},
        {u"dwordFromWindows", REG_DWORD, Variant(DWORD{0xFFFFFFFE})},
    };
    for (const auto& write : writes) {
      reg.ValueKey(write.name);
      reg.ValueType(write.type);
      reg.Value(write.value);
    }
    // Windows' wide strings for the names too.
    const std::wstring section = L"Software\\ResetParametriVelto-oracle\\Values";
    reg.ValueEx(HKEY_CURRENT_USER, section, L"wideNames", REG_SZ, Variant(), Variant(L"ok"));
    reg.CreateEXEAssociation(u"%ProgramFiles%\\Velto\\viewer.exe", u"RPV.Oracle.File",
                             u"Oracle file", u"rpvoracle", u"", true, u"", false, u"", false, u"",
                             0);
    reg.ClassKey(HKEY_CLASSES_ROOT);
    reg.CreateAdditionalEXEAssociations(u"RPV.Oracle.File",
                                        {u"edit", u"&Modifica", u"notepad.exe \"%1\""});
  } catch (const RegistryError& error) {
    std::fprintf(stderr, "RegistryError %d: %s\n", error.Number, error.what());
    return 1;
  }
  std::printf("oracle_writer: values and association written\n");
  return 0;
}
