#include "pairs.h"

#include <memory>

#include "cregistry/cregistry.h"
#include "cregistry/key_handle.h"
#include "form1.h"
#include "registry_tree.h"

namespace bench {

using namespace cregistry;
namespace {

using cregistry::OwnedKey;
const cregistry::KeyHandle kHkcu = cregistry::RootHandle(HKEY_CURRENT_USER);

void Fill(cregistry::RegistryService& service, const std::string& path, int entries) {
  OwnedKey key(service);
  service.CreateKey(kHkcu, path, cregistry::access::kAllValueAndKeyRights, key.Receive());
  for (int i = 0; i < entries; ++i) {
    const std::string name = "Entry" + std::to_string(100000 + i);
    const std::uint8_t data[4] = {1, 0, 0, 0};
    service.SetValue(key.get(), name, REG_DWORD, data, 4);
    OwnedKey child(service);
    service.CreateKey(key.get(), name, cregistry::access::kAllValueAndKeyRights, child.Receive());
  }
}

// The raw read a careful caller would write: open, probe, fetch, convert.
Variant RawRead(cregistry::RegistryService& service, const std::string& path,
                const std::string& name) {
  OwnedKey key(service);
  if (service.OpenKey(kHkcu, path, cregistry::access::kQueryValue, key.Receive()) != 0) {
    return Variant();
  }
  std::uint32_t type = 0, size = 0, probe = 0;
  service.QueryValue(key.get(), name, &type, reinterpret_cast<std::uint8_t*>(&probe), &size);
  std::vector<std::uint8_t> data(std::max<std::uint32_t>(size, 4));
  service.QueryValue(key.get(), name, &type, data.data(), &size);
  if (type == REG_DWORD) {
    return Variant(static_cast<std::int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                             static_cast<std::uint32_t>(data[3]) << 24));
  }
  if (size > 0 && data[size - 1] == 0) --size;
  return Variant(
      service.FromCodePage(std::string_view(reinterpret_cast<const char*>(data.data()), size)));
}

void RawWrite(cregistry::RegistryService& service, const std::string& path, const std::string& name,
              std::uint32_t type, const std::string& bytes) {
  OwnedKey key(service);
  if (service.CreateKey(kHkcu, path, cregistry::access::kAllValueAndKeyRights, key.Receive()) ==
      0) {
    service.SetValue(key.get(), name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                     static_cast<std::uint32_t>(bytes.size()));
  }
}

}  // namespace

void Clean(cregistry::RegistryService& service, const std::string& base) {
  testing_support::DeleteTree(service, kHkcu, base);
}

std::vector<Pair> MakePairs(cregistry::RegistryService& service, const std::string& base,
                            int entries, double target) {
  Clean(service, base);
  const std::string values = base + "\\Values";
  const std::string list = base + "\\List";
  RawWrite(service, values, "text", REG_SZ, std::string("Velto Professional 7\0", 21));
  RawWrite(service, values, "number", REG_DWORD, std::string("\x2a\0\0\0", 4));
  Fill(service, list, entries);

  auto reg = std::make_shared<cRegistry>(service);
  auto& s = service;
  const cregistry::Text valuesText = cregistry::FromUtf8(values);
  const cregistry::Text listText = cregistry::FromUtf8(list);
  const cregistry::Text scratch = cregistry::FromUtf8(base + "\\Scratch");
  const auto at = [reg](const cregistry::Text& section, const cregistry::Text& name,
                        std::int32_t type) {
    reg->ClassKey(HKEY_CURRENT_USER);
    reg->SectionKey(section);
    reg->ValueKey(name);
    reg->ValueType(type);
  };
  std::vector<Pair> pairs;
  pairs.push_back({"KeyExists",
                   [=] {
                     at(valuesText, u"", 0);
                     reg->KeyExists();
                   },
                   [=, &s] {
                     OwnedKey key(s);
                     s.OpenKey(kHkcu, values, cregistry::access::kQueryValue, key.Receive());
                   },
                   target});
  pairs.push_back({"Value read, text",
                   [=] {
                     at(valuesText, u"text", 0);
                     reg->Value();
                   },
                   [=, &s] { RawRead(s, values, "text"); }, target});
  pairs.push_back({"Value read, 32-bit",
                   [=] {
                     at(valuesText, u"number", 0);
                     reg->Value();
                   },
                   [=, &s] { RawRead(s, values, "number"); }, target});
  pairs.push_back({"Value write, text",
                   [=] {
                     at(valuesText, u"written", REG_SZ);
                     reg->Value(Variant(u"Velto Professional 7"));
                   },
                   [=, &s] {
                     const auto bytes = s.ToCodePage(u"Velto Professional 7");
                     RawWrite(s, values, "written", REG_SZ, *bytes + '\0');
                   },
                   target});
  pairs.push_back(
      {"Value write, 32-bit",
       [=] {
         at(valuesText, u"count", REG_DWORD);
         reg->Value(Variant(42));
       },
       [=, &s] { RawWrite(s, values, "count", REG_DWORD, std::string("\x2a\0\0\0", 4)); }, target});
  // Both sides create the key again first, so each deletion finds one.
  pairs.push_back({"DeleteKey",
                   [=, &s] {
                     RawWrite(s, base + "\\Scratch", "", REG_SZ, std::string(1, '\0'));
                     at(scratch, u"", 0);
                     reg->DeleteKey();
                   },
                   [=, &s] {
                     RawWrite(s, base + "\\Scratch", "", REG_SZ, std::string(1, '\0'));
                     s.DeleteKey(kHkcu, base + "\\Scratch");
                   },
                   target});
  pairs.push_back({"EnumerateValues, " + std::to_string(entries), MakeListing(service, base),
                   [=, &s] {
                     std::vector<cregistry::Text> names;
                     OwnedKey key(s);
                     if (s.OpenKey(kHkcu, list, cregistry::access::kQueryValue, key.Receive()) != 0)
                       return;
                     std::uint32_t longest = 0;
                     s.QueryInfoKey(key.get(), &longest);
                     std::string name;
                     for (std::uint32_t i = 0;; ++i) {
                       name.assign(longest + 1, '\0');
                       std::uint32_t length = longest + 1;
                       if (s.EnumValue(key.get(), i, name.data(), &length) != 0) break;
                       names.push_back(s.FromCodePage(std::string_view(name.data(), length)));
                     }
                   },
                   target});
  pairs.push_back(
      {"EnumerateSections, " + std::to_string(entries),
       [=] {
         NameList names;
         std::int32_t count = 0;
         at(listText, u"", 0);
         reg->EnumerateSections(names, count);
       },
       [=, &s] {
         std::vector<cregistry::Text> names;
         OwnedKey key(s);
         if (s.OpenKey(kHkcu, list, cregistry::access::kEnumerateSubKeys, key.Receive()) != 0)
           return;
         char name[256];
         for (std::uint32_t i = 0; s.EnumKey(key.get(), i, name, sizeof name) == 0; ++i) {
           names.push_back(s.FromCodePage(name));
         }
       },
       target});
  pairs.push_back({"ResetSettings",
                   [&s] {
                     struct NoWindow final : app::WindowSystem {
                       float ScreenWidth() const override { return 0; }
                       float ScreenHeight() const override { return 0; }
                       float WindowWidth() const override { return 0; }
                       float WindowHeight() const override { return 0; }
                       void PlaceWindow(float, float) override {}
                       cregistry::Text LabelText() const override { return {}; }
                       void SetLabelText(const cregistry::Text&) override {}
                       int ShowMessage(const cregistry::Text&, const cregistry::Text&,
                                       std::uint32_t) override {
                         return 0;
                       }
                       void EndProgram() override {}
                     } window;
                     app::Form1(window, s).ResetSettings();
                   },
                   [&s] {
                     for (const char16_t* section : app::kResetSections) {
                       s.DeleteKey(kHkcu, cregistry::ToUtf8(section));
                     }
                   },
                   target});
  return pairs;
}

std::function<void()> MakeListing(cregistry::RegistryService& service, const std::string& base) {
  const std::string list = base + "\\List";
  auto reg = std::make_shared<cRegistry>(service);
  reg->ClassKey(HKEY_CURRENT_USER);
  reg->SectionKey(cregistry::FromUtf8(list));
  return [reg] {
    NameList names;
    std::int32_t count = 0;
    reg->EnumerateValues(names, count);
  };
}

}  // namespace bench
