#include "registry_demo.h"

#include "cregistry/cregistry.h"

using cregistry::cRegistry;
using cregistry::HKEY_CURRENT_USER;
using cregistry::NameList;
using cregistry::REG_DWORD;
using cregistry::REG_SZ;
using cregistry::RegistryError;
using cregistry::Variant;

namespace {

std::string Narrow(const cregistry::Text& text) { return cregistry::ToUtf8(text); }

void List(std::ostream& out, const char* what, const NameList& names, std::int32_t count) {
  out << what << ":";
  for (const auto& name : names) out << " " << Narrow(name);
  out << " (" << count << ")\n";
}

}  // namespace

int RunDemo(cregistry::RegistryService& service, const char16_t* name, bool keep,
            std::ostream& out) {
  const cregistry::Text key = cregistry::Text(u"Software\\") + name;
  cRegistry reg(service);
  try {
    reg.ValueEx(HKEY_CURRENT_USER, key, u"Greeting", REG_SZ, Variant(),
                Variant(u"Hello from cRegistry"));
    reg.ValueEx(HKEY_CURRENT_USER, key, u"Count", REG_DWORD, Variant(), Variant(42));
    reg.ValueEx(HKEY_CURRENT_USER, key + u"\\Window", u"Width", REG_DWORD, Variant(), Variant(640));
    out << "wrote HKEY_CURRENT_USER\\" << Narrow(key) << "\n";

    const Variant greeting = reg.ValueEx(HKEY_CURRENT_USER, key, u"Greeting", REG_SZ, Variant());
    const Variant count = reg.ValueEx(HKEY_CURRENT_USER, key, u"Count", REG_DWORD, Variant(0));
    out << "Greeting = " << Narrow(greeting.ToText()) << "\n";
    out << "Count = " << Narrow(count.ToText()) << "\n";

    NameList names;
    std::int32_t found = 0;
    reg.ClassKey(HKEY_CURRENT_USER);
    reg.SectionKey(key);
    reg.EnumerateValues(names, found);
    List(out, "values", names, found);
    reg.EnumerateSections(names, found);
    List(out, "sub-keys", names, found);

    if (!keep) {
      reg.SectionKey(key + u"\\Window");
      reg.DeleteKey();  // a key goes with its values, once it has no sub-keys
      reg.SectionKey(key);
      reg.DeleteKey();
      out << "deleted\n";
    }
  } catch (const RegistryError& error) {
    out << "RegistryError " << error.Number << " from " << Narrow(error.Source) << ": "
        << Narrow(error.Description) << "\n";
    return 1;
  }
  return 0;
}
