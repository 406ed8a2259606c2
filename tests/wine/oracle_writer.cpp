// Writes a few representative values and one file-type association through
// cRegistry, so that Wine's own reg.exe can check what reached the registry.
#include <cstdio>

#include "cregistry/cregistry.h"
#include "cregistry/win32_registry.h"

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
    };
    for (const auto& write : writes) {
      reg.ValueKey(write.name);
      reg.ValueType(write.type);
      reg.Value(write.value);
    }
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
